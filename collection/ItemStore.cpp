// The item folder: a new item made whole (staged under a temporary name, then put in place), a folder withdrawn or
// deleted. A save of an existing item is ItemSave.cpp's, the record format ItemRecord.cpp's, the reads of a load
// ItemRead.cpp's, the listing and the sweep ItemListing.cpp's.
#include "ItemStore.h"
#include "ItemStoreParts.h"

#include "MGeneral.h"
#include "StoreIntent.h"
#include "StoreLog.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ItemStore {
namespace {

using Parts::ClaimLocked;
using Parts::Live;
using Parts::RecordFiles;
using Parts::Unclaim;

constexpr int kMaxVariants = 10000;

// Why a cover source could not be read.
QString ReadFailure(SafeFile::ReadStatus status, int err)
{
    switch (status) {
    case SafeFile::ReadStatus::Missing:
        return QStringLiteral("it does not exist");
    case SafeFile::ReadStatus::NotRegular:
        return QStringLiteral("it is not a regular file");
    case SafeFile::ReadStatus::TooLarge:
        return QStringLiteral("it is too large");
    case SafeFile::ReadStatus::Failed:
    case SafeFile::ReadStatus::Ok:
        break;
    }
    return qt_error_string(err);
}

} // namespace

QString KindFolder(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return QStringLiteral("Categories");
    case ItemKind::Group:
        return QStringLiteral("Groups");
    case ItemKind::Box:
        return QStringLiteral("Boxes");
    case ItemKind::Media:
        return QStringLiteral("Medias");
    case ItemKind::Movie:
        return QStringLiteral("Movies");
    }
    return {};
}

std::shared_ptr<CItem> NewItem(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return std::make_shared<CCategory>();
    case ItemKind::Group:
        return std::make_shared<CGroup>();
    case ItemKind::Box:
        return std::make_shared<CBox>();
    case ItemKind::Media:
        return std::make_shared<CMedia>();
    case ItemKind::Movie:
        return std::make_shared<CMovie>();
    }
    return {};
}

Result<void> CreateItem(CItem& item, const QString& dbDir, const QString& frontCover, const QString& backCover,
                        bool byName)
{
    return CreateItem(item, dbDir, NewCover{frontCover, {}, {}}, NewCover{backCover, {}, {}}, byName);
}

namespace {

// The folder name an item is created under: of its name (with byName, or while it has no sort key), else of its sort
// key.
QString FolderBase(const CItem& item, bool byName)
{
    return byName || item.strSortKey().isEmpty() ? item.DisplayName() : item.strSortKey();
}

::Failure Refused(const CItem& item, const QString& why)
{
    qCWarning(lcStore) << "cannot save the new item" << item.strKey() << "-" << why;
    return ::Failure{why, 0, {}};
}

} // namespace

Result<QString> StageItem(const CItem& item, const QString& dbDir, const NewCover& frontCover,
                          const NewCover& backCover, bool byName)
{
    const auto fail = [&](const QString& why) { return Result<QString>(Refused(item, why)); };
    if (dbDir.isEmpty()) {
        return fail(QStringLiteral("no collection folder is set"));
    }
    if (!item.Path().isEmpty()) {
        return fail(QStringLiteral("it is stored in %1 already").arg(item.Path()));
    }
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind());
    const QString firstName = MGeneral::ItemFolderName(FolderBase(item, byName), 1, item.lngID());

    std::vector<std::pair<QString, QByteArray>> files = RecordFiles(item);
    // The covers are read before anything is made, so a cover that cannot be had leaves nothing behind.
    if (dynamic_cast<const CCoveredItem*>(&item)) {
        for (const bool front : {true, false}) {
            const NewCover& cover = front ? frontCover : backCover;
            if (!cover.ext.isEmpty()) {
                const QString name = CCoveredItem::CoverFileName(front, QStringLiteral("cover.") + cover.ext);
                if (name.isEmpty()) {
                    return fail(QStringLiteral("the cover extension %1 cannot be used").arg(cover.ext));
                }
                files.emplace_back(name, cover.bytes);
                continue;
            }
            const QString& source = cover.file;
            if (source.isEmpty()) {
                continue;
            }
            const QString name = CCoveredItem::CoverFileName(front, source);
            if (name.isEmpty()) {
                return fail(QStringLiteral("the cover %1 cannot be used: its name has no plain extension").arg(source));
            }
            QByteArray bytes;
            if (const auto status = SafeFile::Read(source, bytes); status != SafeFile::ReadStatus::Ok) {
                const int err = errno;
                return fail(QStringLiteral("the cover %1 cannot be read: %2").arg(source, ReadFailure(status, err)));
            }
            files.emplace_back(name, std::move(bytes));
        }
    }

    // Built under a temporary name that a load sweeps away; PlaceStaged renames it into place in one step, so the
    // item appears whole or not at all, also after a kill or a power cut.
    const Result<QString> made = [&] {
        // Made and claimed in one step, so no sweep takes it for debris in between.
        const std::lock_guard<std::mutex> lock(Live().mutex);
        Result<QString> folder = SafeFile::MakeTempFolder(kindDir, firstName);
        if (folder) {
            ClaimLocked(SafeFile::Encode(*folder));
        }
        return folder;
    }();
    if (!made) {
        return fail(QStringLiteral("cannot create the folder %1/%2: %3").arg(kindDir, firstName, made.why()));
    }
    const QString temp = *made;
    if (const auto written = SafeFile::WriteAll(temp, files); !written) {
        // The failure names the file, or the folder when its sync failed.
        const QString failed = written.failure().path.mid(temp.size() + 1);
        const QString what = failed.isEmpty() ? QStringLiteral("the files of %1/%2").arg(kindDir, firstName)
                                              : QStringLiteral("%1/%2/%3").arg(kindDir, firstName, failed);
        RemoveStaged(temp);
        return fail(QStringLiteral("cannot write %1: %2").arg(what, written.why()));
    }
    return temp;
}

Result<void> PlaceStaged(CItem& item, const QString& temp, const QString& dbDir, bool byName)
{
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind());
    const QString base = FolderBase(item, byName);
    const auto discard = [&](const QString& why) {
        RemoveStaged(temp);
        return Result<void>(Refused(item, why));
    };
    QString folder;
    for (int variant = 1; variant <= kMaxVariants && folder.isEmpty(); ++variant) {
        // An existing folder belongs to another item, whatever its record says: never replaced, never adopted.
        const QString path = kindDir + u'/' + MGeneral::ItemFolderName(base, variant, item.lngID());
        const auto placed = SafeFile::PutFolderInPlace(temp, path);
        if (placed) {
            folder = path;
        } else if (placed.error() != EEXIST && placed.error() != ENOTEMPTY) {
            return discard(QStringLiteral("cannot create the folder %1: %2").arg(path, placed.why()));
        }
    }
    if (folder.isEmpty()) {
        return discard(QStringLiteral("no free folder name for %1 in %2").arg(base, kindDir));
    }
    Unclaim(temp); // in place: an item folder with its record, which no sweep takes
    item.setPath(folder);
    return {};
}

QString FreeFolder(const CItem& item, const QString& dbDir, bool byName, std::set<QString>& taken)
{
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind());
    const QString base = FolderBase(item, byName);
    struct stat st;
    for (int variant = 1; variant <= kMaxVariants; ++variant) {
        // An existing folder belongs to another item, whatever its record says: never replaced, never adopted.
        const QString path = kindDir + u'/' + MGeneral::ItemFolderName(base, variant, item.lngID());
        if (::lstat(SafeFile::Encode(path).constData(), &st) != 0 && errno == ENOENT &&
            taken.insert(path.toCaseFolded()).second) {
            return path;
        }
    }
    return {};
}

bool RemoveStaged(const QString& temp)
{
    const bool gone = bool(SafeFile::RemoveTree(temp));
    if (!gone) {
        qCWarning(lcStore) << "cannot remove" << temp << "- the next load does";
    }
    Unclaim(temp);
    return gone;
}

void LeaveStaged(const QString& temp)
{
    Unclaim(temp);
}

Result<void> CreateItem(CItem& item, const QString& dbDir, const NewCover& frontCover, const NewCover& backCover,
                        bool byName)
{
    const Result<QString> temp = StageItem(item, dbDir, frontCover, backCover, byName);
    if (!temp) {
        return temp.failure();
    }
    if (Result<void> placed = PlaceStaged(item, *temp, dbDir, byName); !placed) {
        return placed;
    }
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind());
    if (const Result<void> synced = SafeFile::SyncFolder(kindDir); !synced) {
        if (!SafeFile::RemoveTree(item.Path())) {
            qCWarning(lcStore) << "cannot remove" << item.Path() << "after its folder could not be synced";
        }
        item.setPath(QString());
        return Refused(item, QStringLiteral("cannot sync the folder %1: %2").arg(kindDir, synced.why()));
    }
    return {};
}

QString TrashName(const QString& folder)
{
    const QByteArray native = SafeFile::Encode(folder);
    const qsizetype slash = native.lastIndexOf('/');
    struct stat st;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray trash = native.left(slash + 1) + "." + native.mid(slash + 1).left(200) + '.' +
                                 QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        if (::lstat(trash.constData(), &st) != 0) {
            return SafeFile::Decode(trash);
        }
    }
    return {};
}

namespace {

// Claims the folder as live under the temporary path it is about to be moved to, before it appears there, so no
// sweep takes it while it is taken apart.
void ClaimAs(const QString& folder, const QString& trash)
{
    const QByteArray native = SafeFile::Encode(folder);
    const std::lock_guard<std::mutex> lock(Live().mutex);
    ClaimLocked(native);
    const auto claimed = Live().byPath.find(native);
    if (claimed != Live().byPath.end()) {
        Live().byPath[SafeFile::Encode(trash)] = claimed->second;
        Live().byPath.erase(claimed);
    }
}

} // namespace

QString WithdrawFolder(const QString& folder)
{
    const QString trash = TrashName(folder);
    if (trash.isEmpty()) {
        return {};
    }
    ClaimAs(folder, trash);
    if (SafeFile::Rename(folder, trash)) {
        return trash;
    }
    Unclaim(trash);
    return {};
}

Withdrawal WithdrawFolders(const QString& dbDir, const QString& what, const QStringList& folders,
                           const std::function<void(int done)>& progress, StoreIntent::Intent* replacing)
{
    Withdrawal out;
    if (folders.isEmpty()) {
        if (replacing) {
            (void)replacing->Drop();
        }
        return out;
    }
    StoreIntent::Intent own(dbDir, what, int(folders.size()));
    StoreIntent::Intent& intent = replacing ? *replacing : own;
    intent.Clear();
    intent.SetWhat(what, int(folders.size()));
    QStringList trash;
    for (const QString& folder : folders) {
        trash << TrashName(folder);
        if (trash.last().isEmpty()) {
            out.failure = ::Failure{QStringLiteral("no temporary name is free beside it"), EEXIST, folder};
            return out;
        }
        intent.Move(folder, trash.last());
    }
    if (const Result<> recorded = intent.Record(); !recorded) {
        out.failure = recorded.failure();
        return out;
    }
    for (qsizetype i = 0; i < folders.size(); ++i) {
        ClaimAs(folders.at(i), trash.at(i));
    }
    const Result<> carried = intent.Carry(progress);
    if (carried.Reached()) {
        if (carried.Unconfirmed()) {
            qCWarning(lcStore) << "the folders moved out of the store could not be synced:" << carried.why();
        }
        out.trash = trash;
        return out;
    }
    // A step stopped it: what went before it is out of the store, the rest stays, as the order of the folders has
    // it (contents before their container), so nothing is left without its container.
    struct stat st;
    qsizetype done = 0;
    while (done < folders.size() && ::lstat(SafeFile::Encode(folders.at(done)).constData(), &st) != 0 &&
           ::lstat(SafeFile::Encode(trash.at(done)).constData(), &st) == 0) {
        ++done;
    }
    std::set<QString> kindFolders;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        kindFolders.insert(folders.at(i).section(u'/', 0, -2));
        if (i >= done) {
            Unclaim(trash.at(i));
        }
    }
    for (const QString& kindFolder : kindFolders) {
        (void)SafeFile::SyncFolder(kindFolder);
    }
    if (!intent.Drop()) {
        qCWarning(lcStore) << "the record" << intent.RecordPath() << "stays: the next start finishes the delete";
    }
    out.trash = trash.mid(0, done);
    out.failure = carried.failure();
    return out;
}

bool DeleteItemFolder(const CItem& item)
{
    const QString folder = item.Path();
    if (folder.isEmpty()) {
        return true;
    }
    const QByteArray native = SafeFile::Encode(folder);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0) {
        // A folder that is not there (the collection's disk unplugged, say) would bring the item back with it: the
        // item stays.
        const int err = errno;
        qCWarning(lcStore) << "cannot delete the item" << item.strKey() << "- its folder" << folder
                           << "cannot be reached:" << qt_error_string(err);
        return false;
    }
    // The folder first leaves the store under a temporary name in one step, so the item is either whole or gone,
    // also after a crash (a load removes what is left of it).
    const QString kindFolder = SafeFile::Decode(native.left(native.lastIndexOf('/')));
    const QString trash = TrashName(folder);
    if (trash.isEmpty() || !SafeFile::Rename(folder, trash)) {
        const int err = trash.isEmpty() ? EEXIST : errno;
        qCWarning(lcStore) << "cannot delete the item" << item.strKey() << "- its folder" << folder
                           << "cannot be moved out of the store:" << qt_error_string(err);
        return false;
    }
    (void)SafeFile::SyncFolder(kindFolder);
    // Everything but the record first: should something stay, the folder goes back with its record and the item
    // stays whole but for what was removed.
    bool ok = true;
    const QByteArray trashNative = SafeFile::Encode(trash);
    if (DIR* dir = ::opendir(trashNative.constData())) {
        std::vector<QByteArray> names;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) &&
                std::strcmp(name, kRecordName) != 0) {
                names.emplace_back(name);
            }
        }
        ::closedir(dir);
        for (const QByteArray& name : names) {
            const QString path = trash + u'/' + SafeFile::Decode(name);
            if (::lstat((trashNative + '/' + name).constData(), &st) == 0) {
                const auto gone = S_ISDIR(st.st_mode) ? SafeFile::RemoveTree(path) : SafeFile::Remove(path);
                if (!gone) {
                    qCWarning(lcStore) << "cannot remove" << path << "of the deleted item" << item.strKey();
                }
                ok = gone && ok;
            }
        }
    }
    const bool recordGone = ok && SafeFile::Remove(trash + u'/' + kRecord);
    if (!recordGone) {
        // Put back what is left, so the item keeps its folder and record and stays.
        if (SafeFile::Rename(trash, folder)) {
            qCWarning(lcStore) << "cannot delete the item" << item.strKey() << "- what is left is back in" << folder;
            (void)SafeFile::SyncFolder(kindFolder);
            return false;
        }
        qCWarning(lcStore) << "the item" << item.strKey() << "is partly deleted: what is left stays in" << trash
                           << "until the next load";
        return true; // it stays out of the store; the next load removes the rest
    }
    // Without its record the item is gone; an empty folder that stays under its temporary name goes at the next
    // load.
    if (!SafeFile::RemoveTree(trash)) {
        qCWarning(lcStore) << "cannot remove the folder" << trash << "of the deleted item" << item.strKey()
                           << "- the next load removes it";
    }
    (void)SafeFile::SyncFolder(kindFolder);
    return true;
}

} // namespace ItemStore
