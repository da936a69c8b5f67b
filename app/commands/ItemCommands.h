#pragma once

#include "commands/ItemEditors.h"
#include "commands/NodeTree.h"
#include "core/TreeNodes.h"

#include "CItem.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

// What the main window's add, edit and delete commands do to the collections, and what they ask of the tree. The
// window opens nothing itself: the commands reach the editors and questions through ItemEditors and hand back what
// the tree must show.
namespace ItemCommands {

// ---------------------------------------------------------------------------------------------------------------
// Add

// What a single-item add leaves for the tree.
struct AddOutcome
{
    QString strKey;               // the new item; empty when the editor saved nothing, and then nothing changed
    std::optional<TreeNode> node; // the node to add as the last child of node->strParentKey and select
};

// The node a single-item add makes for the new category, group or movie of key: its name (a movie's bare title),
// the plain images of its kind, no tag. None when the item is not loaded, already has a node, is of another kind,
// or its parent has no node (the flat view leaves categories and groups out): it then shows at the next refill.
std::optional<TreeNode> AddedNode(const QString& key, const NodeTree& tree);

// Each opens its kind's editor for a new item (a group or movie offered selectedKey as its parent) and, when one
// was saved, rebuilds the child lists.
AddOutcome AddCategory(ItemEditors& editors, const NodeTree& tree);
AddOutcome AddSubcategory(ItemEditors& editors, const NodeTree& tree, const QString& selectedKey);
AddOutcome AddMovie(ItemEditors& editors, const NodeTree& tree, const QString& selectedKey);

// ---------------------------------------------------------------------------------------------------------------
// Edit

struct EditOutcome
{
    QString strKey;                  // the key the editor returned; empty: nothing to do
    std::optional<QString> nodeText; // the node's new text; none when the item cannot be read
    bool blnRefill = false;          // the node no longer hangs where the item belongs: rebuild the tree
};

// What the tree needs after the editor returned resultKey: the item's name (a movie's bare title, without the label
// the tree filler adds), and a refill when a group, box, medium or movie is not under the node of its parent (moved
// in the editor, hung under the root by the flat view, or unreadable). A category never needs one.
EditOutcome EditOutcomeOf(const QString& resultKey, const NodeTree& tree);
// Opens the editor of the item's kind on strKey; when it returns a key, rebuilds the child lists. Nothing for the
// root and for a key of no kind.
EditOutcome EditItem(ItemEditors& editors, const NodeTree& tree, const QString& strKey);

// ---------------------------------------------------------------------------------------------------------------
// Delete

// The question asked before the item of that kind goes.
QString DeleteQuestion(ItemKind kind);

// One item of a delete and the container it is deleted with (empty for the item the user chose).
struct DeleteStep
{
    QString strKey;
    QString strContainer;
    bool operator==(const DeleteStep&) const = default;
};

// Everything a delete of key removes, each item once, contents before their container and the item last. With a
// node, the contents are what the tree shows inside it, first child first, taken before anything is removed. Without
// one (a category or group the flat view leaves out), they are every item whose parent chain in the collections
// leads to key, so nothing is left on disk pointing at a deleted parent. A movie has no contents. Empty for a key of
// no kind.
QVector<DeleteStep> DeleteOrder(const QString& key, const NodeTree& tree);

// Removes one item from its collection and the store; true when it is gone.
using Remover = std::function<bool(const QString& key)>;
// The collections' own removal: true when the item is no longer in its collection (also when it never was).
bool RemoveFromCollection(const QString& key);

struct DeleteOutcome
{
    QStringList removed; // gone from the collections, in the order removed: their nodes go too
    QStringList failed;  // could not be removed: they stay, with their nodes
    QStringList kept;    // containers not removed because something inside them stays
};

// True when the delete of key may go on: key names a kind, and when blnAsk the user answered Yes to its question.
bool ConfirmDelete(ItemEditors& dialogs, const QString& key, bool blnAsk);
// Removes the items of DeleteOrder in that order, one by one through remove. An item whose removal fails stays, and
// so does every container it is in, which would otherwise leave it behind without a parent. The child lists are
// rebuilt when anything went, so no editor offers a deleted parent and the item view counts right.
DeleteOutcome DeleteItem(const NodeTree& tree, const QString& key, const Remover& remove);
// Told how many of how many items have gone; false before anything went cancels the delete.
using DeleteProgress = std::function<bool(int done, int total)>;
// The same, with the items of DeleteOrder leaving the store together: every folder is moved out to a temporary name
// under one record of the command (ItemStore::WithdrawFolders), so a kill or a power cut leaves all of them or none
// (the next start finishes what was recorded), with one sync per kind folder; their entries go, and what the folders
// held is removed by a background job (BackgroundWork) that no command waits for; what it leaves at the end goes at
// the next start. An item whose folder cannot be reached or moved stays, with its containers, as above.
DeleteOutcome DeleteItem(const NodeTree& tree, const QString& key, const DeleteProgress& progress = {});
// The message naming what could not be deleted; empty when everything went.
QString DeleteFailureMessage(const DeleteOutcome& outcome);

} // namespace ItemCommands
