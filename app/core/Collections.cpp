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
#include <optional>

namespace {

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

QString ParentKeyIn(const std::shared_ptr<CCategories>&, const QString&)
{
    return QString(); // a category has no parent
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

// The child list that holds the children of key, by its parent type (the root's is 0); none for a movie or any key
// but an item's or the root's.
const SortPairList* ChildListOf(const QString& key)
{
    const SortPairList* const byParentType[] = {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren,
                                                &gMediaChildren};
    const int type = KeyPrefixToType(key.left(1));
    return type > 0 || IsRootKey(key) ? byParentType[type] : nullptr;
}

} // namespace

namespace Collections {

CItemList* List(ItemKind kind)
{
    return Visit(kind, [](const auto& collection) -> CItemList* { return collection.get(); });
}

std::shared_ptr<CItem> Item(const QString& key)
{
    const std::optional<ItemKind> kind = KindOfKey(key);
    if (!kind) {
        return nullptr;
    }
    return Visit(*kind, [&key](const auto& collection) { return ItemIn(collection, key); });
}

QString ItemName(const QString& key)
{
    const auto item = Item(key);
    return item ? item->DisplayName() : QString();
}

QString ParentKey(const QString& key)
{
    const std::optional<ItemKind> kind = KindOfKey(key);
    if (!kind) {
        return QString();
    }
    return Visit(*kind, [&key](const auto& collection) { return ParentKeyIn(collection, key); });
}

QStringList Children(const QString& key)
{
    const SortPairList* list = ChildListOf(key);
    if (!list) {
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
        loaded.leftOut = loaded.categories->LeftOut() + loaded.groups->LeftOut() + loaded.boxes->LeftOut() +
                         loaded.medias->LeftOut() + loaded.movies->LeftOut();
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

int LoadAll(const QString& dbDir, QObject* progress, QThread* itemThread)
{
    std::optional<Loaded> loaded = Load(dbDir, progress, itemThread);
    if (!loaded) {
        return 0;
    }
    const int leftOut = loaded->leftOut;
    Install(std::move(*loaded));
    return leftOut;
}

QString LeftOutMessage(const QString& dbDir, int leftOut)
{
    const QString howToSee = QStringLiteral("start Vidsora with QT_LOGGING_RULES=\"vidsora.store.warning=true\"");
    if (leftOut <= 0) {
        return QString();
    }
    if (leftOut == 1) {
        return QStringLiteral("One folder in the collection %1 was left out: it holds no item Vidsora can load. It "
                              "stays on disk as it is; the log names it (%2).")
            .arg(dbDir, howToSee);
    }
    return QStringLiteral("%1 folders in the collection %2 were left out: they hold no item Vidsora can load. They "
                          "stay on disk as they are; the log names them (%3).")
        .arg(QString::number(leftOut), dbDir, howToSee);
}

} // namespace Collections
