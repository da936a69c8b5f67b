// The listing of a kind folder and the sweep before it (RemoveDebris): the entries this program names for its own
// temporary work go, but never one that a live worker of this program is building or taking apart (the live folders
// kept here), and never a folder that holds anything of the user's.
#include "ItemStore.h"
#include "ItemStoreParts.h"

#include "StoreLog.h"

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ItemStore {
namespace Parts {

LiveFolders& Live()
{
    // Never destroyed: a worker may still let go of a folder while the statics go.
    static auto* const live = new LiveFolders;
    return *live;
}

void ClaimLocked(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) == 0) {
        Live().ids.insert({st.st_dev, st.st_ino});
        Live().byPath[path] = {st.st_dev, st.st_ino};
    }
}

void Unclaim(const QString& path)
{
    LiveFolders& live = Live();
    const std::lock_guard<std::mutex> lock(live.mutex);
    const auto it = live.byPath.find(SafeFile::Encode(path));
    if (it != live.byPath.end()) {
        live.ids.erase(it->second);
        live.byPath.erase(it);
    }
}

} // namespace Parts

namespace {

// Whether the entry name of the open folder dirFd is a live worker's.
bool IsLive(int dirFd, const QByteArray& name)
{
    struct stat st;
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    Parts::LiveFolders& live = Parts::Live();
    const std::lock_guard<std::mutex> lock(live.mutex);
    return live.ids.count({st.st_dev, st.st_ino}) > 0;
}

// Whether the item folder `name` of the open kind folder kindFd holds no record and nothing but the writer's
// temporary files (or nothing at all): what a creation cut short between taking the name and filling it leaves. Those
// files' names go to temps. A folder holding anything else (notes, covers, an empty record, a file of the user's)
// may hold the only copy of something: it is never removed here.
bool HoldsNothing(int kindFd, const QByteArray& name, std::vector<QByteArray>& temps)
{
    struct stat st;
    if (::fstatat(kindFd, (name + '/' + kRecordName).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) {
        return false; // a record, of whatever kind: the load reads it (or tells why it cannot)
    }
    const int fd = ::openat(kindFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    bool nothing = true;
    while (const dirent* entry = ::readdir(dir)) {
        const char* file = entry->d_name;
        if (file[0] == '.' && (file[1] == '\0' || (file[1] == '.' && file[2] == '\0'))) {
            continue;
        }
        const bool regular = ::fstatat(::dirfd(dir), file, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
        if (!regular || !SafeFile::IsTempName(file)) {
            nothing = false;
            break;
        }
        temps.emplace_back(file);
    }
    ::closedir(dir);
    return nothing;
}

} // namespace

std::optional<QStringList> ListEntries(const QString& folder)
{
    DIR* dir = ::opendir(SafeFile::Encode(folder).constData());
    if (!dir) {
        return std::nullopt;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        // What an interrupted save or delete left is no item; the next load removes it.
        if (SafeFile::IsTempName(name)) {
            continue;
        }
        // Every byte of the name is kept, so a name that is not UTF-8 opens again.
        names.append(SafeFile::Decode(name));
    }
    ::closedir(dir);
    // Name order keeps loads deterministic; plain code-unit order, no locale.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
    });
    return names;
}

int CountEntries(const QString& folder)
{
    const auto names = ListEntries(folder);
    return names ? int(names->size()) : 0;
}

int RemoveDebris(const QString& kindFolder)
{
    const QByteArray native = SafeFile::Encode(kindFolder);
    const int kindFd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (kindFd < 0) {
        return 0;
    }
    DIR* dir = ::fdopendir(kindFd);
    if (!dir) {
        ::close(kindFd);
        return 0;
    }
    std::vector<QByteArray> temps;
    std::vector<QByteArray> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        if (SafeFile::IsTempName(name)) {
            temps.emplace_back(name);
            continue;
        }
        struct stat st;
        if (entry->d_type == DT_DIR ||
            (entry->d_type == DT_UNKNOWN && ::fstatat(kindFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISDIR(st.st_mode))) {
            folders.emplace_back(name);
        }
    }
    int removed = 0;
    const auto remove = [&](const QByteArray& name, const char* what) {
        const QString path = SafeFile::Decode(native + '/' + name);
        struct stat st;
        if (::lstat((native + '/' + name).constData(), &st) != 0) {
            return;
        }
        if (S_ISDIR(st.st_mode) ? SafeFile::RemoveTree(path) : SafeFile::Remove(path)) {
            ++removed;
        } else {
            qCWarning(lcStore) << "cannot remove" << path << what;
        }
    };
    for (const QByteArray& name : temps) {
        // A folder made before the listing is claimed before it is listed (StageItem claims as it makes), so what is
        // not live now is debris.
        if (!IsLive(kindFd, name)) {
            remove(name, "left by an interrupted save or delete");
        }
    }
    for (const QByteArray& name : folders) {
        std::vector<QByteArray> inner;
        if (!HoldsNothing(kindFd, name, inner)) {
            continue; // an item, or a folder the load leaves out and names (ItemRead)
        }
        const QByteArray path = native + '/' + name;
        bool emptied = true;
        for (const QByteArray& temp : inner) {
            emptied = SafeFile::Remove(SafeFile::Decode(path + '/' + temp)) && emptied;
        }
        // rmdir takes only an empty folder, so nothing put there meanwhile can go with it.
        if (emptied && ::rmdir(path.constData()) == 0) {
            ++removed;
        }
    }
    ::closedir(dir); // closes kindFd
    if (removed > 0) {
        (void)SafeFile::SyncFolder(kindFolder);
    }
    return removed;
}

} // namespace ItemStore
