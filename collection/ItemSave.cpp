// An item saved again in its own folder: its record files and cover changes as one step. The new files are staged
// beside the old ones under temporary names and synced; a store intent record naming every rename and removal is
// written and synced (StoreIntent); then the renames and removals are made, the folder synced and the record removed.
// A kill or power cut before the record is on disk leaves the old item (the staged files are debris); after it, the
// next start carries the record out, so the item is the new one. Never a mix.
#include "ItemStore.h"
#include "ItemStoreParts.h"

#include "StoreIntent.h"
#include "StoreLog.h"

#include <QRandomGenerator>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include <sys/stat.h>

namespace ItemStore {
namespace {

bool IsCoverName(QByteArrayView name)
{
    for (const QByteArrayView prefix : {QByteArrayView("FrontCover."), QByteArrayView("BackCover.")}) {
        if (name.size() > prefix.size() && name.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

Result<void> RemoveNamed(const QString& path)
{
    if (auto removed = SafeFile::Remove(path); !removed) {
        return ::Failure{QStringLiteral("cannot remove %1: %2").arg(path, removed.why()), removed.error(), path,
                         removed.Unconfirmed()};
    }
    return {};
}

// A file staged beside its target: its temporary name, and the name it takes.
struct Staged
{
    QString temp;
    QString target;
};

// Stages the files under temporary names beside their targets, each synced, then the folder. On a failure nothing
// staged is left and nothing of the item was replaced.
Result<std::vector<Staged>> Stage(const QString& folder, const std::vector<std::pair<QString, QByteArray>>& files)
{
    std::vector<Staged> names;
    std::vector<std::pair<QString, QByteArray>> staged;
    for (const auto& [name, bytes] : files) {
        // Sixteen digits always, so every record of a save is as long as the next.
        const QString temp = SafeFile::Decode(
            '.' + SafeFile::Encode(name) + '.' +
            QByteArray::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, '0') + ".tmp");
        names.push_back({temp, name});
        staged.emplace_back(temp, bytes);
    }
    const Result<void> written = SafeFile::WriteAll(folder, staged);
    if (!written) {
        for (const Staged& file : names) {
            (void)SafeFile::Remove(folder + u'/' + file.temp);
        }
        // The failure names the file as the user knows it, not its staged name.
        QString what = QStringLiteral("the files of %1").arg(folder);
        for (const Staged& file : names) {
            if (written.failure().path.contains(file.temp)) {
                what = folder + u'/' + file.target;
            }
        }
        return ::Failure{QStringLiteral("cannot write %1: %2").arg(what, written.why()), written.error(),
                         written.failure().path};
    }
    return names;
}

// The records of saves whose steps failed while this program runs, by folder: a later save of the folder carries one
// out first, so that it is never carried out over the newer files at the next start.
struct Unfinished
{
    std::mutex mutex;
    std::map<QString, std::unique_ptr<StoreIntent::Intent>> byFolder;
};
Unfinished& UnfinishedSaves()
{
    static Unfinished unfinished;
    return unfinished;
}

// The store folder of an item folder: the parent of its kind folder.
QString StoreOf(const QString& folder)
{
    const QByteArray native = SafeFile::Encode(folder);
    const QByteArray kind = native.left(native.lastIndexOf('/'));
    return SafeFile::Decode(kind.left(kind.lastIndexOf('/')));
}

// PutInPlace's staged files, record, renames and removals.
Result<void> Recorded(const QString& folder, const std::vector<std::pair<QString, QByteArray>>& files,
                      const QStringList& removals, const QString& what)
{
    // A rename cannot replace a folder (or a pipe the user put there): refused before anything is replaced.
    for (const auto& [name, bytes] : files) {
        struct stat st;
        if (::lstat(SafeFile::Encode(folder + u'/' + name).constData(), &st) == 0 && !S_ISREG(st.st_mode) &&
            !S_ISLNK(st.st_mode)) {
            return ::Failure{QStringLiteral("cannot write %1/%2: it is not a file").arg(folder, name), EISDIR,
                             folder + u'/' + name};
        }
    }
    const Result<std::vector<Staged>> staged = Stage(folder, files);
    if (!staged) {
        return staged.failure();
    }
    auto intent = std::make_unique<StoreIntent::Intent>(StoreOf(folder), what, 1);
    for (const Staged& file : *staged) {
        intent->Move(folder + u'/' + file.temp, folder + u'/' + file.target);
    }
    for (const QString& name : removals) {
        if (IsCoverName(SafeFile::Encode(name))) {
            intent->Remove(folder + u'/' + name);
        }
    }
    // The record must be on disk before anything is replaced; one that may not be is taken back by Record.
    if (const Result<void> recorded = intent->Record(); !recorded) {
        for (const Staged& file : *staged) {
            (void)SafeFile::Remove(folder + u'/' + file.temp);
        }
        Failure failure = recorded.failure();
        failure.unconfirmed = false;
        return failure;
    }
    // From here the save stands: what is not done now, a later save of the folder or the next start does.
    if (Result<void> carried = intent->Carry(); !carried) {
        if (intent->Recorded()) {
            const std::lock_guard<std::mutex> lock(UnfinishedSaves().mutex);
            UnfinishedSaves().byFolder[folder] = std::move(intent);
        }
        Failure failure = carried.failure();
        failure.unconfirmed = true;
        return failure;
    }
    return {};
}

// Carries out the record of an earlier save of folder whose steps failed; a failure when it still cannot be.
Result<void> FinishUnfinished(const QString& folder)
{
    const std::lock_guard<std::mutex> lock(UnfinishedSaves().mutex);
    const auto found = UnfinishedSaves().byFolder.find(folder);
    if (found == UnfinishedSaves().byFolder.end()) {
        return {};
    }
    if (Result<void> carried = found->second->Carry(); !carried && !carried.Unconfirmed()) {
        return ::Failure{QStringLiteral("an earlier save in %1 cannot be finished: %2").arg(folder, carried.why()),
                         carried.error(), carried.failure().path};
    }
    UnfinishedSaves().byFolder.erase(found);
    return {};
}

} // namespace

Result<void> PutInPlace(const QString& folder, const std::vector<std::pair<QString, QByteArray>>& files,
                        const QStringList& removals, const QString& what)
{
    if (auto finished = FinishUnfinished(folder); !finished) {
        return finished;
    }
    if (files.empty() && removals.isEmpty()) {
        return {};
    }
    // One file replaced is one rename, and one file removed one removal: whole without a record.
    if (removals.isEmpty() && files.size() == 1) {
        return SafeFile::WriteAll(folder, files);
    }
    if (files.empty() && removals.size() == 1) {
        if (auto removed = RemoveNamed(folder + u'/' + removals.front()); !removed) {
            return removed;
        }
        return SafeFile::SyncFolder(folder);
    }
    // The staged files and the record are new files, whose syncs a batch the caller has open would hold back until
    // its end; they must be on disk before anything is replaced.
    const SafeFile::Unbatched unbatched;
    return Recorded(folder, files, removals, what);
}

namespace {

// After a save: removes stray temporary files, and the other-case copies of the files just written, but only those
// that are really other files: the listing taken after the write shows both names (on a file system that ignores case
// it shows one entry for the file just written, whatever its inode numbers) and they are not links to one file. Keeps
// the cover the item names and removes other covers of the same side (left by an interrupted cover change).
void TidyFolder(CItem& item, const QString& folder)
{
    const QByteArray native = SafeFile::Encode(folder);
    const Parts::FolderScan scan = Parts::ScanFolder(native);
    bool changed = Parts::RemoveTemps(native, scan);
    // Called only for names the scan listed beside `kept` itself.
    const auto removeIfOther = [&](const QByteArray& name, const QString& kept) {
        const QString path = folder + u'/' + SafeFile::Decode(name);
        if (SafeFile::SameFile(path, folder + u'/' + kept)) {
            return;
        }
        if (SafeFile::Remove(path)) {
            changed = true;
        } else {
            qCWarning(lcStore) << "cannot remove" << path << "which differs from" << kept << "only in case";
        }
    };
    if (scan.record) {
        for (const QByteArray& name : scan.recordVariants) {
            removeIfOther(name, kRecord);
        }
    }
    if (item.Kind() == ItemKind::Movie) {
        for (size_t t = 0; t < Parts::kTextFiles.size(); ++t) {
            const QString kept = QString::fromLatin1(Parts::kTextFiles[t]);
            // The scan names the exact spelling first when it is listed; when it is not, the one entry listed is
            // the file just written under its old spelling.
            if (scan.texts[t] != Parts::kTextFiles[t]) {
                continue;
            }
            for (const QByteArray& name : scan.variants[t]) {
                removeIfOther(name, kept);
            }
        }
    }
    if (auto* covered = dynamic_cast<CCoveredItem*>(&item)) {
        changed = covered->RemoveOtherCovers() || changed;
    }
    if (changed) {
        (void)SafeFile::SyncFolder(folder);
    }
}

// Writes files and makes removals in the item's folder as one step (PutInPlace), then lists the covers again and,
// once the disk confirmed the step, tidies the folder.
Result<void> Replace(CItem& item, std::vector<std::pair<QString, QByteArray>> files, const CoverChanges& covers)
{
    const QString folder = item.Path();
    auto* covered = dynamic_cast<CCoveredItem*>(&item);
    QStringList removals;
    if (covered && !covers.IsEmpty()) {
        const auto plan = covered->PlanCovers(covers);
        if (!plan) {
            return plan.failure();
        }
        for (const auto& file : plan->written) {
            files.push_back(file);
        }
        removals = plan->removed;
    }
    const Result<void> saved =
        PutInPlace(folder, files, removals, QStringLiteral("the save of \"%1\"").arg(item.DisplayName()));
    if (covered && !covers.IsEmpty() && saved.Reached()) {
        covered->CoversSaved(covers, bool(saved));
    }
    if (saved) {
        TidyFolder(item, folder);
    } else if (saved.Reached()) {
        qCWarning(lcStore) << "saved the item" << item.strKey() << "in" << folder
                           << "but the disk did not confirm it:" << saved.why();
    } else {
        qCWarning(lcStore) << "cannot save the item" << item.strKey() << "in" << folder
                           << "- its old files stay:" << saved.why();
    }
    return saved;
}

} // namespace

Result<void> SaveItem(CItem& item, const QString& dbDir, const CoverChanges& covers)
{
    if (item.Path().isEmpty()) {
        const auto file = [](const CoverChange& change) {
            return change.action == CoverChange::Action::Replace ? change.file : QString();
        };
        return CreateItem(item, dbDir, NewCover{file(covers.front), {}, {}}, NewCover{file(covers.back), {}, {}},
                          false);
    }
    return Replace(item, Parts::RecordFiles(item), covers);
}

Result<void> ChangeCovers(CCoveredItem& item, const CoverChanges& covers)
{
    if (item.Path().isEmpty()) {
        return {};
    }
    return Replace(item, {}, covers);
}

} // namespace ItemStore
