#pragma once

#include <QString>
#include <QStringList>

// The collection tree as the item commands read it: which keys have a node and how the nodes hang. The main window
// answers from its tree control; the tests from a plain map.
class NodeTree
{
public:
    virtual ~NodeTree() = default;

    virtual bool HasNode(const QString& key) const = 0;
    // The key of the node's parent node; empty for the root and for a key without a node.
    virtual QString ParentNodeKey(const QString& key) const = 0;
    // The keys of the node's child nodes, first to last; empty for a key without a node.
    virtual QStringList ChildNodeKeys(const QString& key) const = 0;
};
