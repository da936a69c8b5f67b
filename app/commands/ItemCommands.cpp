#include "commands/ItemCommands.h"

#include "core/BackgroundWork.h"
#include "core/Collections.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "ItemStore.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <vector>

namespace {

const QString kRootKey = QStringLiteral("!0");

QString KindNoun(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return QStringLiteral("category");
    case ItemKind::Group:
        return QStringLiteral("group");
    case ItemKind::Box:
        return QStringLiteral("box");
    case ItemKind::Media:
        return QStringLiteral("media");
    case ItemKind::Movie:
        return QStringLiteral("movie");
    }
    return QString();
}

// Remove reports a folder it cannot delete by a false result and by keeping the item: the item still being there is
// the failure too.
template <class Collection> bool RemoveIn(const std::shared_ptr<Collection>& collection, const QString& key)
{
    if (!collection) {
        return true;
    }
    return collection->Remove(key) && !collection->Item(key);
}

template <class Collection>
void IndexContents(QHash<QString, QStringList>& contents, const std::shared_ptr<Collection>& collection)
{
    if (!collection) {
        return;
    }
    for (const auto& item : *collection) {
        contents[MakeItemKey(item->lngParentType(), qint64(item->lngParentID()))].append(item->strKey());
    }
}

// What every container holds in the collections: groups, then boxes, media and movies, each kind in its collection's
// order. Built in one pass, so a large delete does not scan the collections once per container.
QHash<QString, QStringList> ContentsByParent()
{
    QHash<QString, QStringList> contents;
    IndexContents(contents, gGroups);
    IndexContents(contents, gBoxes);
    IndexContents(contents, gMedias);
    IndexContents(contents, gMovies);
    return contents;
}

} // namespace

namespace ItemCommands {

// ---------------------------------------------------------------------------------------------------------------
// Add

std::optional<TreeNode> AddedNode(const QString& key, const NodeTree& tree)
{
    const std::shared_ptr<CItem> item = Collections::Item(key);
    if (!item || tree.HasNode(key)) {
        return std::nullopt;
    }
    // Until the next refill the node differs from the filler's: bare title, plain images, no tag.
    TreeNode node;
    node.strKey = key;
    node.strText = item->DisplayName();
    switch (item->Kind()) {
    case ItemKind::Category:
        node.strParentKey = kRootKey;
        node.strImage = QStringLiteral("imgCategoryClosed");
        node.strExpandedImage = QStringLiteral("imgCategoryOpen");
        break;
    case ItemKind::Group:
        node.strParentKey = Collections::ParentKey(key);
        node.strImage = QStringLiteral("imgSubCategoryClosed");
        node.strExpandedImage = QStringLiteral("imgSubCategoryOpen");
        break;
    case ItemKind::Movie:
        node.strParentKey = Collections::ParentKey(key);
        node.strImage = QStringLiteral("imgMovieClosed");
        node.strSelectedImage = QStringLiteral("imgMovieOpen");
        break;
    case ItemKind::Box:
    case ItemKind::Media:
        // Their adds make contents too and refill the whole tree.
        return std::nullopt;
    }
    if (!tree.HasNode(node.strParentKey)) {
        return std::nullopt;
    }
    return node;
}

namespace {

AddOutcome Added(const QString& key, const NodeTree& tree)
{
    AddOutcome outcome;
    if (key.isEmpty()) {
        return outcome;
    }
    outcome.strKey = key;
    BuildChildLists();
    outcome.node = AddedNode(key, tree);
    return outcome;
}

} // namespace

AddOutcome AddCategory(ItemEditors& editors, const NodeTree& tree)
{
    return Added(editors.EditCategory(QString()), tree);
}

AddOutcome AddSubcategory(ItemEditors& editors, const NodeTree& tree, const QString& selectedKey)
{
    editors.GroupParent(selectedKey);
    return Added(editors.EditGroup(QString()), tree);
}

AddOutcome AddMovie(ItemEditors& editors, const NodeTree& tree, const QString& selectedKey)
{
    editors.MovieParent(selectedKey);
    return Added(editors.EditMovie(QString()), tree);
}

// ---------------------------------------------------------------------------------------------------------------
// Edit

EditOutcome EditOutcomeOf(const QString& resultKey, const NodeTree& tree)
{
    EditOutcome outcome;
    const std::optional<ItemKind> kind = KindOfKey(resultKey);
    if (!kind) {
        return outcome;
    }
    outcome.strKey = resultKey;
    const std::shared_ptr<CItem> item = Collections::Item(resultKey);
    if (item) {
        outcome.nodeText = item->DisplayName();
    }
    if (*kind != ItemKind::Category) {
        // An unreadable item cannot be placed, so the filler decides where it goes.
        outcome.blnRefill =
            !item || !tree.HasNode(resultKey) || Collections::ParentKey(resultKey) != tree.ParentNodeKey(resultKey);
    }
    return outcome;
}

EditOutcome EditItem(ItemEditors& editors, const NodeTree& tree, const QString& strKey)
{
    const std::optional<ItemKind> kind = KindOfKey(strKey);
    if (!kind) {
        return {};
    }
    QString result;
    switch (*kind) {
    case ItemKind::Category:
        result = editors.EditCategory(strKey);
        break;
    case ItemKind::Group:
        result = editors.EditGroup(strKey);
        break;
    case ItemKind::Box:
        result = editors.EditBox(strKey);
        break;
    case ItemKind::Media:
        result = editors.EditMedia(strKey);
        break;
    case ItemKind::Movie:
        result = editors.EditMovie(strKey);
        break;
    }
    EditOutcome outcome = EditOutcomeOf(result, tree);
    if (!outcome.strKey.isEmpty()) {
        // The editor may have renamed or moved the item: parent lists and counts follow.
        BuildChildLists();
    }
    return outcome;
}

// ---------------------------------------------------------------------------------------------------------------
// Delete

QString DeleteQuestion(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return QStringLiteral("Do you wish do delete the category, and everything in it?");
    case ItemKind::Group:
        return QStringLiteral("Do you wish do delete the subcategory, and everything in it?");
    case ItemKind::Box:
        return QStringLiteral("Do you wish do delete the box, and everything in it?");
    case ItemKind::Media:
        return QStringLiteral("Do you wish do delete the media, and everything in it?");
    case ItemKind::Movie:
        return QStringLiteral("Do you wish do delete the movie?");
    }
    return QString();
}

QVector<DeleteStep> DeleteOrder(const QString& key, const NodeTree& tree)
{
    if (!KindOfKey(key)) {
        return {};
    }
    // Without a node the collections say what is inside; the index is only built then.
    const bool byTree = tree.HasNode(key);
    QHash<QString, QStringList> contents;
    if (!byTree) {
        contents = ContentsByParent();
    }
    const auto contentsOf = [&](const QString& container) -> QStringList {
        if (KindOfKey(container) == ItemKind::Movie) {
            return {};
        }
        return byTree ? tree.ChildNodeKeys(container) : contents.value(container);
    };

    // Depth first, contents before their container. Every key is taken once, so a parent chain that loops in the
    // collections cannot hold the walk.
    struct Frame
    {
        QString key;
        QString container;
        QStringList children;
        qsizetype next = 0;
    };
    QVector<DeleteStep> order;
    QSet<QString> seen{key};
    std::vector<Frame> stack;
    stack.push_back({key, QString(), contentsOf(key)});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next < top.children.size()) {
            const QString child = top.children.at(top.next++);
            if (!KindOfKey(child) || seen.contains(child)) {
                continue;
            }
            seen.insert(child);
            const QString container = top.key;
            stack.push_back({child, container, contentsOf(child)});
        } else {
            order.append({top.key, top.container});
            stack.pop_back();
        }
    }
    return order;
}

bool RemoveFromCollection(const QString& key)
{
    const std::optional<ItemKind> kind = KindOfKey(key);
    if (!kind) {
        return false;
    }
    return Collections::Visit(*kind, [&key](const auto& collection) { return RemoveIn(collection, key); });
}

bool ConfirmDelete(ItemEditors& dialogs, const QString& key, bool blnAsk)
{
    const std::optional<ItemKind> kind = KindOfKey(key);
    if (!kind) {
        return false;
    }
    return !blnAsk || dialogs.AskYesNo(DeleteQuestion(*kind));
}

DeleteOutcome DeleteItem(const NodeTree& tree, const QString& key, const Remover& remove)
{
    DeleteOutcome outcome;
    // Containers that must stay because something inside them did.
    QSet<QString> holding;
    for (const DeleteStep& step : DeleteOrder(key, tree)) {
        bool stays = holding.contains(step.strKey);
        if (stays) {
            outcome.kept.append(step.strKey);
        } else if (remove(step.strKey)) {
            outcome.removed.append(step.strKey);
        } else {
            qCWarning(lcApp) << "the item could not be deleted:" << step.strKey;
            outcome.failed.append(step.strKey);
            stays = true;
        }
        if (stays && !step.strContainer.isEmpty()) {
            holding.insert(step.strContainer);
        }
    }
    if (!outcome.removed.isEmpty()) {
        BuildChildLists();
    }
    return outcome;
}

DeleteOutcome DeleteItem(const NodeTree& tree, const QString& key, const DeleteProgress& progress)
{
    DeleteOutcome outcome;
    QVector<DeleteStep> pending = DeleteOrder(key, tree);
    const int total = int(pending.size());
    const auto tell = [&](int done) { return !progress || progress(done, total); };
    if (pending.isEmpty() || !tell(0)) {
        return outcome;
    }
    const std::optional<ItemKind> kind = KindOfKey(key);
    const QString what =
        total == 1 ? QStringLiteral("the delete of the %1 \"%2\"").arg(KindNoun(*kind), Collections::ItemName(key))
                   : QStringLiteral("the delete of the %1 \"%2\" and the %3 items in it")
                         .arg(KindNoun(*kind), Collections::ItemName(key))
                         .arg(total - 1);
    const auto drop = [](const QString& itemKey) {
        if (CItemList* list = Collections::List(*KindOfKey(itemKey))) {
            list->DropEntry(itemKey);
        }
    };
    QSet<QString> holding; // containers that stay because something inside them did
    QStringList trash;     // the folders moved out, to be removed in the background
    const auto stay = [&](const DeleteStep& step, QStringList& as) {
        as.append(step.strKey);
        if (!step.strContainer.isEmpty()) {
            holding.insert(step.strContainer);
        }
    };
    while (!pending.isEmpty()) {
        // Every folder that can be reached goes out together; one that cannot keeps its item, and its containers.
        QVector<DeleteStep> planned;
        QStringList folders;
        for (const DeleteStep& step : pending) {
            const std::shared_ptr<CItem> item = Collections::Item(step.strKey);
            if (holding.contains(step.strKey)) {
                stay(step, outcome.kept);
            } else if (!item || item->Path().isEmpty()) {
                drop(step.strKey); // nothing of it on disk
                outcome.removed.append(step.strKey);
            } else if (!QFileInfo::exists(item->Path())) {
                // A folder that is not there (its disk unplugged, say) would bring the item back with it.
                qCWarning(lcApp) << "the item could not be deleted, its folder cannot be reached:" << step.strKey;
                stay(step, outcome.failed);
            } else {
                planned.append(step);
                folders.append(item->Path());
            }
        }
        pending.clear();
        const QString dbDir =
            Collections::List(ItemKind::Category) ? Collections::List(ItemKind::Category)->DBDir() : QString();
        const ItemStore::Withdrawal withdrawn = ItemStore::WithdrawFolders(
            dbDir, what, folders, [&](int done) { tell(int(outcome.removed.size()) + done); });
        for (qsizetype i = 0; i < withdrawn.trash.size(); ++i) {
            drop(planned.at(i).strKey);
            outcome.removed.append(planned.at(i).strKey);
        }
        trash += withdrawn.trash;
        if (withdrawn.trash.size() < planned.size()) {
            const qsizetype failed = withdrawn.trash.size();
            qCWarning(lcApp) << "the item could not be deleted:" << planned.at(failed).strKey << "-"
                             << withdrawn.failure.why;
            stay(planned.at(failed), outcome.failed);
            pending = planned.mid(failed + 1);
        }
    }
    if (!trash.isEmpty()) {
        // Out of the store already; what they held goes in the background, and what is left at the end goes at the
        // next start. No command need wait for it: it touches nothing but these folders, which the sweep spares.
        const bool started = BackgroundWork::Start(
            [trash](const std::atomic<bool>& abandon) {
                for (const QString& folder : trash) {
                    if (abandon.load()) {
                        ItemStore::LeaveStaged(folder);
                    } else {
                        ItemStore::RemoveStaged(folder);
                    }
                }
            },
            BackgroundWork::Gate::Free);
        if (!started) {
            for (const QString& folder : trash) {
                ItemStore::RemoveStaged(folder);
            }
        }
    }
    if (!outcome.removed.isEmpty()) {
        BuildChildLists();
    }
    return outcome;
}

QString DeleteFailureMessage(const DeleteOutcome& outcome)
{
    if (outcome.failed.isEmpty()) {
        return QString();
    }
    const auto describe = [](const QString& key) {
        const std::optional<ItemKind> kind = KindOfKey(key);
        return QStringLiteral("the %1 \"%2\"").arg(kind ? KindNoun(*kind) : QString(), Collections::ItemName(key));
    };
    QString message;
    if (outcome.failed.size() == 1) {
        QString item = describe(outcome.failed.first());
        item[0] = item[0].toUpper();
        message = QStringLiteral("%1 could not be deleted from the collection's folder, so it stays.").arg(item);
    } else {
        // A long list is cut short: the message must still fit on the screen.
        constexpr qsizetype kShown = 10;
        QStringList lines;
        for (qsizetype i = 0; i < outcome.failed.size() && i < kShown; ++i) {
            lines.append(describe(outcome.failed.at(i)));
        }
        if (outcome.failed.size() > kShown) {
            lines.append(QStringLiteral("and %1 more").arg(outcome.failed.size() - kShown));
        }
        message = QStringLiteral("%1 items could not be deleted from the collection's folder, so they stay:\n%2")
                      .arg(outcome.failed.size())
                      .arg(lines.join(QLatin1Char('\n')));
    }
    if (!outcome.kept.isEmpty()) {
        message += outcome.failed.size() == 1 ? QStringLiteral("\nWhat holds it stays as well.")
                                              : QStringLiteral("\nWhat holds them stays as well.");
    }
    return message;
}

} // namespace ItemCommands
