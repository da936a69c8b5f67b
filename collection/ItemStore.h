#pragma once

#include "CCoveredItem.h"
#include "CItem.h"
#include "SafeFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// The on-disk store: one folder per item under its kind folder, with the text record "content.mdc", for movies
// "Notes.txt" and "Synopsis.txt", and the cover files. Only the collections call these.
namespace StoreIntent {
class Intent;
}

namespace ItemStore {

// The name of an item's record file, for the system calls and as a string.
inline constexpr char kRecordName[] = "content.mdc";
inline const QString kRecord = QString::fromLatin1(kRecordName);

// Every kind, in the order the store makes and loads their folders.
inline constexpr ItemKind kKinds[] = {ItemKind::Category, ItemKind::Group, ItemKind::Box, ItemKind::Media,
                                      ItemKind::Movie};
// The kind's folder under the store: "Categories", "Groups", "Boxes", "Medias" or "Movies".
QString KindFolder(ItemKind kind);
// A new, empty item of the kind.
std::shared_ptr<CItem> NewItem(ItemKind kind);

// Every entry of a folder but ".", ".." and the temporary files and folders an interrupted save or delete left
// (SafeFile::IsTempName), files and folders alike, in name order; nothing when the folder cannot be listed. Names that
// are not UTF-8 keep their bytes (SafeFile::Decode).
std::optional<QStringList> ListEntries(const QString& folder);
// The number of entries ListEntries gives; 0 when the folder cannot be listed.
int CountEntries(const QString& folder);

// The text of "content.mdc" for the item.
QString RecordText(const CItem& item);
// Applies the lines of a record, its 8-bit text as it lies on disk, to a new item (the id through its once-only
// setter).
void ApplyRecordBytes(CItem& item, QByteArrayView text);

// The item stored in folderPath, or null when its record cannot be read or holds no usable id. Stray temporary files
// in the folder are removed first; notes and synopsis are found without regard to case.
std::shared_ptr<CItem> ReadItem(ItemKind kind, const QString& folderPath);
// ReadItem in two steps: the constructor opens the folder, clears its temporary files and starts the reads of its
// record files without waiting for the disk; Finish waits for them and gives what ReadItem gives. Several items
// started before the first is finished keep many disk reads in flight from one thread. Finish once.
class ItemRead
{
public:
    ItemRead(ItemKind kind, const QString& folderPath);
    ItemRead(ItemRead&& other) noexcept;
    ItemRead& operator=(ItemRead&&) = delete;
    ItemRead(const ItemRead&) = delete;
    ItemRead& operator=(const ItemRead&) = delete;
    ~ItemRead();

    // Null for a folder without an item: it is named in the log (once) and left on disk as it is.
    std::shared_ptr<CItem> Finish();
    // Whether the entry is a folder at all (a stray file or a vanished entry is no item folder).
    bool IsFolder() const { return m_dirFd >= 0 || (m_openError != ENOTDIR && m_openError != ENOENT); }

private:
    ItemKind m_kind;
    QString m_path;
    int m_dirFd = -1;
    int m_openError = 0;
    SafeFile::StartedRead m_record;
    // A movie's text files: its notes and its synopsis.
    std::array<SafeFile::StartedRead, 2> m_texts;
    std::array<bool, 2> m_hasText{};
};
// Creates the item (empty Path) whole: its folder is made under a temporary name in dbDir/<kind folder>/, its record
// files and its covers (copies of frontCover and backCover, when given, for the kinds that have covers) are written
// into it, and it is renamed to its name: MakeSafeName of the sort key (else of the name; always of the name with
// byName, as for an item added to its collection, which names its folder as it was named when made) and the id, the
// first variant that is free; nothing is ever replaced. Outside a batch every file and the folder are synced before the
// rename and the kind folder after it; in a batch, the batch's Commit syncs. Sets Path. On a failure nothing of the
// item is left on disk, and the failure names the folder or file and the reason.
Result<void> CreateItem(CItem& item, const QString& dbDir, const QString& frontCover = {},
                        const QString& backCover = {}, bool byName = false);
// A cover of a new item: a copy of the file, or, when ext is set, these bytes stored under that extension (a side with
// neither gets no cover).
struct NewCover
{
    QString file;
    QByteArray bytes;
    QString ext;
};
Result<void> CreateItem(CItem& item, const QString& dbDir, const NewCover& front, const NewCover& back, bool byName);
// CreateItem in two steps, for many items made off the window's thread and put in place together. StageItem writes
// the item (its id set, empty Path) whole into a new folder under a temporary name in dbDir/<kind folder>/: the
// folder's path, or a failure when anything could not be written (then nothing of it is left). Such a
// folder is live: the sweep (RemoveDebris) leaves it alone until PlaceStaged, RemoveStaged or LeaveStaged; one that a
// killed program left is debris. PlaceStaged renames it to the first free variant of the item's folder name and sets
// Path; on a failure the folder is removed. Neither syncs the kind folder (the open batch does).
Result<QString> StageItem(const CItem& item, const QString& dbDir, const NewCover& front, const NewCover& back,
                          bool byName);
Result<void> PlaceStaged(CItem& item, const QString& temp, const QString& dbDir, bool byName);
// The folder PlaceStaged would put the item in now: the first variant of its name that is free on disk and not among
// taken (names, case-folded, planned for other items of one command), which it joins; empty when none is.
QString FreeFolder(const CItem& item, const QString& dbDir, bool byName, std::set<QString>& taken);
// Removes a live temporary folder (StageItem's or WithdrawFolder's) with what it holds; what cannot be removed is left
// to the next sweep. True when it is gone.
bool RemoveStaged(const QString& temp);
// Gives a live temporary folder up as it is, for the next sweep.
void LeaveStaged(const QString& temp);
// Moves an item folder out of the store in one step, under a temporary name in its kind folder: that path, live until
// RemoveStaged or LeaveStaged, or empty when it could not be moved. The kind folder is not synced.
QString WithdrawFolder(const QString& folder);
// A free temporary name beside folder, of the writer's pattern; empty when none could be found.
QString TrashName(const QString& folder);
// What WithdrawFolders moved out: the temporary paths of the first folders, in order (all of them, or those before
// the one that failed), each live until RemoveStaged or LeaveStaged.
struct Withdrawal
{
    QStringList trash;
    ::Failure failure; // why the folder after the last one moved stayed
};
// Moves many item folders out of the store together (a container with what it holds, contents first): one record
// of the command (StoreIntent) names every move before the first, so after a kill or a power cut the next start
// finishes it and all of them are gone, or none when the record had not been written; each kind folder is synced once.
// A move that fails stops there: the folders before it are out (and stay out), the others stay. progress hears the
// number of folders moved now and then.
// With replacing, that record (a command whose steps stopped half-way) is replaced whole by this one, so a start
// never finishes the one after the other began.
Withdrawal WithdrawFolders(const QString& dbDir, const QString& what, const QStringList& folders,
                           const std::function<void(int done)>& progress = {},
                           StoreIntent::Intent* replacing = nullptr);
// Writes the item's record files and makes the cover changes (boxes, media, movies) as one step; the first save (empty
// Path) is CreateItem with the covers picked. Whole across a kill or a power cut: afterwards, once the next start has
// carried out the store's intent records, the folder holds the old files or the new ones, never a mix (see
// PutInPlace). A failure says what it reached: nothing replaced (the old files stand), or replaced but not confirmed
// by the disk (Result::Unconfirmed: the new files stand, or a later save or the next start finishes putting them in
// place). A confirmed save then removes stray temporary files, other-case
// copies of the files it wrote that are really other files, and cover files of a side other than the one the item
// names.
Result<void> SaveItem(CItem& item, const QString& dbDir, const CoverChanges& covers = {});
// The cover changes alone, as SaveItem makes them; nothing for an item without a folder.
Result<void> ChangeCovers(CCoveredItem& item, const CoverChanges& covers);
// Replaces files (name, bytes) in folder and removes the cover files `removals` names, as one step: each new file is
// staged under a temporary name and synced, a store intent record of the renames and removals is written and synced
// (StoreIntent, saying `what` when the next start has to finish it), they are made, the folder is synced and the
// record removed. The record of an earlier save of the folder whose steps failed is carried out first. One file
// replaced, or one removed, is one system call and needs no record.
Result<void> PutInPlace(const QString& folder, const std::vector<std::pair<QString, QByteArray>>& files,
                        const QStringList& removals, const QString& what);
// Deletes the item's folder with everything in it; true when it is gone (or Path is empty). On false the folder is
// back where it was with its record, so the item can stay; a folder that cannot be reached (gone with its disk) is
// false too.
bool DeleteItemFolder(const CItem& item);

// Clears what interrupted work left in a kind folder, before it is listed: entries of the writer's temporary pattern
// (files, and folders with what they hold) but the live folders of this program's workers, and item folders without
// a record that hold nothing but such temporary files, or nothing at all. A folder that holds anything else (notes,
// synopsis, covers, an empty record, files the program does not know) may hold the only copy of the user's work: it
// stays, and the load leaves it out and names it (ItemRead). How many entries went; the kind folder is synced when
// any did.
int RemoveDebris(const QString& kindFolder);

} // namespace ItemStore
