#pragma once

// What the store's files share inside the library (ItemStore.h is what its callers see): the record format
// (ItemRecord.cpp), the scan of an item folder (ItemRead.cpp) and the live folders of the program's workers that the
// sweep leaves alone (ItemListing.cpp).

#include "CBox.h"
#include "CCategory.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"
#include "SafeFile.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <map>
#include <mutex>
#include <set>
#include <type_traits>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace ItemStore::Parts {

// The files of their own that a movie's text fields have, in field order ("Notes.txt", "Synopsis.txt").
inline constexpr auto kTextFiles = [] {
    std::array<const char*, 2> names{};
    size_t n = 0;
    for (const ItemField<CMovie>& field : CMovie::Fields()) {
        if (field.form == FieldForm::File) {
            if (n == names.size()) {
                throw "a movie has two text files";
            }
            names[n++] = field.key;
        }
    }
    return names;
}();

// The item as class T, const when it is.
template <class T, class Item> auto& As(Item& item)
{
    return static_cast<std::conditional_t<std::is_const_v<Item>, const T&, T&>>(item);
}

// Calls f with the item as its kind's class.
template <class Item, class F> decltype(auto) VisitKind(Item& item, F&& f)
{
    switch (item.Kind()) {
    case ItemKind::Category:
        return f(As<CCategory>(item));
    case ItemKind::Group:
        return f(As<CGroup>(item));
    case ItemKind::Box:
        return f(As<CBox>(item));
    case ItemKind::Media:
        return f(As<CMedia>(item));
    case ItemKind::Movie:
        break;
    }
    return f(As<CMovie>(item));
}

// The record format.
// The record files of the item, by name: "content.mdc", and a movie's text files.
std::vector<std::pair<QString, QByteArray>> RecordFiles(const CItem& item);
// The text of a movie's text file, once its started read is finished (file is the buffer it uses): split into lines
// as the record reader splits them, leading empty lines dropped, the others joined by CR LF. Empty when it cannot
// be read.
QString ReadTextFile(SafeFile::StartedRead& read, QByteArray& file);

// The scan of an item folder.
// What a listing of an item folder tells: the stray temporary files of an interrupted save, and the names under
// which the record and the movie text files lie (another system may have written them in another case).
struct FolderScan
{
    std::vector<QByteArray> temps;
    // The name of each text file (kTextFiles), its exact spelling first when several cases exist.
    std::array<QByteArray, kTextFiles.size()> texts;
    std::array<std::vector<QByteArray>, kTextFiles.size()> variants; // their other-case names
    std::vector<QByteArray> recordVariants;                          // other-case names of "content.mdc"
    bool record = false;                                             // "content.mdc" itself is listed
};
// Lists the open folder dirFd (which stays open), in one system call for a small folder and without a directory
// stream: a load lists every item folder.
FolderScan ScanFolder(int dirFd);
FolderScan ScanFolder(const QByteArray& folder);
// Removes the stray temporary files a scan found; true when any went.
bool RemoveTemps(const QByteArray& folder, const FolderScan& scan);

// The live folders.
// The temporary folders that a live worker of this program is building or taking apart (a staged item, a withdrawn
// one): the sweep leaves them alone. Known by device and inode, which a rename keeps, so no spelling of the store's
// path can hide one; by path too, to be let go once the folder is gone.
struct LiveFolders
{
    std::mutex mutex;
    std::set<std::pair<dev_t, ino_t>> ids;
    std::map<QByteArray, std::pair<dev_t, ino_t>> byPath;
};
LiveFolders& Live();
// Under Live().mutex: takes the folder at path as live.
void ClaimLocked(const QByteArray& path);
void Unclaim(const QString& path);

} // namespace ItemStore::Parts
