#pragma once

#include "CCoveredItem.h"
#include "CItem.h"
#include "ItemOrder.h"
#include "Result.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThread>

#include <memory>
#include <vector>

namespace ItemStore {
struct NewCover;
}

// The keyed, sorted list of the items of one kind, shared by the five collections. Items are kept in the order the
// placement rule gives: before the first entry whose sort key is greater (ordinal comparison), so equal keys keep
// their order of arrival. Add, Update and Remove keep memory and store in step.
class CItemList
{
public:
    virtual ~CItemList();
    CItemList(const CItemList&) = delete;
    CItemList& operator=(const CItemList&) = delete;

    ItemKind Kind() const { return m_kind; }

    // The progress bar that LoadData advances by one per entry: any object with a numeric "Value" property (the
    // name matched without regard to case, so a QProgressBar serves). Null releases it.
    QObject* PGB() const { return m_PGB.data(); }
    void setPGB(QObject* pgb);

    QString DBDir() const { return m_DBDir; }
    // Keeps the database folder and creates it and this kind's folder when they are missing.
    void setDBDir(const QString& dbDir);

    // The cover files a new item is created with; an empty path gives that side no cover.
    struct NewCovers
    {
        QString front;
        QString back;
    };
    // The covers of a new item as their bytes, each stored under its extension; a side without one gets no cover.
    struct NewCoverBytes
    {
        QByteArray front;
        QString frontExt;
        QByteArray back;
        QString backExt;
    };
    // Creates a whole new item: `item` (made by ItemStore::NewItem for this kind, every field and its parent set, no
    // id and no Path) gets the next id, its folder, complete record and covers are written, and it is placed. Its
    // key, or why it could not be written (naming the folder or file): then nothing of it is kept, on disk or in the
    // list. The folder is built under a temporary name and renamed into place, so a kill or power cut leaves the item
    // whole or absent (see ItemStore::CreateItem). An item that has an id or a Path already is refused; one refused
    // or failed once is not offered again.
    Result<QString> AddNew(const std::shared_ptr<CItem>& item, const NewCovers& covers = {});
    Result<QString> AddNew(const std::shared_ptr<CItem>& item, const NewCoverBytes& covers);
    // AddNew for an item holding only the given name.
    QString Add(const QString& strName);
    // Deletes the item with that key: its folder and files, and its entry. An absent key does nothing (true). When
    // the folder cannot be deleted, or cannot be reached (the store's disk gone), the item keeps its entry and its
    // folder, and the result is false.
    bool Remove(const QString& strKey);
    // Takes the entry of an item whose folder has left the store already (many items deleted together, see
    // ItemStore::WithdrawFolders) out of the list; no file is touched.
    void DropEntry(const QString& strKey);
    int Count() const { return int(m_order.Count()); }
    // Empties the list in memory; no file is touched.
    void Clear();
    // Reads every item folder of the kind into the list, without emptying it first; keys already held are skipped.
    // Several folders are read at once; what is placed, and in which order, is what reading them one by one in
    // listing order gives. The items belong to the calling thread, or to the one setItemThread named.
    void LoadData();
    // How many folders of the kind the last LoadData left out: no readable record, no usable id, or a key held
    // already. Each is named in the log (vidsora.store) and left on disk as it is.
    int LeftOut() const { return m_leftOut; }
    // The thread that items LoadData reads will belong to; null: the thread that calls LoadData.
    void setItemThread(QThread* thread) { m_itemThread = thread; }
    // Rewrites the record files of the item with that key and makes the cover changes (boxes, media, movies), as one
    // step that a kill or power cut cannot split (ItemStore::SaveItem). An absent key does nothing. A failure says
    // whether the new files stand all the same, not confirmed by the disk (Result::Reached).
    Result<void> Save(const QString& strKey, const CoverChanges& covers = {});
    // Save without cover changes; true when the record files are written, confirmed by the disk or not: a caller that
    // can only tell written from not keeps the item in memory as the disk holds it.
    bool Update(const QString& strKey);

protected:
    explicit CItemList(ItemKind kind);

    std::shared_ptr<CItem> ItemByKey(const QString& strKey) const;
    // 1 is the first entry in order.
    std::shared_ptr<CItem> ItemAt(qsizetype position) const;
    const std::vector<std::shared_ptr<CItem>>& Entries() const { return m_order.Items(); }

private:
    friend class StagedItems;

    Result<QString> AddNew(const std::shared_ptr<CItem>& item, const ItemStore::NewCover& front,
                           const ItemStore::NewCover& back);
    std::vector<std::shared_ptr<CItem>> ReadListed(const QString& folder, const QStringList& names);
    void PlaceOne(const std::shared_ptr<CItem>& item);
    // Places an item just created (whole on disk, its id the next one) where AddNew puts it.
    void PlaceNew(const std::shared_ptr<CItem>& item);
    void PlaceBatch(std::vector<std::shared_ptr<CItem>>& batch);
    int HighestId() const;
    void StepProgress();

    ItemKind m_kind;
    QString m_DBDir;
    QPointer<QObject> m_PGB;
    int m_PGBValue = -1;
    int m_leftOut = 0;
    QPointer<QThread> m_itemThread;
    ItemOrder m_order;
    QHash<QString, std::shared_ptr<CItem>> m_byKey;
    mutable int m_highestId = 0;
    mutable bool m_highestIdValid = true;
};
