#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class CItem;

// The rules of the collection tree's nodes: what a node shows, its images and where it hangs, in the full structure
// and in the flat view (categories and groups left out, boxes and loose media and movies under the root).
struct TreeNode
{
    QString strKey;
    QString strText;
    QString strTag;
    QString strImage;
    QString strSelectedImage;
    QString strExpandedImage; // empty: the node keeps its image when it opens
    QString strParentKey;
    // A movie whose parent is gone still shows, under the root.
    bool blnRootWhenParentMissing = false;
    bool operator==(const TreeNode&) const = default;
};

namespace TreeNodes {

// The root node, "!0".
TreeNode Root();
// The node of a loaded item of any kind; none for the root, an unknown key and an item that is not loaded. Categories
// and groups belong to the full structure only; their rules do not depend on blnFlat.
std::optional<TreeNode> NodeOf(const QString& key, bool blnFlat);
// The same for the item itself, loaded in its collection.
TreeNode NodeOf(const CItem& item, bool blnFlat);

// The find rule: the first key after startKey in keysInOrder whose item's name holds strFind (upper case by the code
// page's rule); empty when none does. An item without a name is never a match, not even for an empty text.
QString FindNext(const QStringList& keysInOrder, const QString& startKey, const QString& strFind);

} // namespace TreeNodes
