#include "shell/frmMain.h"

#include "commands/ItemCommands.h"
#include "commands/MultiItemAdd.h"
#include "core/BackgroundWork.h"
#include "core/Collections.h"
#include "core/CommandState.h"
#include "core/ItemView.h"
#include "core/MainLayout.h"
#include "core/StoreGate.h"
#include "core/TreeNodes.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"
#include "shell/CollectionTree.h"
#include "shell/DialogEditors.h"
#include "shell/ProgressBar.h"
#include "shell/ReloadWork.h"
#include "shell/TypeAheadFilter.h"
#include "shell/frmAbout.h"
#include "shell/frmMemory.h"
#include "shell/frmSearch.h"
#include "shell/frmSettings.h"
#include "shell/mMain.h"
#include "transfer/TransferCommands.h"
#include "widgets/LongWork.h"
#include "widgets/MainImages.h"
#include "widgets/mControls.h"

#include "AnsiText.h"
#include "BrowserPane.h"
#include "OnlineHost.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QStatusBar>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <optional>
#include <utility>

namespace {

// The menu bar's look while it holds the keys after Alt or Esc: its current title is marked as when its menu is open,
// since some styles (Fusion among them) mark a title only while its menu shows, and the bar would look idle while
// plain letters open its menus.
class MenuBarKeysStyle : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuBarItem && (option->state & State_Selected) && !(option->state & State_Sunken) &&
            widget && widget->hasFocus()) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem marked = *item;
                marked.state |= State_Sunken;
                QProxyStyle::drawControl(element, &marked, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("frmMain");
    setWindowTitle("Vidsora");
    const QHash<QString, QPixmap> imglTree = MainImages::TreeImages();
    setWindowIcon(QIcon(imglTree.value("imgVidsora")));

    m_client = new QWidget(this);
    m_client->setObjectName("client");
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    m_tree = std::make_unique<CollectionTree>(m_client, imglTree);
    treeMovies = m_tree->Control();
    BindTree();

    picDrag = new QFrame(m_client);
    picDrag->setObjectName("picDrag");
    picDrag->setCursor(Qt::SplitHCursor);
    picDrag->installEventFilter(this);

    webObject = BrowserPane::Create(m_client);
    webObject->setObjectName("webObject");
    auto* tmFocus = new QTimer(this);
    tmFocus->setObjectName("tmFocus");
    tmFocus->setSingleShot(true);
    tmFocus->setInterval(100);
    connect(webObject, &BrowserPane::gotFocus, tmFocus, qOverload<>(&QTimer::start));
    // A print that went wrong is said, once the print has wound down.
    connect(
        webObject, &BrowserPane::printFinished, this,
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
    // The focus moves while the widgets go, after this window's members.
    disconnect(m_focusWatch);
    if (m_bar) {
        m_bar->removeEventFilter(this);
    }
    Unload();
}

double frmMain::TwipsPerPixel() const
{
    const int dpi = logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

// ---------------------------------------------------------------------------------------------------------------
// Menus and toolbar

void frmMain::BuildMenus()
{
    using namespace CommandTable;
    QHash<QString, QMenu*> menus;
    for (const Item& item : Items()) {
        if (item.surface == Surface::Toolbar) {
            continue; // BuildToolbar makes the buttons once the images are at hand
        }
        // The popup menu never stands on the menu bar; the tree opens it on a right click.
        if (item.surface == Surface::Popup && !mnuPopup) {
            mnuPopup = new QMenu("PopUp", this);
            mnuPopup->setObjectName("mnuPopup");
        }
        QMenu* in = item.surface == Surface::Popup ? mnuPopup : menus.value(QLatin1String(item.parent), nullptr);
        QAction* action = nullptr;
        if (item.kind == Kind::Submenu) {
            QMenu* menu = in ? in->addMenu(item.caption) : menuBar()->addMenu(item.caption);
            menu->setObjectName(item.name);
            menus.insert(item.name, menu);
            action = menu->menuAction();
        } else if (item.kind == Kind::Line) {
            action = in->addSeparator();
        } else {
            action = in->addAction(item.caption);
            connect(action, &QAction::triggered, this, [this, command = item.command] { RunCommand(command); });
        }
        action->setObjectName(item.name);
        m_menu.insert(item.name, action);
        action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
        if (item.flags & Checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        action->setEnabled(!(item.flags & Disabled));
        action->setVisible(!(item.flags & Hidden));
    }
    connect(menus.value("mnuTools"), &QMenu::aboutToShow, this, &frmMain::mnuTools_Click);

    // The bar holds the keys only while it shows so (see MenuBarKeysStyle), and gives them back to where they were.
    m_bar = menuBar();
    auto* keysStyle = new MenuBarKeysStyle;
    keysStyle->setParent(m_bar);
    m_bar->setStyle(keysStyle);
    m_bar->installEventFilter(this);
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this,
                           [this, bar = QPointer<QMenuBar>(menuBar())](QWidget* old, QWidget* now) {
                               if (bar && now == bar && old && old != bar && old->window() == this) {
                                   m_keysBefore = old;
                               }
                           });
}

void frmMain::MenuBarFocusIn()
{
    // The bar got the keys back without being asked for them (the window became active again after a dialog, and
    // the bar was the last to hold the keys): it would take plain letters as menu keys while showing nothing. The
    // keys go back to where they were before the bar took them.
    if (m_bar->activeAction() || QApplication::activePopupWidget()) {
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (!m_bar || !m_bar->hasFocus() || m_bar->activeAction()) {
            return;
        }
        QWidget* back = m_keysBefore && m_keysBefore->isVisible() && m_keysBefore->isEnabled()
                            ? m_keysBefore.data()
                            : static_cast<QWidget*>(treeMovies);
        back->setFocus(Qt::OtherFocusReason);
    });
}

void frmMain::BuildToolbar()
{
    auto* tobMain = findChild<QToolBar*>("tobMain");
    if (!tobMain || !m_buttons.isEmpty()) {
        return;
    }
    const QHash<QString, QPixmap> imglToolbar = MainImages::ToolbarImages();
    for (const CommandTable::Item& item : CommandTable::Items()) {
        if (item.kind == CommandTable::Kind::Gap) {
            tobMain->addSeparator();
        } else if (item.kind == CommandTable::Kind::Button) {
            QAction* button = tobMain->addAction(QIcon(imglToolbar.value(item.image)), QString());
            button->setObjectName(item.name);
            button->setToolTip(item.caption);
            button->setData(QString::fromLatin1(item.image));
            m_buttons.insert(item.name, button);
        }
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
        CursorOverride wait;
        m_dblSplit = 0.239;
        NavigateBrowser("about:blank");
        treeMovies->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_tree->SetIndentation(TwipsPerPixel());
        if (const auto made = CreateTempFolder(); !made) {
            // The item view then shows no pages; the tree and the commands still work.
            m_strTempTried = made.failure().path;
            qCWarning(lcApp) << "no temporary folder could be made:" << m_strTempTried;
        }
        BuildToolbar();
        FillTree();
    }
    m_strKey = "!0";
    ShowItem("!0");
    SetCommandState("!0");
    m_tree->ExpandRoot();
    ReadRegSetting("CheckAnnouncements", "-1");
    LayoutForm();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // A close asked for while the window waits (a load, a worker's hold on the store, long work of a command) is kept
    // and carried out once the wait has ended; the user's own Cancel of the wait gives it up.
    if (m_blnLoading || LongWork::Running()) {
        if (!m_blnCloseAsked) {
            m_blnCloseAsked = true;
            m_closeCancelMark = LongWork::UserCancels();
        }
        LongWork::CloseAsked();
        event->ignore();
        return;
    }
    // A window never closes under a running print (the print would outlive the printer and page it uses): it
    // closes once the print has ended.
    if (webObject->isPrinting()) {
        if (!m_blnCloseAfterPrint) {
            m_blnCloseAfterPrint = true;
            connect(
                webObject, &BrowserPane::printingEnded, this,
                [this] {
                    m_blnCloseAfterPrint = false;
                    close();
                },
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        }
        event->ignore();
        return;
    }
    // What the background jobs still remove (a cancelled import's items, a deleted container's folders) is out of
    // the store already: they stop where they are, and the next start sweeps the rest.
    BackgroundWork::GiveUp();
    if (!WaitForStore()) {
        event->ignore();
        return;
    }
    Unload();
    event->accept();
}

bool frmMain::CloseIfAsked()
{
    if (!m_blnCloseAsked || m_blnLoading || LongWork::Running()) {
        return false;
    }
    m_blnCloseAsked = false;
    if (LongWork::UserCancels() != m_closeCancelMark) {
        return false;
    }
    // Once the command that waited has unwound.
    QTimer::singleShot(0, this, [this] { close(); });
    return true;
}

bool frmMain::WaitForStore()
{
    // What a worker still does to the store (a cancelled import taking its items away, a cancelled reload reading to
    // the end of its kind) ends first; the window takes no other command meanwhile.
    bool waited = true;
    if (StoreGate::Held()) {
        const bool wasLoading = std::exchange(m_blnLoading, true);
        waited = LongWork::WaitForStore(this);
        m_blnLoading = wasLoading;
    }
    ReloadWork::DropAbandoned();
    return waited;
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

void frmMain::FillTree()
{
    m_tree->Fill(m_menu.value("mnuFullStructure")->isChecked());
    // The count follows every refill, also one that shows no page (a box set made, a file imported).
    pnSmall->setText(ItemViews::ItemCountText());
    // What a command acts on is what the tree marks: the selection is marked again, or, when the refill left it no
    // node (a category in the flat view), the root becomes the selection as a click makes it. Before set-up has
    // named a selection there is none to keep.
    if (m_strKey.isEmpty()) {
        return;
    }
    if (QTreeWidgetItem* node = Node(m_strKey)) {
        SelectNode(node);
        return;
    }
    SelectNode(m_tree->Root());
    treeMovies_NodeClick(m_tree->Root());
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
        CursorOverride wait;
        m_strKey = key;
        ShowItem(key);
    }
    SetCommandState(key);
}

void frmMain::BindTree()
{
    // What the user does in the tree runs the window's procedures; nothing runs while the collections load.
    const auto unlessLoading = [this](auto procedure) {
        return [this, procedure](auto&&... args) {
            if (!m_blnLoading) {
                (this->*procedure)(std::forward<decltype(args)>(args)...);
            }
        };
    };
    connect(m_tree.get(), &CollectionTree::nodeChosen, this, unlessLoading(&frmMain::treeMovies_NodeClick));
    connect(m_tree.get(), &CollectionTree::nodeCollapsed, this, unlessLoading(&frmMain::treeMovies_Collapse));
    connect(m_tree.get(), &CollectionTree::keyPressed, this, unlessLoading(&frmMain::treeMovies_KeyDown));
    connect(m_tree.get(), &CollectionTree::menuKeyPressed, this, unlessLoading(&frmMain::treeMovies_PopupAtSelection));
    connect(m_tree.get(), &CollectionTree::draggedOver, this, unlessLoading(&frmMain::treeMovies_DragOver));
    connect(m_tree.get(), &CollectionTree::rightPressed, this, [this](const QPoint& pos) {
        if (!m_blnLoading) {
            treeMovies_MouseDown(Qt::RightButton, pos);
        }
    });
    // A press that dragged the selection to another node ends on that node.
    connect(m_tree.get(), &CollectionTree::pressEnded, this, [this](QTreeWidgetItem* node) {
        if (NodeKey(node) != m_strKey && !m_blnLoading) {
            treeMovies_NodeClick(node);
        }
    });
}

void frmMain::treeMovies_Collapse(QTreeWidgetItem* node)
{
    // What the item view shows is also what the tree marks, so Delete acts on it.
    SelectNode(node);
    treeMovies_NodeClick(node);
    m_tree->ExpandRoot();
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
    mnuPopup->popup(m_tree->PopupPoint(node));
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
    if (watched == m_bar) {
        if (event->type() == QEvent::FocusIn) {
            MenuBarFocusIn();
        }
        return false;
    }
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
    // Without the dialog the page goes straight to the printer and never to a file: with none installed that is
    // said; when the last print went to a PDF file, the dialog asks where this one goes. A file is written only when
    // the user names it in the print dialog.
    if (!bPrompt && !webObject->hasPrintTarget()) {
        if (!webObject->hasPrinter()) {
            QMessageBox::information(this, QStringLiteral("Vidsora"),
                                     QStringLiteral("No printer is installed. To print the page to a PDF file, choose "
                                                    "Print... in the File menu."));
            return;
        }
        bPrompt = true;
    }
    webObject->ExecWB(BrowserPane::OLECMDID_PRINT,
                      bPrompt ? BrowserPane::OLECMDEXECOPT_PROMPTUSER : BrowserPane::OLECMDEXECOPT_DONTPROMPTUSER);
}

void frmMain::PrintPreviewItem()
{
    webObject->ExecWB(BrowserPane::OLECMDID_PRINTPREVIEW, BrowserPane::OLECMDEXECOPT_DODEFAULT);
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
    if (m_blnLoading || !WaitForStore()) {
        return;
    }
    const QString dbPath = ReadRegSetting("DBPath", DefaultDBPath()).toString();
    // The store is made sure of and locked before anything reads it; one that cannot be opened (not to be created,
    // or in use by another program) leaves the window as it is. The store shown stays locked until the new one's
    // collections are installed, so a cancelled reload leaves the locks as they were.
    std::optional<mMain::NextStore> store = mMain::OpenNextStore(dbPath);
    if (!store) {
        return;
    }
    m_blnLoading = true;
    const QString statusBefore = pnSmall->text();
    QStringList expandedKeys;
    std::optional<Collections::Loaded> loaded;
    {
        // The busy cursor first; after half a second a dialog counting the entries, whose Cancel ends the reload.
        LongWork work(this, QStringLiteral("Loading the collection..."));
        pnSmall->setText("Preparing...");
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        expandedKeys = m_tree->ExpandedKeys();
        pnSmall->setText("Loading...");
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        pgMain->ShowOverPanel(pnLarge->geometry(), statusBar()->height(), TwipsPerPixel());
        // Fresh collections load on a thread of their own while this one keeps the window painted; the collections
        // in use stay untouched until the load has ended.
        loaded = ReloadWork::Load(work, this, dbPath, pgMain, *store);
        pgMain->hide();
    }
    if (!loaded) {
        // A cancelled reload leaves the window as it was.
        pnSmall->setText(statusBefore);
        m_blnLoading = false;
        return;
    }

    const int leftOut = loaded->leftOut;
    std::optional<CursorOverride> wait(std::in_place);
    Collections::Install(std::move(*loaded));
    store->Adopt();
    pnSmall->setText(QString());
    FillTree();

    m_tree->Expand(expandedKeys);
    const TreeNodeLookup lookup = [this](const QString& key) { return Node(key); };
    SelectNode(TreeNodeExists(lookup, m_strKey) ? Node(m_strKey) : m_tree->Root());
    m_strKey.clear();
    m_blnLoading = false;
    treeMovies_NodeClick(SelectedNode());
    wait.reset();
    if (leftOut > 0) {
        QMessageBox::information(this, QStringLiteral("Vidsora"), Collections::LeftOutMessage(dbPath, leftOut));
    }
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
    // No command runs while the collections load, nor before a worker has let go of the store, nor once the window
    // was asked to close meanwhile.
    if (m_blnLoading) {
        return;
    }
    const bool storeFree = WaitForStore();
    if (CloseIfAsked() || !storeFree) {
        return;
    }
    if (m_commandObserver && m_commandObserver(command)) {
        CloseIfAsked();
        return;
    }
    using CommandTable::Command;
    using Procedure = void (*)(frmMain&);
    // What each command runs; Save and Help run nothing.
    static const std::pair<Command, Procedure> procedures[] = {
        {Command::Preview, [](frmMain& w) { w.PrintPreviewItem(); }},
        {Command::PrintWithDialog, [](frmMain& w) { w.PrintItem(true); }},
        {Command::PrintNow, [](frmMain& w) { w.PrintItem(false); }},
        {Command::Edit, [](frmMain& w) { w.EditItem(w.m_strKey); }},
        {Command::Exit, [](frmMain& w) { w.close(); }},
        {Command::Settings, [](frmMain& w) { frmSettings::ShowSettings(QString(), &w); }},
        // The entry is checkable, so its mark has already been inverted.
        {Command::FullStructure, [](frmMain& w) { w.FillTree(); }},
        {Command::Find, [](frmMain& w) { frmSearch(&w, &w).exec(); }},
        {Command::Refresh, [](frmMain& w) { w.ReloadDatabase(); }},
        {Command::ComLogin, [](frmMain& w) { TransferCommands::ComUserLogin(&w); }},
        {Command::ComNewUser, [](frmMain& w) { TransferCommands::ComNewUser(&w); }},
        {Command::ComAnnouncements, [](frmMain& w) { TransferCommands::ComAnnouncements(&w); }},
        {Command::ImportOnline,
         [](frmMain& w) {
             if (TransferCommands::ImportOnline(&w, w.m_strKey)) {
                 w.FillTree();
             }
         }},
        {Command::AddBox, [](frmMain& w) { w.AddBox(); }},
        {Command::AddMedia, [](frmMain& w) { w.AddMedia(); }},
        {Command::AddMovie, [](frmMain& w) { w.AddMovie(); }},
        {Command::AddCategory, [](frmMain& w) { w.AddCategory(); }},
        {Command::AddSubcategory, [](frmMain& w) { w.AddSubcategory(); }},
        // A read file may have added items anywhere: the tree is refilled whatever came of it.
        {Command::ImportUEF,
         [](frmMain& w) {
             if (TransferCommands::ImportUEFFile(&w, w.m_strKey)) {
                 w.FillTree();
             }
         }},
        {Command::ExportUEF, [](frmMain& w) { TransferCommands::ExportSelectedToUEF(&w, w.m_strKey); }},
        {Command::SubmitOnline, [](frmMain& w) { TransferCommands::SubmitItemOnline(&w, w.m_strKey); }},
        {Command::UploadCollection, [](frmMain& w) { TransferCommands::UploadCollection(&w); }},
        {Command::CollectionOnline, [](frmMain& w) { w.mnuCollectionOnline_Click(); }},
        {Command::About, [](frmMain& w) { frmAbout(&w).exec(); }},
        {Command::Delete, [](frmMain& w) { w.mnuDelete_Click(); }},
    };
    for (const auto& [bound, procedure] : procedures) {
        if (bound == command) {
            procedure(*this);
            // A close asked for during the command's wait.
            CloseIfAsked();
            return;
        }
    }
    if (command != Command::None && command != Command::Help) {
        qCWarning(lcApp) << "no procedure runs the command" << CommandTable::CommandName(command);
    }
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

void frmMain::mnuDelete_Click()
{
    DeleteItem(m_strKey, true);
    // Nothing deleted: the selection stays. Otherwise the tree's own choice after the removal, else the root.
    QTreeWidgetItem* node = m_tree->NodeAfterRemoval(m_strKey);
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
    ShowAddedItem(ItemCommands::AddCategory(Editors(), *m_tree));
}

void frmMain::AddSubcategory()
{
    ShowAddedItem(ItemCommands::AddSubcategory(Editors(), *m_tree, m_strKey));
}

void frmMain::AddMovie()
{
    ShowAddedItem(ItemCommands::AddMovie(Editors(), *m_tree, m_strKey));
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
        CursorOverride wait;
        FillTree();
    }
    // The selection keeps its mark and its page; the new container comes into view.
    m_tree->ScrollTo(created.strKey);
}

void frmMain::ShowAddedItem(const ItemCommands::AddOutcome& added)
{
    if (added.strKey.isEmpty()) {
        return;
    }
    if (added.node) {
        SelectNode(m_tree->AddNode(Node(added.node->strParentKey), *added.node));
    }
    // Without a node (its parent is not shown) the marked node is shown again.
    treeMovies_NodeClick(SelectedNode());
}

void frmMain::EditItem(const QString& strKey)
{
    const ItemCommands::EditOutcome edited = ItemCommands::EditItem(Editors(), *m_tree, strKey);
    if (edited.strKey.isEmpty()) {
        return;
    }
    QTreeWidgetItem* node = Node(edited.strKey);
    if (node && edited.nodeText) {
        node->setText(0, *edited.nodeText);
    }
    if (edited.blnRefill) {
        FillTree();
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
        // A container of thousands of items shows its progress; the window takes no command meanwhile.
        const bool wasLoading = std::exchange(m_blnLoading, true);
        LongWork work(this, QStringLiteral("Deleting..."));
        deleted =
            ItemCommands::DeleteItem(*m_tree, strKey, [&work](int done, int total) { return work.Step(done, total); });
        m_tree->RemoveNodes(deleted.removed);
        m_blnLoading = wasLoading;
    }
    const QString failure = ItemCommands::DeleteFailureMessage(deleted);
    if (!failure.isEmpty()) {
        Editors().ShowWarning(failure);
    }
}
