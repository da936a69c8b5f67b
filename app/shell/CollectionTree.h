#pragma once

#include "commands/NodeTree.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QVector>

#include <utility>

class CItem;
class QEvent;
class QPoint;
class QTreeWidgetItem;
class QWidget;
class SortPairList;
struct TreeNode;

// The collection tree of the main window: the tree control, its nodes by key and in the order they were added, their
// images, the selection and what stays expanded. It turns the control's events into what the user did (a node chosen,
// a key, the popup menu asked for, a drag passing over) and reports it by signal; the window binds each report to its
// procedure. The item commands read the tree through NodeTree.
class CollectionTree : public QObject, public NodeTree
{
    Q_OBJECT

public:
    // Data roles of a tree node.
    enum NodeRole
    {
        KeyRole = Qt::UserRole,
        TagRole,
        ImageRole,
        SelectedImageRole,
        ExpandedImageRole
    };

    // Makes the control inside parent; images are the node images by name.
    CollectionTree(QWidget* parent, QHash<QString, QPixmap> images);
    ~CollectionTree() override;
    CollectionTree(const CollectionTree&) = delete;
    CollectionTree& operator=(const CollectionTree&) = delete;

    QTreeWidget* Control() const { return m_control; }
    QTreeWidgetItem* Root() const { return m_root; }

    // The node collection in the order the nodes were added, and the node of a key.
    const QVector<QTreeWidgetItem*>& Nodes() const { return m_nodeOrder; }
    QTreeWidgetItem* Node(const QString& key) const { return m_nodes.value(key, nullptr); }
    static QString NodeKey(const QTreeWidgetItem* node);
    // The keys of all nodes, in node order.
    QStringList NodeKeys() const;

    // The node the control marks selected; without one, the node of key, else the root.
    QTreeWidgetItem* SelectedNode(const QString& key) const;
    // The node to select after a removal: the control's own choice, else the node of key, else the current node,
    // else the root.
    QTreeWidgetItem* NodeAfterRemoval(const QString& key) const;
    // Where a popup menu opens for a node opened from the keyboard, on the screen: the node brought into view, just
    // below and to the right of its image, inside the visible part of the control.
    QPoint PopupPoint(QTreeWidgetItem* node) const;
    // Marks a node selected in the control; the window's selection handlers see it as no user's choice.
    void SelectNode(QTreeWidgetItem* node);
    // Marks the tree as changing the control's selection, expansion or nodes itself, for as long as it lives: the
    // control's collapses and current-node changes then reach no handler of the window.
    class Quiet
    {
    public:
        explicit Quiet(CollectionTree& tree) : m_tree(tree), m_was(tree.m_selecting) { tree.m_selecting = true; }
        ~Quiet() { m_tree.m_selecting = m_was; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        CollectionTree& m_tree;
        bool m_was;
    };

    // Sets the indentation for a screen of that many twips per pixel.
    void SetIndentation(double twipsPerPixel);
    // Expands the root node, as the selection handlers see no user's choice.
    void ExpandRoot();
    // Brings the node of key into view, if it has one.
    void ScrollTo(const QString& key);

    // Rebuilds every node from the collections and the child lists: the full structure, or the flat one.
    void Fill(bool blnFull);
    // A node under parent; none for a missing parent or a key that already has a node.
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const TreeNode& item);
    // The node of a loaded item, under its parent's node.
    void AddItemNode(const QString& key, bool blnFlat);
    void AddItemNode(const CItem& item, bool blnFlat);
    void AddSortedItemsToTree(const SortPairList& list, bool blnFlat);
    // Drops the nodes of the keys, and what hangs below them.
    void RemoveNodes(const QStringList& keys);

    // The keys of the expanded nodes, and expanding again those of them that still have a node.
    QStringList ExpandedKeys() const;
    void Expand(const QStringList& keys);

    bool HasNode(const QString& key) const override { return Node(key) != nullptr; }
    QString ParentNodeKey(const QString& key) const override;
    QStringList ChildNodeKeys(const QString& key) const override;

signals:
    // The user chose a node: a click on it, or the keyboard moved the selection to it. The tree's own changes of the
    // selection are not reported, nor the current node the control picks while a mouse button is down.
    void nodeChosen(QTreeWidgetItem* node);
    // A left press ended, after its drag may have moved the selection: the selected current node, if there is one.
    void pressEnded(QTreeWidgetItem* node);
    // The user collapsed a node (not the tree itself).
    void nodeCollapsed(QTreeWidgetItem* node);
    // A key pressed in the control, other than the popup menu's keys.
    void keyPressed(int key);
    // The popup menu asked for from the keyboard: the Menu key, Shift+F10, or the desktop's keyboard request.
    void menuKeyPressed();
    // A right press (or double click) at pos in the control's viewport; the control itself does not see it.
    void rightPressed(const QPoint& pos);
    // A dragged object passes over pos in the viewport. Drops are refused.
    void draggedOver(const QPoint& pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QIcon NodeIcon(const QString& image, const QString& selectedImage);
    void ShowExpandedImage(QTreeWidgetItem* node, bool expanded);

    QPointer<QTreeWidget> m_control;
    QHash<QString, QPixmap> m_images;
    QHash<std::pair<QString, QString>, QIcon> m_nodeIcons;
    QHash<QString, QTreeWidgetItem*> m_nodes;
    QVector<QTreeWidgetItem*> m_nodeOrder;
    QTreeWidgetItem* m_root = nullptr;
    bool m_selecting = false;
    bool m_mouseDown = false; // a left press in the viewport, until its release
};
