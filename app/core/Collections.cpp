#include "core/Collections.h"

#include "core/mGeneral.h"
#include "core/mGlobals.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "CVidsora.h"

#include <limits>

namespace {

QChar KeyLetter(const QString& key)
{
    return key.isEmpty() ? QChar() : key.at(0);
}

template <class Collection>
std::shared_ptr<CItem> ItemIn(const std::shared_ptr<Collection>& collection, const QString& key)
{
    return collection ? collection->Item(key) : nullptr;
}

template <class Collection> QString ParentKeyIn(const std::shared_ptr<Collection>& collection, const QString& key)
{
    const auto item = collection ? collection->Item(key) : nullptr;
    return item ? MakeItemKey(item->lngParentType(), qint64(item->lngParentID())) : QString();
}

template <class Collection>
bool LoadKind(std::shared_ptr<Collection>& fresh, const QString& dbDir, QObject* progress, QThread* itemThread,
              const std::function<bool()>& stillWanted)
{
    if (stillWanted && !stillWanted()) {
        return false;
    }
    fresh = std::make_shared<Collection>();
    fresh->setDBDir(dbDir);
    fresh->setItemThread(itemThread);
    fresh->setPGB(progress);
    fresh->LoadData();
    fresh->setPGB(nullptr);
    return true;
}

} // namespace

namespace Collections {

CItemList* List(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return gCategories.get();
    case ItemKind::Group:
        return gGroups.get();
    case ItemKind::Box:
        return gBoxes.get();
    case ItemKind::Media:
        return gMedias.get();
    case ItemKind::Movie:
        return gMovies.get();
    }
    return nullptr;
}

std::shared_ptr<CItem> Item(const QString& key)
{
    switch (KeyLetter(key).unicode()) {
    case 'C':
        return ItemIn(gCategories, key);
    case 'S':
        return ItemIn(gGroups, key);
    case 'B':
        return ItemIn(gBoxes, key);
    case 'E':
        return ItemIn(gMedias, key);
    case 'M':
        return ItemIn(gMovies, key);
    default:
        return nullptr;
    }
}

QString ItemName(const QString& key)
{
    const auto item = Item(key);
    return item ? item->DisplayName() : QString();
}

QString ParentKey(const QString& key)
{
    switch (KeyLetter(key).unicode()) {
    case 'S':
        return ParentKeyIn(gGroups, key);
    case 'B':
        return ParentKeyIn(gBoxes, key);
    case 'E':
        return ParentKeyIn(gMedias, key);
    case 'M':
        return ParentKeyIn(gMovies, key);
    default:
        return QString();
    }
}

QStringList Children(const QString& key)
{
    const SortPairList* list = nullptr;
    switch (KeyLetter(key).unicode()) {
    case '!':
        list = &gRootChildren;
        break;
    case 'C':
        list = &gCategoryChildren;
        break;
    case 'S':
        list = &gGroupChildren;
        break;
    case 'B':
        list = &gBoxChildren;
        break;
    case 'E':
        list = &gMediaChildren;
        break;
    default:
        return {};
    }
    QStringList children;
    for (int i = 1; i <= list->UBound(); ++i) {
        const QString& child = (*list)[i].strKey;
        if (ParentKey(child) == key) {
            children.append(child);
        }
    }
    return children;
}

int EntryCount(const QString& dbDir)
{
    CVidsora root;
    root.setDBDir(dbDir);
    const qint64 sum = qint64(root.CategoryCount()) + root.SubCategoryCount() + root.BoxCount() + root.MediaCount() +
                       root.MovieCount();
    return sum <= std::numeric_limits<int>::max() ? int(sum) : 0;
}

std::optional<Loaded> Load(const QString& dbDir, QObject* progress, QThread* itemThread,
                           const std::function<bool()>& stillWanted)
{
    // Categories first, movies last: the tree and the child lists read them all.
    Loaded loaded;
    if (LoadKind(loaded.categories, dbDir, progress, itemThread, stillWanted) &&
        LoadKind(loaded.groups, dbDir, progress, itemThread, stillWanted) &&
        LoadKind(loaded.boxes, dbDir, progress, itemThread, stillWanted) &&
        LoadKind(loaded.medias, dbDir, progress, itemThread, stillWanted) &&
        LoadKind(loaded.movies, dbDir, progress, itemThread, stillWanted)) {
        return loaded;
    }
    return std::nullopt;
}

void Install(Loaded loaded)
{
    gCategories = std::move(loaded.categories);
    gGroups = std::move(loaded.groups);
    gBoxes = std::move(loaded.boxes);
    gMedias = std::move(loaded.medias);
    gMovies = std::move(loaded.movies);
}

void LoadAll(const QString& dbDir, QObject* progress, QThread* itemThread)
{
    if (std::optional<Loaded> loaded = Load(dbDir, progress, itemThread)) {
        Install(std::move(*loaded));
    }
}

} // namespace Collections
