#include "shell/frmMain.h"

#include "commands/ItemCommands.h"
#include "commands/MoveCommands.h"
#include "commands/MultiItemAdd.h"
#include "core/Collections.h"
#include "core/CommandState.h"
#include "core/ItemView.h"
#include "core/MainLayout.h"
#include "core/TreeNodes.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"
#include "shell/DialogEditors.h"
#include "shell/ProgressBar.h"
#include "shell/TypeAheadFilter.h"
#include "shell/frmAbout.h"
#include "shell/frmMemory.h"
#include "shell/frmSearch.h"
#include "shell/frmSettings.h"
#include "shell/mMain.h"
#include "transfer/TransferCommands.h"
#include "widgets/MainImages.h"
#include "widgets/mControls.h"

#include "AnsiText.h"
#include "CCategories.h"
#include "CGroups.h"
#include "OnlineHost.h"
#include "WebBrowser.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragMoveEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSet>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

namespace {

// The tree's indentation in twips.
constexpr double kIndentation = 100;

// The hourglass for as long as a command runs.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The item commands' view of the window's tree.
class WindowTree : public NodeTree
{
public:
    explicit WindowTree(const frmMain& window) : m_window(window) {}
    bool HasNode(const QString& key) const override { return m_window.Node(key) != nullptr; }
    QString ParentNodeKey(const QString& key) const override
    {
        const QTreeWidgetItem* node = m_window.Node(key);
        return node ? frmMain::NodeKey(node->parent()) : QString();
    }
    QStringList ChildNodeKeys(const QString& key) const override
    {
        QStringList keys;
        if (const QTreeWidgetItem* node = m_window.Node(key)) {
            for (int i = 0; i < node->childCount(); ++i) {
                keys.append(frmMain::NodeKey(node->child(i)));
            }
        }
        return keys;
    }

private:
    const frmMain& m_window;
};

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("frmMain");
    setWindowTitle("Vidsora");
    imglTree = MainImages::TreeImages();
    imglToolbar = MainImages::ToolbarImages();
    setWindowIcon(QIcon(imglTree.value("imgVidsora")));

    m_client = new QWidget(this);
    m_client->setObjectName("client");
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    treeMovies = new QTreeWidget(m_client);
    treeMovies->setObjectName("treeMovies");
    treeMovies->setColumnCount(1);
    treeMovies->header()->hide();
    treeMovies->setSelectionMode(QAbstractItemView::SingleSelection);
    treeMovies->setIconSize(QSize(16, 16));
    treeMovies->setUniformRowHeights(true);
    treeMovies->setAcceptDrops(true);
    treeMovies->installEventFilter(this);
    treeMovies->viewport()->installEventFilter(this);
    connect(treeMovies, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
        if (!m_blnLoading) {
            treeMovies_NodeClick(node);
        }
    });
    // Moving through the tree with the keyboard selects as a click does; mouse presses are handled by the click.
    // A current node that is not selected (the tree's own choice when it gets the focus) is no selection.
    connect(treeMovies, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (node && node->isSelected() && !m_blnSelecting && !m_blnMouseDown && !m_blnLoading) {
            treeMovies_NodeClick(node);
        }
    });
    connect(treeMovies, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
        ShowExpandedImage(node, false);
        if (!m_blnSelecting && !m_blnLoading) {
            treeMovies_Collapse(node);
        }
    });
    connect(treeMovies, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { ShowExpandedImage(node, true); });

    picDrag = new QFrame(m_client);
    picDrag->setObjectName("picDrag");
    picDrag->setCursor(Qt::SplitHCursor);
    picDrag->installEventFilter(this);

    webObject = new WebBrowser(m_client);
    webObject->setObjectName("webObject");
    auto* tmFocus = new QTimer(this);
    tmFocus->setObjectName("tmFocus");
    tmFocus->setSingleShot(true);
    tmFocus->setInterval(100);
    connect(webObject, &WebBrowser::gotFocus, tmFocus, qOverload<>(&QTimer::start));
    // A print that went wrong is said, once the print has wound down.
    connect(
        webObject, &WebBrowser::printFinished, this,
        [this](bool ok) {
            if (!ok) {
                const QString file = webObject->printFile();
                QMessageBox::warning(
                    this, QStringLiteral("Vidsora"),
                    file.isEmpty() ? QStringLiteral("The page could not be printed.")
                                   : QStringLiteral("The page could not be written to the PDF file \"%1\".").arg(file));
            }
        },
        Qt::QueuedConnection);

    auto* tobMain = new QToolBar(this);
    tobMain->setObjectName("tobMain");
    tobMain->setMovable(false);
    tobMain->setFloatable(false);
    tobMain->setIconSize(QSize(16, 16));
    tobMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tobMain->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, tobMain);
    connect(tobMain, &QToolBar::actionTriggered, this, &frmMain::tobMain_ButtonClick);

    QStatusBar* sbMain = statusBar();
    sbMain->setObjectName("sbMain");
    sbMain->setSizeGripEnabled(true);
    pnSmall = new QLabel(sbMain);
    pnSmall->setObjectName("pnSmall");
    pnLarge = new QLabel(sbMain);
    pnLarge->setObjectName("pnLarge");
    for (QLabel* panel : {pnSmall, pnLarge}) {
        // Item names are shown as they are, never read as markup.
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
    }
    pnSmall->setMinimumWidth(110);
    sbMain->addWidget(pnSmall, 0);
    sbMain->addWidget(pnLarge, 1);
    pgMain = new ProgressBar(sbMain);
    pgMain->setObjectName("pgMain");
    pgMain->hide();

    BuildMenus();
    resize(800, 600);
}

frmMain::~frmMain()
{
    Unload();
}

double frmMain::TwipsPerPixel() const
{
    const int dpi = logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

// ---------------------------------------------------------------------------------------------------------------
// Menus and toolbar

QMenu* frmMain::AddMenu(QMenu* parent, const char* name, const QString& caption)
{
    QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    m_menu.insert(name, menu->menuAction());
    return menu;
}

QAction* frmMain::AddEntry(QMenu* menu, const char* name, const QString& caption)
{
    QAction* entry = menu->addAction(caption);
    entry->setObjectName(name);
    m_menu.insert(name, entry);
    return entry;
}

QAction* frmMain::AddLine(QMenu* menu, const char* name)
{
    QAction* line = menu->addSeparator();
    line->setObjectName(name);
    m_menu.insert(name, line);
    return line;
}

void frmMain::BuildMenus()
{
    // The entries get their commands from the command table once they all stand (RouteEntries).
    QMenu* mnuFile = AddMenu(nullptr, "mnuFile", "&File");
    QAction* mnuSave = AddEntry(mnuFile, "mnuSave", "&Save");
    mnuSave->setShortcut(QKeySequence("Ctrl+S"));
    mnuSave->setEnabled(false);
    AddEntry(mnuFile, "mnuPreview", "P&review...");
    AddEntry(mnuFile, "mnuPrint", "&Print...");
    AddLine(mnuFile, "mnuFileline2");
    AddEntry(mnuFile, "mnuEdit", "&Edit...");
    AddLine(mnuFile, "mnuFileline1");
    AddEntry(mnuFile, "mnuExit", "E&xit");

    QMenu* mnuView = AddMenu(nullptr, "mnuView", "&View");
    AddEntry(mnuView, "mnuViewSettings", "&Settings...");
    QAction* full = AddEntry(mnuView, "mnuFullStructure", "Full structure");
    full->setCheckable(true);
    full->setChecked(true);
    AddLine(mnuView, "mniViewline1");
    AddEntry(mnuView, "mnuFind", "&Find...")->setShortcut(QKeySequence("Ctrl+F"));
    AddEntry(mnuView, "mnuRefresh", "&Refresh")->setShortcut(QKeySequence("F5"));

    QMenu* mnuVidsoraCom = AddMenu(nullptr, "mnuVidsoraCom", "&Com");
    mnuVidsoraCom->menuAction()->setVisible(false);
    AddEntry(mnuVidsoraCom, "mnuComLogin", "&Login to Vidsora: Online...");
    QMenu* mnuComUser = AddMenu(mnuVidsoraCom, "mnuComUser", "User");
    mnuComUser->menuAction()->setVisible(false);
    AddEntry(mnuComUser, "mnuComNewuser", "New user registration...");
    AddEntry(mnuVidsoraCom, "mnuComAnnouncements", "Check announcements...")->setVisible(false);

    QMenu* mnuTools = AddMenu(nullptr, "mnuTools", "&Tools");
    connect(mnuTools, &QMenu::aboutToShow, this, &frmMain::mnuTools_Click);
    AddEntry(mnuTools, "mnuToolsDVDOrbelImport", "Add from Vidsora: Online...");
    AddEntry(mnuTools, "mnuAddbox", "Add &box");
    AddEntry(mnuTools, "mhuAddMedia", "Add m&edia");
    AddEntry(mnuTools, "mnuAddMovie", "Add &movie");
    AddLine(mnuTools, "mnuToolsline3");
    AddEntry(mnuTools, "mnuAddCategory", "Add &category");
    AddEntry(mnuTools, "mnuAddGroup", "Add &group");
    AddLine(mnuTools, "mnuToolsline1");
    AddEntry(mnuTools, "mnuUEFImport", "Import &from UEF...");
    AddEntry(mnuTools, "mnuUEFExport", "Export selected item to &UEF...");
    AddLine(mnuTools, "mnuToolsline2");
    AddEntry(mnuTools, "mnuToolsDVDOrbelSubmit", "Submit selected item to Vidsora: Online");
    AddEntry(mnuTools, "mnuMyMovies", "Upload my movies...");
    AddEntry(mnuTools, "mnuCollectionOnline", "Go to my collection online");

    QMenu* mnuHelp = AddMenu(nullptr, "mnuHelp", "&Help");
    QAction* mnuDoHelp = AddEntry(mnuHelp, "mnuDoHelp", "&Help");
    mnuDoHelp->setShortcut(QKeySequence("F1"));
    mnuDoHelp->setEnabled(false);
    AddLine(mnuHelp, "mnuHelpLine1");
    AddEntry(mnuHelp, "mnuAbout", "&About...");

    // The popup menu never stands on the menu bar; the tree opens it on a right click.
    mnuPopup = new QMenu("PopUp", this);
    mnuPopup->setObjectName("mnuPopup");
    AddEntry(mnuPopup, "mnuPopupEdit", "Edit...");
    AddLine(mnuPopup, "mnupopuline3");
    AddEntry(mnuPopup, "mnuNewBox", "Add box...");
    AddEntry(mnuPopup, "mnuNewMedia", "Add media...");
    AddEntry(mnuPopup, "mnuNewMovie", "Add movie...");
    AddLine(mnuPopup, "mnuPoipupline3");
    AddEntry(mnuPopup, "mnuNewCategory", "Add category...");
    AddEntry(mnuPopup, "mnuNewSubcategory", "Add group...");
    AddLine(mnuPopup, "mnuLine1");
    AddEntry(mnuPopup, "mnuDelete", "Delete");
    AddLine(mnuPopup, "mnuLine3");
    AddEntry(mnuPopup, "mnuExport", "Export to UEF...");
    AddEntry(mnuPopup, "mnuImport", "Import from UEF...");
    AddLine(mnuPopup, "mnuline5");
    AddEntry(mnuPopup, "mnuOrbelImport", "Import from Vidsora: Online...");
    AddEntry(mnuPopup, "mnuOrbelExport", "Submit to Vidsora: Online...");
    RouteEntries();
}

void frmMain::RouteEntries()
{
    for (const CommandTable::Route& route : CommandTable::Routes()) {
        if (route.surface == CommandTable::Surface::Toolbar) {
            continue; // tobMain_ButtonClick dispatches the buttons
        }
        QAction* entry = m_menu.value(QLatin1String(route.name), nullptr);
        if (!entry) {
            continue;
        }
        connect(entry, &QAction::triggered, this, [this, command = route.command] { RunCommand(command); });
    }
}

void frmMain::BuildToolbar()
{
    auto* tobMain = findChild<QToolBar*>("tobMain");
    if (!tobMain || !m_buttons.isEmpty()) {
        return;
    }
    struct Button
    {
        const char* key;
        const char* image;
        const char* tooltip;
    };
    static const Button buttons[] = {
        {"btnPrint", "imgPrint", "Print"},
        {"btnPreview", "imgPreview", "Preview..."},
        {nullptr, nullptr, nullptr},
        {"btnEdit", "imgEdit", "Edit..."},
        {"btnDelete", "imgDelete", "Delete..."},
        {nullptr, nullptr, nullptr},
        {"btnOrbelImport", "imgOnlineImport", "Import from Vidsora: Online..."},
        {"btnOrbelExport", "imgOnlineSubmit", "Export to Vidsora: Online..."},
        {nullptr, nullptr, nullptr},
        {"btnAddCategory", "imgCategory", "Add category..."},
        {"btnAddSubcategory", "imgSubcategory", "Add subcategory..."},
        {"btnAddBox", "imgBox", "Add box..."},
        {"btnAddMedia", "imgMedia", "Add media..."},
        {"btnAddMovie", "imgMovie", "Add movie..."},
        {nullptr, nullptr, nullptr},
        {"btnUEFImport", "imgUEFIm", "Import from UEF..."},
        {"btnUEFExport", "imgUEFEx", "Export to UEF..."},
    };
    for (const Button& b : buttons) {
        if (!b.key) {
            tobMain->addSeparator();
            continue;
        }
        QAction* button = tobMain->addAction(QIcon(imglToolbar.value(b.image)), QString());
        button->setObjectName(b.key);
        button->setToolTip(b.tooltip);
        button->setData(QString::fromLatin1(b.image));
        m_buttons.insert(b.key, button);
    }
}

void frmMain::SetCommandState(const QString& strKey)
{
    const QStringList enabled = CommandState::EnabledCommands(strKey);
    for (const QString& name : CommandState::ManagedCommands()) {
        QAction* command = m_menu.value(name, nullptr);
        if (!command) {
            command = m_buttons.value(name, nullptr);
        }
        if (command) {
            command->setEnabled(enabled.contains(name));
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Set-up and unload

void frmMain::Load()
{
    InitiateForm();
    // From now on the window collects what the user types; the hidden word opens the pairs game.
    if (!findChild<TypeAheadFilter*>()) {
        connect(new TypeAheadFilter(this), &TypeAheadFilter::hiddenWordTyped, this, [this] {
            if (!m_blnLoading) {
                frmMemory::Play(this);
            }
        });
    }
}

void frmMain::InitiateForm()
{
    {
        WaitCursor wait;
        m_dblSplit = 0.239;
        NavigateBrowser("about:blank");
        treeMovies->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // The control never indents less than its images and expand marks need.
        treeMovies->setIndentation(qMax(qRound(kIndentation / TwipsPerPixel()), 19));
        if (!CreateTempFolder(&m_strTempTried)) {
            // The item view then shows no pages; the tree and the commands still work.
            qCWarning(lcApp) << "no temporary folder could be made:" << m_strTempTried;
        }
        BuildToolbar();
        FillTree();
    }
    m_strKey = "!0";
    ShowItem("!0");
    SetCommandState("!0");
    if (m_root) {
        m_root->setExpanded(true);
    }
    ReadRegSetting("CheckAnnouncements", "-1");
    LayoutForm();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // The loads run to their end before the window may go.
    if (m_blnLoading) {
        event->ignore();
        return;
    }
    // A window never closes under a running print (the print would outlive the printer and page it uses): it
    // closes once the print has ended.
    if (webObject->isPrinting()) {
        if (!m_blnCloseAfterPrint) {
            m_blnCloseAfterPrint = true;
            connect(
                webObject, &WebBrowser::printingEnded, this,
                [this] {
                    m_blnCloseAfterPrint = false;
                    close();
                },
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        }
        event->ignore();
        return;
    }
    Unload();
    event->accept();
}

void frmMain::Unload()
{
    if (m_blnUnloaded) {
        return;
    }
    m_blnUnloaded = true;
    if (!gTempFolder.isEmpty()) {
        RemoveTempFolder();
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The tree

QString frmMain::NodeKey(const QTreeWidgetItem* node)
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

QTreeWidgetItem* frmMain::SelectedNode() const
{
    const QList<QTreeWidgetItem*> selected = treeMovies->selectedItems();
    if (!selected.isEmpty()) {
        return selected.first();
    }
    if (QTreeWidgetItem* node = Node(m_strKey)) {
        return node;
    }
    return m_root;
}

void frmMain::SelectNode(QTreeWidgetItem* node)
{
    if (!node) {
        return;
    }
    const bool was = m_blnSelecting;
    m_blnSelecting = true;
    treeMovies->setCurrentItem(node);
    node->setSelected(true);
    treeMovies->scrollToItem(node);
    m_blnSelecting = was;
}

QStringList frmMain::NodeKeys() const
{
    QStringList keys;
    keys.reserve(m_nodeOrder.size());
    for (const QTreeWidgetItem* node : m_nodeOrder) {
        keys.append(NodeKey(node));
    }
    return keys;
}

QString frmMain::SelectedKey() const
{
    return NodeKey(SelectedNode());
}

void frmMain::SelectAndShow(const QString& key)
{
    if (QTreeWidgetItem* node = Node(key)) {
        SelectNode(node);
        treeMovies_NodeClick(node);
    }
}

QIcon frmMain::NodeIcon(const QString& image, const QString& selectedImage)
{
    const QString cacheKey = image + '|' + selectedImage;
    auto it = m_nodeIcons.constFind(cacheKey);
    if (it != m_nodeIcons.constEnd()) {
        return *it;
    }
    QIcon icon;
    const QPixmap closed = imglTree.value(image);
    icon.addPixmap(closed, QIcon::Normal);
    icon.addPixmap(selectedImage.isEmpty() ? closed : imglTree.value(selectedImage), QIcon::Selected);
    m_nodeIcons.insert(cacheKey, icon);
    return icon;
}

void frmMain::ShowExpandedImage(QTreeWidgetItem* node, bool expanded)
{
    const QString expandedImage = node ? node->data(0, ExpandedImageRole).toString() : QString();
    if (expandedImage.isEmpty()) {
        return;
    }
    const QString selectedImage = node->data(0, SelectedImageRole).toString();
    node->setIcon(0, NodeIcon(expanded ? expandedImage : node->data(0, ImageRole).toString(), selectedImage));
}

QTreeWidgetItem* frmMain::AddNode(QTreeWidgetItem* parent, const TreeNode& item)
{
    // Keys are unique in the tree: a second node with a key already held is refused.
    if (!parent || m_nodes.contains(item.strKey)) {
        return nullptr;
    }
    auto* node = new QTreeWidgetItem(parent);
    node->setText(0, item.strText);
    node->setData(0, KeyRole, item.strKey);
    node->setData(0, TagRole, item.strTag);
    node->setData(0, ImageRole, item.strImage);
    node->setData(0, SelectedImageRole, item.strSelectedImage);
    if (!item.strExpandedImage.isEmpty()) {
        node->setData(0, ExpandedImageRole, item.strExpandedImage);
    }
    node->setIcon(0, NodeIcon(item.strImage, item.strSelectedImage));
    m_nodes.insert(item.strKey, node);
    m_nodeOrder.append(node);
    return node;
}

void frmMain::AddItemNode(const QString& key, bool blnFlat)
{
    const std::optional<TreeNode> item = TreeNodes::NodeOf(key, blnFlat);
    if (!item) {
        return;
    }
    QTreeWidgetItem* parent = Node(item->strParentKey);
    if (!parent && item->blnRootWhenParentMissing) {
        parent = m_root;
    }
    AddNode(parent, *item);
}

void frmMain::FillTree()
{
    const bool was = m_blnSelecting;
    m_blnSelecting = true;
    const bool hadFocus = treeMovies->hasFocus();
    treeMovies->setUpdatesEnabled(false);
    treeMovies->hide();
    treeMovies->clear();
    m_nodes.clear();
    m_nodeOrder.clear();

    // The whole tree is built detached from the control and handed to it at once.
    const TreeNode root = TreeNodes::Root();
    m_root = new QTreeWidgetItem;
    m_root->setText(0, root.strText);
    m_root->setData(0, KeyRole, root.strKey);
    m_root->setData(0, ImageRole, root.strImage);
    m_root->setIcon(0, NodeIcon(root.strImage, QString()));
    m_nodes.insert(root.strKey, m_root);
    m_nodeOrder.append(m_root);

    const bool full = m_menu.value("mnuFullStructure")->isChecked();
    if (full && gCategories) {
        for (const auto& category : *gCategories) {
            AddItemNode(category->strKey(), false);
        }
    }
    if (full && gGroups) {
        for (const auto& group : *gGroups) {
            AddItemNode(group->strKey(), false);
        }
    }
    BuildChildLists();
    if (full) {
        for (const SortPairList* list :
             {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren, &gMediaChildren}) {
            AddSortedItemsToTree(*list, false);
        }
    } else {
        AddSortedItemsToTree(gFlatItems, true);
        AddSortedItemsToTree(gBoxChildren, false);
        AddSortedItemsToTree(gMediaChildren, false);
    }

    treeMovies->addTopLevelItem(m_root);
    treeMovies->show();
    m_root->setExpanded(true);
    treeMovies->setUpdatesEnabled(true);
    if (hadFocus) {
        treeMovies->setFocus();
    }
    // The count follows every refill, also one that shows no page (a box set made, a file imported).
    pnSmall->setText(ItemViews::ItemCountText());
    m_blnSelecting = was;
}

void frmMain::AddSortedItemsToTree(const SortPairList& list, bool blnFlat)
{
    for (int i = 1; i <= list.UBound(); ++i) {
        AddItemNode(list[i].strKey, blnFlat);
    }
}

void frmMain::treeMovies_NodeClick(QTreeWidgetItem* node)
{
    if (!node) {
        node = SelectedNode();
    }
    if (!node) {
        return;
    }
    const QString key = NodeKey(node);
    {
        WaitCursor wait;
        m_strKey = key;
        ShowItem(key);
    }
    SetCommandState(key);
}

void frmMain::treeMovies_Collapse(QTreeWidgetItem* node)
{
    // What the item view shows is also what the tree marks, so Delete acts on it.
    SelectNode(node);
    treeMovies_NodeClick(node);
    if (m_root && !m_root->isExpanded()) {
        const bool was = m_blnSelecting;
        m_blnSelecting = true;
        m_root->setExpanded(true);
        m_blnSelecting = was;
    }
}

void frmMain::treeMovies_KeyDown(int keyCode)
{
    // The key runs the Delete command also while its entries are disabled; the command asks nothing at the root.
    if (keyCode == Qt::Key_Delete) {
        RunCommand(CommandTable::Command::Delete);
    }
}

void frmMain::treeMovies_MouseDown(Qt::MouseButton button, const QPoint& pos)
{
    if (button != Qt::RightButton) {
        return;
    }
    QTreeWidgetItem* hit = treeMovies->itemAt(pos);
    if (!hit) {
        return;
    }
    if (NodeKey(hit) != NodeKey(SelectedNode())) {
        SelectNode(hit);
        treeMovies_NodeClick(SelectedNode());
        m_strKey = NodeKey(SelectedNode());
    }
    SetCommandState(m_strKey);
    mnuPopup->popup(treeMovies->viewport()->mapToGlobal(pos));
}

void frmMain::treeMovies_PopupAtSelection()
{
    QTreeWidgetItem* node = SelectedNode();
    if (!node || mnuPopup->isVisible()) {
        return;
    }
    if (NodeKey(node) != m_strKey) {
        treeMovies_NodeClick(node);
    }
    SetCommandState(m_strKey);
    treeMovies->scrollToItem(node);
    const QRect rect = treeMovies->visualItemRect(node);
    const QRect shown = treeMovies->viewport()->rect();
    const QPoint at(qBound(shown.left(), rect.left() + rect.height(), shown.right()),
                    qBound(shown.top(), rect.bottom(), shown.bottom()));
    mnuPopup->popup(treeMovies->viewport()->mapToGlobal(at));
}

void frmMain::treeMovies_DragOver(const QPoint& pos)
{
    if (QTreeWidgetItem* hit = treeMovies->itemAt(pos)) {
        SelectNode(hit);
        treeMovies_NodeClick(SelectedNode());
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client) {
        if (event->type() == QEvent::Resize) {
            LayoutForm();
        }
        return false;
    }
    if (watched == picDrag) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            picDrag_MouseDown();
            return true;
        case QEvent::MouseMove:
            if (m_blnMoving) {
                picDrag_MouseMove(static_cast<QMouseEvent*>(event)->position().x() * TwipsPerPixel());
            }
            return true;
        case QEvent::MouseButtonRelease:
            picDrag_MouseUp();
            return true;
        default:
            return false;
        }
    }
    if (watched == treeMovies && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The Menu key and Shift+F10 open the popup menu at the selected node, as a right click does at its own.
        if ((key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier) ||
            (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            if (!m_blnLoading) {
                treeMovies_PopupAtSelection();
            }
            return true;
        }
        if (!m_blnLoading) {
            treeMovies_KeyDown(key->key());
        }
        return false;
    }
    // The desktop may send the Menu key as a context-menu request of the keyboard instead.
    if ((watched == treeMovies || watched == treeMovies->viewport()) && event->type() == QEvent::ContextMenu) {
        if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard && !m_blnLoading) {
            treeMovies_PopupAtSelection();
        }
        return true;
    }
    if (watched == treeMovies->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                if (!m_blnLoading) {
                    treeMovies_MouseDown(Qt::RightButton, mouse->position().toPoint());
                }
                return true;
            }
            m_blnMouseDown = true;
            return false;
        }
        case QEvent::MouseButtonRelease:
            if (m_blnMouseDown) {
                m_blnMouseDown = false;
                // A press that dragged the selection to another node ends on that node.
                QTimer::singleShot(0, this, [this] {
                    QTreeWidgetItem* current = treeMovies->currentItem();
                    if (current && current->isSelected() && NodeKey(current) != m_strKey && !m_blnLoading) {
                        treeMovies_NodeClick(current);
                    }
                });
            }
            return false;
        case QEvent::DragEnter:
            static_cast<QDragEnterEvent*>(event)->acceptProposedAction();
            return true;
        case QEvent::DragMove:
            if (!m_blnLoading) {
                treeMovies_DragOver(static_cast<QDragMoveEvent*>(event)->position().toPoint());
            }
            static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
            return true;
        case QEvent::Drop:
            event->ignore();
            return true;
        default:
            return false;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------------------------
// Item view

void frmMain::ShowItem(const QString& strKey)
{
    const ItemView view = ItemViews::Make(strKey);
    pnSmall->setText(view.strSmall);
    if (view.strLarge) {
        pnLarge->setText(*view.strLarge);
    }
    if (view.strPage.isEmpty()) {
        return;
    }
    // No temporary folder, no page: nothing is written anywhere else, and the user hears of it once.
    if (view.strFile.isEmpty()) {
        if (!m_blnNoPagesTold) {
            m_blnNoPagesTold = true;
            QMessageBox::warning(this, QStringLiteral("Vidsora"),
                                 QStringLiteral("Item pages cannot be shown: the temporary folder \"%1\" could not "
                                                "be made.")
                                     .arg(m_strTempTried.isEmpty() ? QDir::tempPath() : m_strTempTried));
        }
        return;
    }
    // A page that cannot be written leaves the browser on its own page for a missing file.
    if (!ItemViews::WritePage(view)) {
        qCWarning(lcApp) << "the item page could not be written:" << view.strFile;
    }
    NavigateBrowser(view.strFile);
}

void frmMain::NavigateBrowser(const QString& url)
{
    if (!webObject->Navigate2(url)) {
        webObject->Navigate(url);
    }
}

void frmMain::PrintItem(bool bPrompt)
{
    // Without the dialog the page goes straight to the printer; with none installed that is said, and nothing is
    // written anywhere: the print dialog is the way to a PDF file the user names.
    if (!bPrompt && !webObject->hasPrintTarget()) {
        QMessageBox::information(this, QStringLiteral("Vidsora"),
                                 QStringLiteral("No printer is installed. To print the page to a PDF file, choose "
                                                "Print... in the File menu."));
        return;
    }
    webObject->ExecWB(WebBrowser::OLECMDID_PRINT,
                      bPrompt ? WebBrowser::OLECMDEXECOPT_PROMPTUSER : WebBrowser::OLECMDEXECOPT_DONTPROMPTUSER);
}

void frmMain::PrintPreviewItem()
{
    webObject->ExecWB(WebBrowser::OLECMDID_PRINTPREVIEW, WebBrowser::OLECMDEXECOPT_DODEFAULT);
}

// ---------------------------------------------------------------------------------------------------------------
// Layout and splitter bar

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutForm();
}

void frmMain::LayoutForm()
{
    const double tpp = TwipsPerPixel();
    auto px = [tpp](double twips) { return qRound(twips / tpp); };
    const int minimum = px(MainLayout::kMinWindow);
    if (width() < minimum) {
        resize(minimum, height());
    }
    if (height() < minimum) {
        resize(width(), minimum);
    }

    // The client widget already lies between the toolbar and the status bar.
    const double W = m_client->width() * tpp;
    const MainLayout::Panes panes =
        MainLayout::Layout(W, m_client->height() * tpp, m_blnMoving ? m_dragLeft : MainLayout::BarLeft(W, m_dblSplit));
    if (!m_blnMoving) {
        m_dragLeft = panes.barLeft;
        picDrag->setGeometry(px(m_dragLeft), 0, px(MainLayout::kBarWidth), px(panes.height));
    }
    const auto place = [&px, &panes](QWidget* pane, double left, double width) {
        pane->setGeometry(px(left), 0, qMax(0, px(left + width) - px(left)), px(panes.height));
    };
    place(treeMovies, panes.treeLeft, panes.treeWidth);
    place(webObject, panes.webLeft, panes.webWidth);
}

void frmMain::PlaceBar(double left)
{
    m_dragLeft = left;
    picDrag->move(qRound(left / TwipsPerPixel()), picDrag->y());
}

void frmMain::picDrag_MouseDown()
{
    // In front of the tree and the browser while it moves.
    picDrag->raise();
    m_blnMoving = true;
}

void frmMain::picDrag_MouseMove(double x)
{
    const MainLayout::BarMove move = MainLayout::Drag(m_client->width() * TwipsPerPixel(), m_dragLeft, x);
    PlaceBar(move.left);
    m_dblSplit = move.split;
    if (move.relayout) {
        LayoutForm();
    }
}

void frmMain::picDrag_MouseUp()
{
    m_blnMoving = false;
    if (const auto move = MainLayout::Release(m_client->width() * TwipsPerPixel(), m_dragLeft)) {
        PlaceBar(move->left);
        m_dblSplit = move->split;
    }
    LayoutForm();
}

// ---------------------------------------------------------------------------------------------------------------
// Reload

void frmMain::ReloadDatabase()
{
    if (m_blnLoading) {
        return;
    }
    const QString dbPath = ReadRegSetting("DBPath", DefaultDBPath()).toString();
    // The store is made sure of and locked again before anything reads it; one that cannot be opened (not to be
    // created, or in use by another program) leaves the window as it is.
    if (!mMain::OpenStore(dbPath)) {
        return;
    }
    m_blnLoading = true;
    WaitCursor wait;

    pnSmall->setText("Preparing...");
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QStringList expandedKeys{QString()};
    for (const QTreeWidgetItem* node : std::as_const(m_nodeOrder)) {
        if (node->isExpanded()) {
            expandedKeys.append(NodeKey(node));
        }
    }
    pnSmall->setText("Loading...");
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    // The bar covers the large panel, inset as the status bar's frame asks.
    const double tpp = TwipsPerPixel();
    auto px = [tpp](double twips) { return qRound(twips / tpp); };
    const QRect panel = pnLarge->geometry();
    QStatusBar* sbMain = statusBar();
    pgMain->setGeometry(panel.left() + px(15), px(50), qMax(0, panel.width() - px(30)),
                        qMax(0, sbMain->height() - px(60)));
    pgMain->raise();
    pgMain->setValueF(0);
    pgMain->show();

    pgMain->setMax(float(Collections::EntryCount(dbPath)));
    Collections::LoadAll(dbPath, pgMain);

    pgMain->hide();
    pnSmall->setText(QString());
    FillTree();

    for (qsizetype i = 1, last = expandedKeys.size() - 1; i <= last; ++i) {
        if (QTreeWidgetItem* node = Node(expandedKeys.at(i))) {
            node->setExpanded(true);
        }
    }
    const TreeNodeLookup lookup = [this](const QString& key) { return Node(key); };
    SelectNode(TreeNodeExists(lookup, m_strKey) ? Node(m_strKey) : m_root);
    m_strKey.clear();
    m_blnLoading = false;
    treeMovies_NodeClick(SelectedNode());
}

// ---------------------------------------------------------------------------------------------------------------
// Commands

void frmMain::tobMain_ButtonClick(QAction* button)
{
    // A separator or a key the table does not know runs nothing.
    if (const std::optional<CommandTable::Command> command =
            button ? CommandTable::ButtonCommand(button->objectName()) : std::nullopt) {
        RunCommand(*command);
    }
}

void frmMain::SetCommandObserver(std::function<bool(CommandTable::Command)> observer)
{
    m_commandObserver = std::move(observer);
}

void frmMain::RunCommand(CommandTable::Command command)
{
    // No command runs while the collections load.
    if (m_blnLoading) {
        return;
    }
    if (m_commandObserver && m_commandObserver(command)) {
        return;
    }
    using CommandTable::Command;
    switch (command) {
    case Command::None:
    case Command::Help:
        break;
    case Command::Preview:
        mnuPreview_Click();
        break;
    case Command::PrintWithDialog:
        mnuPrint_Click();
        break;
    case Command::PrintNow:
        PrintItem(false);
        break;
    case Command::Edit:
        mnuEdit_Click();
        break;
    case Command::Exit:
        mnuExit_Click();
        break;
    case Command::Settings:
        frmSettings::ShowSettings(QString(), this);
        break;
    case Command::FullStructure:
        mnuFullStructure_Click();
        break;
    case Command::Find:
        mnuFind_Click();
        break;
    case Command::Refresh:
        mnuRefresh_Click();
        break;
    case Command::ComLogin:
        TransferCommands::ComUserLogin(this);
        break;
    case Command::ComNewUser:
        TransferCommands::ComNewUser(this);
        break;
    case Command::ComAnnouncements:
        TransferCommands::ComAnnouncements(this);
        break;
    case Command::ImportOnline:
        if (TransferCommands::ImportOnline(this, m_strKey)) {
            FillTree();
        }
        break;
    case Command::AddBox:
        AddBox();
        break;
    case Command::AddMedia:
        AddMedia();
        break;
    case Command::AddMovie:
        AddMovie();
        break;
    case Command::AddCategory:
        AddCategory();
        break;
    case Command::AddSubcategory:
        AddSubcategory();
        break;
    case Command::ImportUEF:
        // A read file may have added items anywhere: the tree is refilled whatever came of it.
        if (TransferCommands::ImportUEFFile(this, m_strKey)) {
            FillTree();
        }
        break;
    case Command::ExportUEF:
        TransferCommands::ExportSelectedToUEF(this, m_strKey);
        break;
    case Command::SubmitOnline:
        TransferCommands::SubmitItemOnline(this, m_strKey);
        break;
    case Command::UploadCollection:
        TransferCommands::UploadCollection(this);
        break;
    case Command::CollectionOnline:
        mnuCollectionOnline_Click();
        break;
    case Command::About:
        mnuAbout_Click();
        break;
    case Command::Delete:
        mnuDelete_Click();
        break;
    }
}

void frmMain::mnuPreview_Click()
{
    PrintPreviewItem();
}

void frmMain::mnuPrint_Click()
{
    PrintItem(true);
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::mnuFullStructure_Click()
{
    // The entry is checkable, so its mark has already been inverted.
    FillTree();
}

void frmMain::mnuFind_Click()
{
    frmSearch dlg(this, this);
    dlg.exec();
}

void frmMain::mnuRefresh_Click()
{
    ReloadDatabase();
}

void frmMain::mnuTools_Click()
{
    // Blanks count as a user name: the value is not trimmed here.
    m_menu.value("mnuCollectionOnline")->setEnabled(!ReadRegSetting("User").toString().isEmpty());
}

void frmMain::mnuCollectionOnline_Click()
{
    const QString user = AnsiText::Trim(ReadRegSetting("User").toString());
    // The name is percent-encoded so that no character of it can change the address.
    const QString address = QStringLiteral("http://%1/index.asp?Collection=%2")
                                .arg(OnlineWebHost(), QString::fromLatin1(AnsiText::Encode(user).toPercentEncoding()));
    OpenDocument(address);
}

void frmMain::mnuAbout_Click()
{
    frmAbout dlg(this);
    dlg.exec();
}

void frmMain::mnuEdit_Click()
{
    EditItem(m_strKey);
}

void frmMain::mnuDelete_Click()
{
    DeleteItem(m_strKey, true);
    // Nothing deleted: the selection stays. Otherwise the tree's own choice after the removal, else the root.
    QTreeWidgetItem* node = treeMovies->selectedItems().value(0, nullptr);
    if (!node) {
        node = Node(m_strKey);
    }
    if (!node) {
        node = treeMovies->currentItem();
    }
    if (!node) {
        node = m_root;
    }
    SelectNode(node);
    treeMovies_NodeClick(node);
}

// ---------------------------------------------------------------------------------------------------------------
// Item commands

void frmMain::SetItemEditors(std::unique_ptr<ItemEditors> editors)
{
    m_editors = std::move(editors);
}

ItemEditors& frmMain::Editors()
{
    if (!m_editors) {
        m_editors = std::make_unique<DialogEditors>(this);
    }
    return *m_editors;
}

void frmMain::AddCategory()
{
    ShowAddedItem(ItemCommands::AddCategory(Editors(), WindowTree(*this)));
}

void frmMain::AddSubcategory()
{
    ShowAddedItem(ItemCommands::AddSubcategory(Editors(), WindowTree(*this), m_strKey));
}

void frmMain::AddMovie()
{
    ShowAddedItem(ItemCommands::AddMovie(Editors(), WindowTree(*this), m_strKey));
}

ItemWorkshops& frmMain::Workshops()
{
    if (auto* workshops = dynamic_cast<ItemWorkshops*>(&Editors())) {
        return *workshops;
    }
    if (!m_workshops) {
        m_workshops = std::make_unique<DialogEditors>(this);
    }
    return *m_workshops;
}

void frmMain::AddBox()
{
    ShowCreated(ItemCommands::AddBox(Editors(), Workshops(), m_strKey));
}

void frmMain::AddMedia()
{
    ShowCreated(ItemCommands::AddMedia(Editors(), Workshops(), m_strKey));
}

void frmMain::ShowCreated(const ItemCommands::CreationOutcome& created)
{
    if (!created.blnRefill) {
        return;
    }
    {
        WaitCursor wait;
        FillTree();
    }
    // The refill marks nothing: the selection keeps its mark and its page; the new container comes into view.
    SelectNode(Node(m_strKey));
    if (QTreeWidgetItem* node = Node(created.strKey)) {
        treeMovies->scrollToItem(node);
    }
}

void frmMain::ShowAddedItem(const ItemCommands::AddOutcome& added)
{
    if (added.strKey.isEmpty()) {
        return;
    }
    if (added.node) {
        SelectNode(AddNode(Node(added.node->strParentKey), *added.node));
    }
    // Without a node (its parent is not shown) the marked node is shown again.
    treeMovies_NodeClick(SelectedNode());
}

void frmMain::EditItem(const QString& strKey)
{
    const ItemCommands::EditOutcome edited = ItemCommands::EditItem(Editors(), WindowTree(*this), strKey);
    if (edited.strKey.isEmpty()) {
        return;
    }
    QTreeWidgetItem* node = Node(edited.strKey);
    if (node && edited.nodeText) {
        node->setText(0, *edited.nodeText);
    }
    if (edited.blnRefill) {
        FillTree();
        // The refill marks nothing; the selection keeps its mark where it still has a node.
        SelectNode(Node(m_strKey));
    }
    ShowItem(m_strKey);
}

void frmMain::DeleteItem(const QString& strKey, bool blnAsk)
{
    if (!ItemCommands::ConfirmDelete(Editors(), strKey, blnAsk)) {
        return;
    }
    ItemCommands::DeleteOutcome deleted;
    {
        WaitCursor wait;
        deleted = ItemCommands::DeleteItem(WindowTree(*this), strKey);
        RemoveNodes(deleted.removed);
    }
    const QString failure = ItemCommands::DeleteFailureMessage(deleted);
    if (!failure.isEmpty()) {
        Editors().ShowWarning(failure);
    }
}

void frmMain::RemoveNodes(const QStringList& keys)
{
    const bool was = m_blnSelecting;
    m_blnSelecting = true;
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
    m_blnSelecting = was;
}

// ---------------------------------------------------------------------------------------------------------------
// Moves and summaries that no command reaches yet

bool frmMain::MoveMovie(const QString& strKey, const QVariant& target)
{
    return MoveCommands::MoveMovie(strKey, target.toString());
}

bool frmMain::MoveMedia(const QString& strKey, const QVariant& target)
{
    return MoveCommands::MoveMedia(strKey, target.toString());
}

bool frmMain::MoveBox(const QString& strKey, const QVariant& target)
{
    return MoveCommands::MoveBox(strKey, target.toString());
}

bool frmMain::MoveSubcategory(const QString& strKey, const QVariant& target)
{
    return MoveCommands::MoveSubcategory(strKey, target.toString());
}

QVariant frmMain::CollectDVDRegions(const QString& strKey) const
{
    return MoveCommands::CollectDVDRegions(strKey);
}

QString frmMain::GetNextNodeKey(const QTreeWidgetItem* node) const
{
    return node ? MoveCommands::GetNextNodeKey(WindowTree(*this), NodeKey(node)) : QString();
}
