#pragma once

#include "CItemList.h"
#include "ItemStore.h"
#include "SafeFile.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QThread;
namespace StoreIntent {
class Intent;
}

// New items made together off the thread that owns their lists (a large import), so that the lists stay that
// thread's alone and a stop at any moment leaves the collection as it was.
//
// Made on the owning thread: the new ids follow each list's highest id, taken then, with the list's kind and store
// folder; no pointer to a list is kept, so the owning thread may replace or free its lists meanwhile. Then on one
// worker thread: Stage writes each item whole into a folder under a temporary name (live until it is put in place
// or removed, then debris if the program dies), in one batch; PutInPlace syncs what was staged, renames it into place
// in the order staged (containers before their contents), under the folder names that making them one by one gives,
// and syncs the renames. Last, on the owning thread, Place puts the items in the lists current then, as
// CItemList::AddNew would have, one after another. Discard (on the worker) takes everything away again; so does the
// end of an object whose items were not put in place, on the thread that staged them.
class StagedItems
{
public:
    explicit StagedItems(const std::vector<CItemList*>& lists);
    ~StagedItems();
    StagedItems(const StagedItems&) = delete;
    StagedItems& operator=(const StagedItems&) = delete;

    // Writes the whole item (made by ItemStore::NewItem for kind, every field and its parent set, no id and no Path)
    // under a temporary folder name, with the next id of its kind. Its key, or why it could not be written: nothing
    // of it is left then.
    Result<QString> Stage(ItemKind kind, const std::shared_ptr<CItem>& item, const ItemStore::NewCover& front,
                          const ItemStore::NewCover& back);
    // Syncs everything staged, writes a record of the command (StoreIntent; what: what the next start says it
    // finished), renames every staged folder into place and syncs the renames: a kill or power cut at any moment
    // leaves all of the items in place (the next start finishes the record) or none. Checks stop until the record is
    // written: once it is set, or when anything fails, what was put in place is moved out again, together, and the
    // result is a failure (its why empty for a stop). The items then belong to the owning thread.
    Result<void> PutInPlace(const std::atomic<bool>* stop, const QString& what);
    // The items are in place but a sync after the renames failed: the disk did not confirm them.
    bool Unconfirmed() const { return m_unconfirmed; }
    // Removes every folder staged or put in place (those in place moved out first, the last first), on the thread
    // that staged. Gives up early once abandon is set: what stays is debris the next load sweeps. The number of items
    // that could not be moved out and stay in the store (never in their lists).
    int Discard(const std::atomic<bool>* abandon = nullptr);
    // The first step of Discard alone: what is in place is moved out again, together, to temporary names (quick:
    // renames); the number of items that could not be and stay in the store. Discard then removes the rest.
    int TakeOut();
    // On the owning thread, after PutInPlace returned true: the items join the lists of their kinds among lists, in
    // the order staged; their keys. Those must be the lists the ids were taken from (the same store folder and
    // highest id as when this object was made): otherwise none joins and the result is empty, the items staying in
    // the store for the next load.
    std::optional<QStringList> Place(const std::vector<CItemList*>& lists);

    int Count() const { return int(m_items.size()); }

private:
    struct List
    {
        ItemKind kind;
        QString dbDir;
        int firstId; // the list's highest id when this object was made
        int lastId;
    };
    struct Entry
    {
        ItemKind kind;
        std::shared_ptr<CItem> item;
        QString temp; // empty while in place
    };
    List* ListOf(ItemKind kind);
    // Moves what is in place out again, together (replacing record, the command's own, when given).
    void Withdraw(StoreIntent::Intent* record = nullptr);

    std::vector<List> m_lists;
    std::vector<Entry> m_items;
    size_t m_inPlace = 0;
    int m_left = 0; // items that could not be moved out again
    std::optional<SafeFile::Batch> m_batch;
    QThread* m_home;
    bool m_placed = false;
    bool m_unconfirmed = false;
    bool m_discarded = false; // once: what an abandoned discard left is the next load's
};
