// Folders, renames and removal: the safe writer's steps on folders and names, synced into their parents where a
// power cut would otherwise lose them.
#include "SafeFileInternal.h"

#include <QRandomGenerator>

#include <cerrno>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

using namespace Internal;

namespace {

// Removes the entries of the open folder dirFd, then nothing else. Goes on past an entry that stays; the failure
// is the first one's.
Result<> RemoveContents(int dirFd)
{
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        const int err = errno;
        ::close(dirFd);
        return Failure::OfErrno(err);
    }
    int first = 0;
    const auto stays = [&first](int err) {
        if (first == 0) {
            first = err != 0 ? err : EIO;
        }
    };
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        names.emplace_back(name);
    }
    for (const QByteArray& name : names) {
        struct stat st;
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            stays(errno);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                stays(errno);
                continue;
            }
            if (const auto emptied = RemoveContents(sub); !emptied) {
                stays(emptied.error());
                continue;
            }
            if (Injected(Faults::RemoveFile) || ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) != 0) {
                stays(errno);
            }
        } else if (Injected(Faults::RemoveFile) || ::unlinkat(dirFd, name.constData(), 0) != 0) {
            stays(errno);
        }
    }
    ::closedir(dir); // closes dirFd
    if (first != 0) {
        return Failure::OfErrno(first);
    }
    return {};
}

} // namespace

namespace Internal {

Result<> SyncFolderNative(const QByteArray& folder)
{
    if (InBatch()) {
        DeferFolder(folder);
        return {};
    }
    if (Injected(Faults::SyncDir)) {
        return Traced("cannot sync the folder", folder, errno);
    }
    if (SyncsSkipped()) {
        return {};
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Traced("cannot open the folder to sync it", folder, errno);
    }
    int rc = ::fsync(fd);
    // Some file systems cannot sync a folder at all; their entries are then as durable as they can be.
    if (rc != 0 && (errno == EINVAL || errno == ENOTSUP || errno == EROFS)) {
        rc = 0;
    }
    const int err = errno;
    ::close(fd);
    if (rc != 0) {
        return Traced("cannot sync the folder", folder, err);
    }
    return {};
}

} // namespace Internal

Result<> SyncFolder(const QString& folder)
{
    if (auto synced = SyncFolderNative(Encode(folder)); !synced) {
        return Unconfirmed(synced.failure());
    }
    return {};
}

Result<> MakeFolder(const QString& path, unsigned mode)
{
    const QByteArray native = Encode(path);
    if (Injected(Faults::MakeDir)) {
        return Failure::OfErrno(EIO, path);
    }
    if (::mkdir(native.constData(), mode_t(mode)) != 0) {
        return Failure::OfErrno(errno, path);
    }
    if (auto synced = SyncFolderNative(FolderOf(native)); !synced) {
        ::rmdir(native.constData());
        return synced;
    }
    return {};
}

Result<> MakePath(const QString& path)
{
    const QByteArray native = Encode(path);
    struct stat st;
    if (::stat(native.constData(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            return Failure::OfErrno(ENOTDIR, path);
        }
        return {};
    }
    const QByteArray parent = FolderOf(native);
    if (parent != native && parent != ".") {
        if (auto above = MakePath(Decode(parent)); !above) {
            return above;
        }
    }
    auto made = MakeFolder(path);
    if (!made && made.error() == EEXIST && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return {}; // made by someone else meanwhile
    }
    return made;
}

Result<> Rename(const QString& from, const QString& to)
{
    if (Injected(Faults::Rename) || ::rename(Encode(from).constData(), Encode(to).constData()) != 0) {
        return Failure::OfErrno(errno, from);
    }
    return {};
}

Result<QString> MakeTempFolder(const QString& parent, QStringView name)
{
    const QByteArray folder = Encode(parent);
    // The temporary name stays within a file name's 255 bytes, whatever the name's length.
    const QByteArray base = Encode(name).left(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray path =
            folder + "/." + base + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        if (Injected(Faults::MakeDir)) {
            return Traced("cannot create a folder in", folder, errno);
        }
        if (::mkdir(path.constData(), 0777) == 0) {
            NoteNewFolder(path);
            return Decode(path);
        }
        if (errno != EEXIST) {
            return Traced("cannot create a folder in", folder, errno);
        }
    }
    return Failure::OfErrno(EEXIST, parent);
}

Result<> PutFolderInPlace(const QString& from, const QString& to)
{
    const QByteArray source = Encode(from);
    const QByteArray target = Encode(to);
    if (Injected(Faults::Rename)) {
        return Failure::OfErrno(errno, to);
    }
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0) {
        const int err = errno;
        if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP) {
            return Failure::OfErrno(err, to);
        }
        // A file system that cannot refuse to replace (FUSE, some network shares): the name is taken by an empty
        // folder made exclusively, which a rename may then replace. Should the program die in between, the empty
        // folder is left for the next load to sweep.
        if (::mkdir(target.constData(), 0700) != 0) {
            return Failure::OfErrno(errno, to);
        }
        if (::rename(source.constData(), target.constData()) != 0) {
            const int failed = errno;
            ::rmdir(target.constData());
            return Failure::OfErrno(failed, to);
        }
    }
    NoteNewFolder(target);
    return {};
}

Result<> Remove(const QString& path)
{
    if (Injected(Faults::RemoveFile) || (::unlink(Encode(path).constData()) != 0 && errno != ENOENT)) {
        return Failure::OfErrno(errno, path);
    }
    return {};
}

Result<> RemoveTree(const QString& path)
{
    const QByteArray native = Encode(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return {};
        }
        return Failure::OfErrno(errno, path);
    }
    if (auto emptied = RemoveContents(fd); !emptied) {
        return Failure::OfErrno(emptied.error(), path);
    }
    if (Injected(Faults::RemoveFile) || (::rmdir(native.constData()) != 0 && errno != ENOENT)) {
        return Failure::OfErrno(errno, path);
    }
    return {};
}

int RemoveStrayTemps(const QString& folder)
{
    const QByteArray native = Encode(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        return 0;
    }
    std::vector<QByteArray> strays;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTempName(entry->d_name)) {
            strays.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    int removed = 0;
    for (const QByteArray& name : strays) {
        const QString path = folder + u'/' + Decode(name);
        struct stat st;
        if (::lstat((native + '/' + name).constData(), &st) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode) ? RemoveTree(path) : Remove(path)) {
            ++removed;
        }
    }
    return removed;
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa;
    struct stat sb;
    return ::stat(Encode(a).constData(), &sa) == 0 && ::stat(Encode(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool ListedBoth(const QString& folder, QStringView a, QStringView b)
{
    const QByteArray first = Encode(a);
    const QByteArray second = Encode(b);
    DIR* dir = ::opendir(Encode(folder).constData());
    if (!dir) {
        return false;
    }
    bool seenFirst = false;
    bool seenSecond = false;
    while (const dirent* entry = ::readdir(dir)) {
        seenFirst = seenFirst || first == entry->d_name;
        seenSecond = seenSecond || second == entry->d_name;
    }
    ::closedir(dir);
    return seenFirst && seenSecond;
}

} // namespace SafeFile
