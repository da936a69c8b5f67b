#include "StagedItems.h"

#include "StoreLog.h"

#include <QThread>

#include <climits>

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

Result<void> StagedItems::PutInPlace(const std::atomic<bool>* stop)
{
    const auto fail = [&](const QString& why) {
        if (m_batch) {
            m_batch->Drop(); // the withdrawal is synced instead
            m_batch.reset();
        }
        Withdraw();
        return Result<void>(Failure{why, 0, {}});
    };
    const auto unsynced = [&] {
        qCWarning(lcStore) << "the new items could not be synced; they are removed again";
        return fail(QStringLiteral("the collection folder could not be synced to disk"));
    };
    if (stop && stop->load()) {
        return fail({});
    }
    // What was staged is on disk, files and folders, before the first of them is in place: a power cut then leaves
    // whole items in place, never a folder whose record had not reached the disk.
    if (m_batch) {
        const auto staged = m_batch->Commit();
        m_batch.reset();
        if (!staged) {
            return unsynced();
        }
    }
    m_batch.emplace();
    for (; m_inPlace < m_items.size(); ++m_inPlace) {
        if (stop && stop->load()) {
            return fail({});
        }
        Entry& entry = m_items[m_inPlace];
        if (const auto placed = ItemStore::PlaceStaged(*entry.item, entry.temp, ListOf(entry.kind)->dbDir, true);
            !placed) {
            m_items.erase(m_items.begin() + qsizetype(m_inPlace)); // PlaceStaged removed its folder
            return fail(placed.why());
        }
        entry.temp.clear();
    }
    // The renames, one sync of each file system for all of them.
    for (const List& list : m_lists) {
        (void)SafeFile::SyncFolder(list.dbDir + u'/' + ItemStore::KindFolder(list.kind));
    }
    const auto synced = m_batch->Commit();
    m_batch.reset();
    if (!synced) {
        return unsynced();
    }
    for (const Entry& entry : m_items) {
        if (entry.item->thread() != m_home) {
            entry.item->moveToThread(m_home); // only the thread that made it may hand it on
        }
    }
    return {};
}

void StagedItems::Withdraw()
{
    bool moved = false;
    while (m_inPlace > 0) {
        Entry& entry = m_items[--m_inPlace];
        const QString trash = ItemStore::WithdrawFolder(entry.item->Path());
        if (trash.isEmpty()) {
            qCWarning(lcStore) << "a new item could not be removed again:" << entry.item->Path();
            ++m_left;
            continue;
        }
        entry.item->setPath(QString());
        entry.temp = trash;
        moved = true;
    }
    if (moved) {
        for (const List& list : m_lists) {
            (void)SafeFile::SyncFolder(list.dbDir + u'/' + ItemStore::KindFolder(list.kind));
        }
    }
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
