#include "StagedItems.h"

#include "StoreIntent.h"
#include "StoreLog.h"

#include <QThread>

#include <climits>
#include <set>

#include <sys/stat.h>

StagedItems::StagedItems(const std::vector<CItemList*>& lists) : m_home(QThread::currentThread())
{
    for (CItemList* list : lists) {
        if (list) {
            const int highest = list->HighestId();
            m_lists.push_back({list->Kind(), list->DBDir(), highest, highest});
        }
    }
}

StagedItems::~StagedItems()
{
    if (!m_placed && !m_discarded) {
        Discard();
    }
}

StagedItems::List* StagedItems::ListOf(ItemKind kind)
{
    for (List& entry : m_lists) {
        if (entry.kind == kind) {
            return &entry;
        }
    }
    return nullptr;
}

Result<QString> StagedItems::Stage(ItemKind kind, const std::shared_ptr<CItem>& item, const ItemStore::NewCover& front,
                                   const ItemStore::NewCover& back)
{
    const auto refuse = [&](const QString& why) {
        qCWarning(lcStore) << "cannot add" << (item ? item->DisplayName() : QString()) << "to"
                           << ItemStore::KindFolder(kind) << "-" << why;
        return Result<QString>(Failure{why, 0, {}});
    };
    List* target = ListOf(kind);
    if (!target || !item || item->Kind() != kind || !item->blFirstID() || !item->Path().isEmpty() || m_placed ||
        m_inPlace > 0) {
        return refuse(QStringLiteral("it is no new item of this kind"));
    }
    if (target->lastId == INT_MAX) {
        return refuse(QStringLiteral("no ID is left in %1").arg(ItemStore::KindFolder(kind)));
    }
    item->setLngID(target->lastId + 1);
    if (!m_batch) {
        // Every file staged is new: one sync of the store before they go in place instead of one per file and folder.
        m_batch.emplace();
    }
    // Named as an item added to its collection is (see CItemList::AddNew).
    const Result<QString> temp = ItemStore::StageItem(*item, target->dbDir, front, back, true);
    if (!temp) {
        return temp;
    }
    ++target->lastId;
    m_items.push_back({kind, item, *temp});
    return item->strKey();
}

Result<void> StagedItems::PutInPlace(const std::atomic<bool>* stop, const QString& what)
{
    const auto fail = [&](const QString& why, StoreIntent::Intent* record = nullptr) {
        if (m_batch) {
            m_batch->Drop(); // the withdrawal is synced instead
            m_batch.reset();
        }
        Withdraw(record);
        return Result<void>(Failure{why, 0, {}});
    };
    if (stop && stop->load()) {
        return fail({});
    }
    // What was staged is on disk, files and folders, before the record that puts it in place is written.
    if (m_batch) {
        const auto staged = m_batch->Commit();
        m_batch.reset();
        if (!staged) {
            qCWarning(lcStore) << "the new items could not be synced; they are removed again";
            return fail(QStringLiteral("the collection folder could not be synced to disk"));
        }
    }
    if (m_items.empty()) {
        return {};
    }
    // Every folder name is chosen before the record names it; no other command of this program changes the store
    // meanwhile.
    StoreIntent::Intent intent(m_lists.front().dbDir, what, Count());
    std::set<QString> taken;
    std::vector<QString> folders;
    for (const Entry& entry : m_items) {
        const QString folder = ItemStore::FreeFolder(*entry.item, ListOf(entry.kind)->dbDir, true, taken);
        if (folder.isEmpty()) {
            return fail(QStringLiteral("no free folder name for %1 in %2")
                            .arg(entry.item->DisplayName(), ItemStore::KindFolder(entry.kind)));
        }
        folders.push_back(folder);
        intent.Place(entry.temp, folder);
    }
    if (stop && stop->load()) {
        return fail({});
    }
    if (const Result<> recorded = intent.Record(); !recorded) {
        return fail(QStringLiteral("the record of the new items could not be written: %1").arg(recorded.why()));
    }
    // From here the items land whole: the next start would finish what a kill or a power cut interrupted, so a stop
    // no longer holds them up (the caller takes them away again afterwards).
    const Result<> carried = intent.Carry();
    // The placed ones are those before the step that failed, in order.
    struct stat st;
    for (; m_inPlace < m_items.size(); ++m_inPlace) {
        Entry& entry = m_items[m_inPlace];
        if (!carried.Reached() && ::lstat(SafeFile::Encode(entry.temp).constData(), &st) == 0) {
            break;
        }
        ItemStore::LeaveStaged(entry.temp); // in place: an item folder with its record, which no sweep takes
        entry.item->setPath(folders[m_inPlace]);
        entry.temp.clear();
    }
    if (!carried.Reached()) {
        return fail(QStringLiteral("cannot put %1 in place: %2").arg(carried.failure().path, carried.why()), &intent);
    }
    if (carried.Unconfirmed()) {
        m_unconfirmed = true;
        qCWarning(lcStore) << "the new items are in place, but the disk did not confirm it:" << carried.why();
    }
    for (const Entry& entry : m_items) {
        if (entry.item->thread() != m_home) {
            entry.item->moveToThread(m_home); // only the thread that made it may hand it on
        }
    }
    return {};
}

void StagedItems::Withdraw(StoreIntent::Intent* record)
{
    if (m_inPlace == 0) {
        if (record) {
            (void)record->Drop();
        }
        return;
    }
    // Contents before their container, all of them out together or none.
    QStringList folders;
    for (size_t i = m_inPlace; i > 0; --i) {
        folders << m_items[i - 1].item->Path();
    }
    const ItemStore::Withdrawal withdrawn = ItemStore::WithdrawFolders(
        m_lists.front().dbDir, QStringLiteral("the removal of %1 new items").arg(folders.size()), folders, {}, record);
    for (qsizetype i = 0; i < withdrawn.trash.size(); ++i) {
        Entry& entry = m_items[--m_inPlace];
        entry.item->setPath(QString());
        entry.temp = withdrawn.trash.at(i);
    }
    if (m_inPlace > 0) {
        qCWarning(lcStore) << m_inPlace << "new items could not be removed again:" << withdrawn.failure.why;
        m_left += int(m_inPlace);
        // What stays is in the store; it is no longer this object's to remove.
        m_items.erase(m_items.begin(), m_items.begin() + qsizetype(m_inPlace));
        m_inPlace = 0;
    }
}

int StagedItems::TakeOut()
{
    if (!m_placed && !m_discarded) {
        Withdraw();
    }
    return m_left;
}

int StagedItems::Discard(const std::atomic<bool>* abandon)
{
    if (m_placed || m_discarded) {
        return m_left;
    }
    m_discarded = true;
    if (m_batch) {
        // Nothing staged is kept: its files need not reach the disk.
        m_batch->Drop();
        m_batch.reset();
    }
    Withdraw();
    // The last made first, so a folder left by a give-up is never a container whose contents went.
    while (!m_items.empty() && !(abandon && abandon->load())) {
        const Entry& entry = m_items.back();
        if (!entry.temp.isEmpty()) {
            ItemStore::RemoveStaged(entry.temp);
        }
        m_items.pop_back();
    }
    // What a give-up leaves is debris for the next load.
    for (const Entry& entry : m_items) {
        if (!entry.temp.isEmpty()) {
            ItemStore::LeaveStaged(entry.temp);
        }
    }
    m_items.clear();
    return m_left;
}

std::optional<QStringList> StagedItems::Place(const std::vector<CItemList*>& lists)
{
    if (m_placed || m_discarded || m_inPlace != m_items.size() || m_batch) {
        return std::nullopt;
    }
    m_placed = true; // in place on disk, whatever comes of the lists
    const auto current = [&lists](ItemKind kind) -> CItemList* {
        for (CItemList* list : lists) {
            if (list && list->Kind() == kind) {
                return list;
            }
        }
        return nullptr;
    };
    // The ids were taken from the lists as they were; lists replaced or changed since could hold them already.
    for (const List& list : m_lists) {
        const CItemList* target = current(list.kind);
        if (list.lastId != list.firstId &&
            (!target || target->DBDir() != list.dbDir || target->HighestId() != list.firstId)) {
            qCWarning(lcStore) << "the new items join no list: the" << ItemStore::KindFolder(list.kind)
                               << "in memory are not those their ids were taken from; the next load shows them";
            return std::nullopt;
        }
    }
    QStringList keys;
    for (const Entry& entry : m_items) {
        current(entry.kind)->PlaceNew(entry.item);
        keys << entry.item->strKey();
    }
    return keys;
}
