#pragma once

#include "core/mGlobals.h"

#include "CItem.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CBoxes;
class CCategories;
class CItemList;
class CGroups;
class CMedias;
class CMovies;
class QObject;
class QThread;

// One face over the five collections in the globals, so that no caller has to pick a collection by a key's letter.
namespace Collections {

// Calls visit with the global collection of kind as its own class (a std::shared_ptr to CCategories, CGroups,
// CBoxes, CMedias or CMovies, null when it is not loaded) and gives back what visit does.
template <class Visitor> decltype(auto) Visit(ItemKind kind, Visitor&& visit)
{
    switch (kind) {
    case ItemKind::Category:
        return visit(gCategories);
    case ItemKind::Group:
        return visit(gGroups);
    case ItemKind::Box:
        return visit(gBoxes);
    case ItemKind::Media:
        return visit(gMedias);
    case ItemKind::Movie:
        break;
    }
    return visit(gMovies);
}

// The loaded collection of a kind, or null when there is none.
CItemList* List(ItemKind kind);
// The item of any kind by its key ("C", "S", "B", "E" or "M" and the id), or null when it is not loaded.
std::shared_ptr<CItem> Item(const QString& key);
// The item of key when it is of class T (CBox, CMovie, ...), else null.
template <class T> std::shared_ptr<T> ItemAs(const QString& key)
{
    std::shared_ptr<CItem> item = Item(key);
    return item && item->Kind() == T::kKind ? std::static_pointer_cast<T>(std::move(item)) : nullptr;
}
// The name the item is known by (a movie's bare title), or empty when the item is not loaded.
QString ItemName(const QString& key);
// The key of the parent of a group, box, medium or movie ("!0" for the root); empty for a category, the root, any
// other key and an item that is not loaded.
QString ParentKey(const QString& key);
// The boxes, media and movies directly under the root, a category, a group, a box or a medium, in the order of the
// child lists (as current as the last BuildChildLists).
QStringList Children(const QString& key);

// The number of entries a full load steps the progress target through; 0 when the sum would overflow an int.
int EntryCount(const QString& dbDir);
// The five collections of one load.
struct Loaded
{
    std::shared_ptr<CCategories> categories;
    std::shared_ptr<CGroups> groups;
    std::shared_ptr<CBoxes> boxes;
    std::shared_ptr<CMedias> medias;
    std::shared_ptr<CMovies> movies;
    // The folders the load left out, holding no item it could load (CItemList::LeftOut): named in the log, untouched.
    int leftOut = 0;
};
// Loads fresh collections from dbDir, categories first and movies last, and leaves the five in the globals alone.
// The progress target (any object with a numeric "Value" property, or null) is advanced by one per entry. The items
// belong to itemThread, or to the calling thread when it is null. stillWanted, when given, is asked before each
// kind; once it answers false the load stops there and the result is empty (what was read is dropped).
std::optional<Loaded> Load(const QString& dbDir, QObject* progress, QThread* itemThread = nullptr,
                           const std::function<bool()>& stillWanted = {});
// Makes the loaded collections the five in the globals; the ones held before are released.
void Install(Loaded loaded);
// Replaces the five collections with fresh ones loaded from dbDir (Load, then Install); how many folders it left out.
int LoadAll(const QString& dbDir, QObject* progress, QThread* itemThread = nullptr);
// What the user is told once after a start or a reload that left folders out; empty when none was.
QString LeftOutMessage(const QString& dbDir, int leftOut);

} // namespace Collections
