#pragma once

#include "CItemList.h"
#include "SafeFile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// Items made together (an import, a box set or medium with its contents): each one written whole by its collection,
// the store synced once at the end, and when anything could not be written every item made so far removed again,
// the last made first, so contents go before their container. Until Commit has returned true nothing may be
// reported as saved; an uncommitted creation undoes itself when it ends.
class ItemCreation
{
public:
    ItemCreation();
    ~ItemCreation();
    ItemCreation(const ItemCreation&) = delete;
    ItemCreation& operator=(const ItemCreation&) = delete;

    // Adds the whole item to list (see CItemList::AddNew); its key, or empty after the first failure, which is kept
    // in Error(). Once one add failed, later ones are not tried.
    QString Add(CItemList& list, const std::shared_ptr<CItem>& item, const CItemList::NewCovers& covers = {});
    QString Add(CItemList& list, const std::shared_ptr<CItem>& item, const CItemList::NewCoverBytes& covers);
    // A step of the creation outside the collections (a file the items need) failed: nothing more is added.
    void Fail(const QString& why);
    // An item made before the creation (a box saved by its editor) that belongs to it: undone with it, last.
    void Adopt(CItemList& list, const QString& strKey);

    // Syncs what was written. True when everything is on disk; otherwise everything made is removed (Undo) and the
    // result is false.
    bool Commit();
    // Removes every item made or adopted, the last first; the number that could not be removed and stay.
    int Undo();

    bool Failed() const { return !m_error.isEmpty(); }
    // What could not be written (the folder or file, and why); empty while nothing failed.
    QString Error() const { return m_error; }
    // Items made or adopted that are in the collection now.
    int Kept() const { return int(m_made.size()); }
    QStringList KeptKeys() const;

private:
    template <class Covers> QString AddWith(CItemList& list, const std::shared_ptr<CItem>& item, const Covers& covers);
    struct Made
    {
        CItemList* list;
        QString key;
    };
    std::optional<SafeFile::Batch> m_batch;
    std::vector<Made> m_made; // in the order made, adopted items first
    QString m_error;
    bool m_committed = false;
};
