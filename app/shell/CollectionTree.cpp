#include "shell/CollectionTree.h"

#include "core/Collections.h"
#include "core/TreeNodes.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"

#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

namespace {

// A node of the tree. What it shows and holds (text, icon, key, tag and image names) are members of its own, read and
// written through data() and setData(): a large tree keeps no lists of values per node, and a refill neither builds
// nor tears them down.
class NodeItem final : public QTreeWidgetItem
{
public:
    explicit NodeItem(const TreeNode& node, QIcon icon)
        : m_text(node.strText), m_icon(std::move(icon)), m_key(node.strKey), m_tag(node.strTag), m_image(node.strImage),
          m_selectedImage(node.strSelectedImage), m_expandedImage(node.strExpandedImage)
    {
    }

    QVariant data(int column, int role) const override
    {
        if (column != 0) {
            return QTreeWidgetItem::data(column, role);
        }
        if (role == Qt::DecorationRole) {
            return m_icon.isNull() ? QVariant() : QVariant(m_icon);
        }
        if (const QString* field = Field(role)) {
            return field->isNull() ? QVariant() : QVariant(*field);
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override
    {
        if (column != 0) {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        if (role == Qt::DecorationRole) {
            m_icon = value.value<QIcon>();
        } else if (QString* field = Field(role)) {
            *field = value.toString();
        } else {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        if (treeWidget()) {
            emitDataChanged();
        }
    }

private:
    const QString* Field(int role) const { return const_cast<NodeItem*>(this)->Field(role); }
    QString* Field(int role)
    {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return &m_text;
        case CollectionTree::KeyRole:
            return &m_key;
        case CollectionTree::TagRole:
            return &m_tag;
        case CollectionTree::ImageRole:
            return &m_image;
        case CollectionTree::SelectedImageRole:
            return &m_selectedImage;
        case CollectionTree::ExpandedImageRole:
            return &m_expandedImage;
        default:
            return nullptr;
        }
    }

    QString m_text;
    QIcon m_icon;
    QString m_key;
    QString m_tag;
    QString m_image;
    QString m_selectedImage;
    QString m_expandedImage;
};

} // namespace

CollectionTree::CollectionTree(QWidget* parent, QHash<QString, QPixmap> images) : m_images(std::move(images))
{
    m_control = new QTreeWidget(parent);
    m_control->setObjectName("treeMovies");
    m_control->setColumnCount(1);
    m_control->header()->hide();
    m_control->setSelectionMode(QAbstractItemView::SingleSelection);
    m_control->setIconSize(QSize(16, 16));
    m_control->setUniformRowHeights(true);
    m_control->setAcceptDrops(true);
    // The control may outlive the tree while its window goes: these connections and filters end with the tree.
    connect(m_control, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
        ShowExpandedImage(node, false);
        if (!m_selecting) {
            emit nodeCollapsed(node);
        }
    });
    connect(m_control, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { ShowExpandedImage(node, true); });
    connect(m_control, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { emit nodeChosen(node); });
    // Moving through the tree with the keyboard selects as a click does; mouse presses are handled by the click.
    // A current node that is not selected (the control's own choice when it gets the focus) is no selection.
    connect(m_control, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node && node->isSelected() && !m_selecting && !m_mouseDown) {
            emit nodeChosen(node);
        }
    });
    m_control->installEventFilter(this);
    m_control->viewport()->installEventFilter(this);
}

CollectionTree::~CollectionTree() = default;

bool CollectionTree::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_control || (watched != m_control && watched != m_control->viewport())) {
        return QObject::eventFilter(watched, event);
    }
    if (watched == m_control && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The Menu key and Shift+F10 open the popup menu at the selected node, as a right click does at its own.
        if ((key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier) ||
            (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            emit menuKeyPressed();
            return true;
        }
        emit keyPressed(key->key());
        return false;
    }
    // The desktop may send the Menu key as a context-menu request of the keyboard instead.
    if (event->type() == QEvent::ContextMenu) {
        if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            emit menuKeyPressed();
        }
        return true;
    }
    if (watched != m_control->viewport()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            emit rightPressed(mouse->position().toPoint());
            return true;
        }
        m_mouseDown = true;
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (m_mouseDown) {
            m_mouseDown = false;
            // A press that dragged the selection to another node ends on that node, once the control has settled.
            QTimer::singleShot(0, this, [this] {
                QTreeWidgetItem* current = m_control ? m_control->currentItem() : nullptr;
                if (current && current->isSelected()) {
                    emit pressEnded(current);
                }
            });
        }
        return false;
    case QEvent::DragEnter:
        static_cast<QDragEnterEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::DragMove:
        emit draggedOver(static_cast<QDragMoveEvent*>(event)->position().toPoint());
        static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop:
        event->ignore();
        return true;
    default:
        return false;
    }
}

QString CollectionTree::NodeKey(const QTreeWidgetItem* node)
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

QStringList CollectionTree::NodeKeys() const
{
    QStringList keys;
    keys.reserve(m_nodeOrder.size());
    for (const QTreeWidgetItem* node : m_nodeOrder) {
        keys.append(NodeKey(node));
    }
    return keys;
}

QTreeWidgetItem* CollectionTree::SelectedNode(const QString& key) const
{
    const QList<QTreeWidgetItem*> selected = m_control->selectedItems();
    if (!selected.isEmpty()) {
        return selected.first();
    }
    if (QTreeWidgetItem* node = Node(key)) {
        return node;
    }
    return m_root;
}

void CollectionTree::SetIndentation(double twipsPerPixel)
{
    // 100 twips, and never less than the images and expand marks need.
    m_control->setIndentation(qMax(qRound(100 / twipsPerPixel), 19));
}

void CollectionTree::ExpandRoot()
{
    if (m_root && !m_root->isExpanded()) {
        Quiet quiet(*this);
        m_root->setExpanded(true);
    }
}

void CollectionTree::ScrollTo(const QString& key)
{
    if (QTreeWidgetItem* node = Node(key)) {
        m_control->scrollToItem(node);
    }
}

QTreeWidgetItem* CollectionTree::NodeAfterRemoval(const QString& key) const
{
    QTreeWidgetItem* node = m_control->selectedItems().value(0, nullptr);
    if (!node) {
        node = Node(key);
    }
    if (!node) {
        node = m_control->currentItem();
    }
    return node ? node : m_root;
}

QPoint CollectionTree::PopupPoint(QTreeWidgetItem* node) const
{
    m_control->scrollToItem(node);
    const QRect rect = m_control->visualItemRect(node);
    const QRect shown = m_control->viewport()->rect();
    const QPoint at(qBound(shown.left(), rect.left() + rect.height(), shown.right()),
                    qBound(shown.top(), rect.bottom(), shown.bottom()));
    return m_control->viewport()->mapToGlobal(at);
}

void CollectionTree::SelectNode(QTreeWidgetItem* node)
{
    if (!node) {
        return;
    }
    Quiet quiet(*this);
    m_control->setCurrentItem(node);
    node->setSelected(true);
    m_control->scrollToItem(node);
}

QIcon CollectionTree::NodeIcon(const QString& image, const QString& selectedImage)
{
    const std::pair<QString, QString> cacheKey(image, selectedImage);
    auto it = m_nodeIcons.constFind(cacheKey);
    if (it != m_nodeIcons.constEnd()) {
        return *it;
    }
    QIcon icon;
    const QPixmap closed = m_images.value(image);
    icon.addPixmap(closed, QIcon::Normal);
    icon.addPixmap(selectedImage.isEmpty() ? closed : m_images.value(selectedImage), QIcon::Selected);
    m_nodeIcons.insert(cacheKey, icon);
    return icon;
}

void CollectionTree::ShowExpandedImage(QTreeWidgetItem* node, bool expanded)
{
    const QString expandedImage = node ? node->data(0, ExpandedImageRole).toString() : QString();
    if (expandedImage.isEmpty()) {
        return;
    }
    const QString selectedImage = node->data(0, SelectedImageRole).toString();
    node->setIcon(0, NodeIcon(expanded ? expandedImage : node->data(0, ImageRole).toString(), selectedImage));
}

QTreeWidgetItem* CollectionTree::AddNode(QTreeWidgetItem* parent, const TreeNode& item)
{
    // Keys are unique in the tree: a second node with a key already held is refused.
    if (!parent) {
        return nullptr;
    }
    QTreeWidgetItem*& slot = m_nodes[item.strKey];
    if (slot) {
        return nullptr;
    }
    auto* node = new NodeItem(item, NodeIcon(item.strImage, item.strSelectedImage));
    parent->addChild(node);
    slot = node;
    m_nodeOrder.append(node);
    return node;
}

void CollectionTree::AddItemNode(const QString& key, bool blnFlat)
{
    if (const std::shared_ptr<CItem> item = Collections::Item(key)) {
        AddItemNode(*item, blnFlat);
    }
}

void CollectionTree::AddItemNode(const CItem& item, bool blnFlat)
{
    const TreeNode node = TreeNodes::NodeOf(item, blnFlat);
    QTreeWidgetItem* parent = Node(node.strParentKey);
    if (!parent && node.blnRootWhenParentMissing) {
        parent = m_root;
    }
    AddNode(parent, node);
}

void CollectionTree::Fill(bool blnFull)
{
    Quiet quiet(*this);
    const bool hadFocus = m_control->hasFocus();
    m_control->setUpdatesEnabled(false);
    m_control->hide();
    m_control->clear();
    m_nodes.clear();
    m_nodeOrder.clear();
    // Room for a node of every loaded item, made once.
    qsizetype expected = 1;
    for (const qsizetype count :
         {gCategories ? qsizetype(gCategories->Count()) : 0, gGroups ? qsizetype(gGroups->Count()) : 0,
          gBoxes ? qsizetype(gBoxes->Count()) : 0, gMedias ? qsizetype(gMedias->Count()) : 0,
          gMovies ? qsizetype(gMovies->Count()) : 0}) {
        expected += count;
    }
    m_nodes.reserve(expected);
    m_nodeOrder.reserve(expected);

    // The whole tree is built detached from the control and handed to it at once.
    const TreeNode root = TreeNodes::Root();
    m_root = new NodeItem(root, NodeIcon(root.strImage, QString()));
    m_nodes.insert(root.strKey, m_root);
    m_nodeOrder.append(m_root);

    if (blnFull && gCategories) {
        for (const auto& category : *gCategories) {
            AddItemNode(*category, false);
        }
    }
    if (blnFull && gGroups) {
        for (const auto& group : *gGroups) {
            AddItemNode(*group, false);
        }
    }
    BuildChildLists();
    if (blnFull) {
        for (const SortPairList* list :
             {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren, &gMediaChildren}) {
            AddSortedItemsToTree(*list, false);
        }
    } else {
        AddSortedItemsToTree(gFlatItems, true);
        AddSortedItemsToTree(gBoxChildren, false);
        AddSortedItemsToTree(gMediaChildren, false);
    }

    m_control->addTopLevelItem(m_root);
    m_control->show();
    m_root->setExpanded(true);
    m_control->setUpdatesEnabled(true);
    if (hadFocus) {
        m_control->setFocus();
    }
}

void CollectionTree::AddSortedItemsToTree(const SortPairList& list, bool blnFlat)
{
    for (int i = 1; i <= list.UBound(); ++i) {
        AddItemNode(list[i].strKey, blnFlat);
    }
}

void CollectionTree::RemoveNodes(const QStringList& keys)
{
    Quiet quiet(*this);
    QSet<const QTreeWidgetItem*> gone;
    // Containers come after their contents: taking them first drops each branch in one step.
    for (auto it = keys.crbegin(); it != keys.crend(); ++it) {
        QTreeWidgetItem* node = Node(*it);
        if (!node || node == m_root) {
            continue;
        }
        QVector<QTreeWidgetItem*> branch{node};
        for (qsizetype i = 0; i < branch.size(); ++i) {
            QTreeWidgetItem* below = branch.at(i);
            gone.insert(below);
            m_nodes.remove(NodeKey(below));
            for (int c = 0; c < below->childCount(); ++c) {
                branch.append(below->child(c));
            }
        }
        delete node;
    }
    m_nodeOrder.removeIf([&gone](const QTreeWidgetItem* node) { return gone.contains(node); });
}

QStringList CollectionTree::ExpandedKeys() const
{
    QStringList keys;
    for (const QTreeWidgetItem* node : m_nodeOrder) {
        if (node->isExpanded()) {
            keys.append(NodeKey(node));
        }
    }
    return keys;
}

void CollectionTree::Expand(const QStringList& keys)
{
    for (const QString& key : keys) {
        if (QTreeWidgetItem* node = Node(key)) {
            node->setExpanded(true);
        }
    }
}

QString CollectionTree::ParentNodeKey(const QString& key) const
{
    const QTreeWidgetItem* node = Node(key);
    return node ? NodeKey(node->parent()) : QString();
}

QStringList CollectionTree::ChildNodeKeys(const QString& key) const
{
    QStringList keys;
    if (const QTreeWidgetItem* node = Node(key)) {
        for (int i = 0; i < node->childCount(); ++i) {
            keys.append(NodeKey(node->child(i)));
        }
    }
    return keys;
}
