#pragma once

#include "commands/NodeTree.h"

#include <QString>

// Moving an item under another parent, the region list of a box or medium, and the node after a branch. The main
// window keeps these under their own names; no command of its menus reaches them yet.
namespace MoveCommands {

// Each gives the item of strKey the parent that target names ("C", "S", "B" or "E" and the id, as far as the kind
// may hang there, or the root "!0") and stores it; true when the new parent was stored. A target the kind does not
// accept, "!" with any number but 0, and a key its collection does not hold give false and change nothing. When the
// record cannot be written the old parent is put back, so the item in memory never differs from the store.
// The target's number is not checked against the collections: the caller names a node of the tree.
bool MoveMovie(const QString& strKey, const QString& target);       // category, group, box or medium
bool MoveMedia(const QString& strKey, const QString& target);       // category, group or box
bool MoveBox(const QString& strKey, const QString& target);         // category or group
bool MoveSubcategory(const QString& strKey, const QString& target); // category

// The DVD regions of the movies directly in a medium, or in a box and its media, as FormatRegions gives them
// ("1, 2"); empty for any other key. Each movie's own media record says whether it is a DVD and of which regions.
QString CollectDVDRegions(const QString& strKey);

// The key of the node that follows the whole branch of the node of nodeKey: its next sibling, else its parent's
// next sibling, and so on up to the root's children; empty past the last top-level branch, for the root and for a
// key without a node.
QString GetNextNodeKey(const NodeTree& tree, const QString& nodeKey);

} // namespace MoveCommands
