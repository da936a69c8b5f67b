#pragma once

#include "CItemList.h"
#include "SafeFile.h"
#include "StagedItems.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

// Items made together (an import, a box set or medium with its contents): each one written whole by its collection,
// the store synced once at the end, and when anything could not be written every item made so far removed again,
// the last made first, so contents go before their container. Until Commit has returned true nothing may be
// reported as saved; an uncommitted creation undoes itself when it ends.
//
// A staged creation (made with the lists it adds to) writes its items on one worker thread instead, none of them in
// place (see StagedItems): made on the thread that owns the lists, Add by kind is called on the worker, then
// PutInPlace there; Place, on the owning thread, puts the items in the loaded lists and ends the creation. Until then
// Undo, on the worker, removes everything written. The worker never touches a list. Commit does both steps, for a
// creation used on one thread.
class ItemCreation
{
public:
    ItemCreation();
    // what: what the next start says it finished when a kill or a power cut interrupted the items going in place, %1
    // standing for their number ("an import of %1 items").
    ItemCreation(const std::vector<CItemList*>& stagedLists, const QString& what);
    ~ItemCreation();
    ItemCreation(const ItemCreation&) = delete;
    ItemCreation& operator=(const ItemCreation&) = delete;

    // Adds the whole item to list (see CItemList::AddNew); its key, or empty after the first failure, which is kept
    // in Error(). Once one add failed, later ones are not tried.
    QString Add(CItemList& list, const std::shared_ptr<CItem>& item, const CItemList::NewCovers& covers = {});
    QString Add(CItemList& list, const std::shared_ptr<CItem>& item, const CItemList::NewCoverBytes& covers);
    // The same by kind: staged for that kind, or added to the loaded collection of the kind (Collections::List).
    QString Add(ItemKind kind, const std::shared_ptr<CItem>& item, const CItemList::NewCoverBytes& covers);
    // A step of the creation outside the collections (a file the items need) failed: nothing more is added.
    void Fail(const QString& why);
    // An item made before the creation (a box saved by its editor) that belongs to it: undone with it, last.
    void Adopt(CItemList& list, const QString& strKey);

    // Syncs what was written. True when everything is on disk; otherwise everything made is removed (Undo) and the
    // result is false.
    bool Commit();
    // Removes every item made or adopted, the last first; the number that could not be removed and stay. A staged
    // creation gives up early once abandon is set, leaving debris the next load sweeps.
    int Undo(const std::atomic<bool>* abandon = nullptr);
    // A staged creation, on its worker: Undo's first step, what is in place moved out again at once; the number of
    // items that could not be and stay in the store. Undo then removes what was written.
    int TakeOut();

    // A staged creation, on its worker: puts every item written in place and syncs them, all of them or none also
    // across a kill or a power cut (see StagedItems). Checks stop until the items' record is written; once it is
    // set, or when anything failed, what was put in place is moved out again and the result is false (Error() then
    // says what failed, or "cancelled").
    bool PutInPlace(const std::atomic<bool>* stop = nullptr);
    // A staged creation, on the owning thread, after PutInPlace returned true: the items join the loaded lists of
    // their kinds and the creation is committed. False when those are not the lists the ids were taken from (see
    // StagedItems::Place): the items are in the store then, but in no list.
    bool Place();

    bool Failed() const { return !m_error.isEmpty(); }
    // What could not be written (the folder or file, and why); empty while nothing failed.
    QString Error() const { return m_error; }
    // Items made or adopted that are in the collection now.
    int Kept() const { return int(m_made.size()) + m_stagedLeft; }
    // The items a staged creation wrote.
    int Staged() const { return m_staged ? m_staged->Count() : 0; }
    QStringList KeptKeys() const;

private:
    template <class Covers>
    QString AddWith(CItemList* list, ItemKind kind, const std::shared_ptr<CItem>& item, const Covers& covers);
    struct Made
    {
        CItemList* list;
        QString key;
    };
    std::unique_ptr<StagedItems> m_staged;
    QString m_what;
    int m_stagedLeft = 0; // staged items that could not be moved out again
    std::optional<SafeFile::Batch> m_batch;
    std::vector<Made> m_made; // in the order made, adopted items first; a staged creation's once placed
    QString m_error;
    bool m_committed = false;
};
