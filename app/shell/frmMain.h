#pragma once

#include "core/CommandTable.h"
#include "shell/CollectionTree.h"
#include "shell/frmSearch.h"

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

class ItemEditors;
class ItemWorkshops;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QTreeWidget;
class QTreeWidgetItem;
class ProgressBar;
class BrowserPane;
namespace ItemCommands {
struct AddOutcome;
struct CreationOutcome;
} // namespace ItemCommands

// The main window: the collection tree on the left, the selected item's page on the right, the menus, popup menu,
// toolbar and status bar around them. Every item command acts on m_strKey, the key of the selected item.
class frmMain : public QMainWindow, public SearchTree
{
    Q_OBJECT

public:
    // Data roles of a tree node.
    using enum CollectionTree::NodeRole;

    // Builds the widgets only; Load sets the window up.
    // Start-up makes the window while the collections load on another thread: the constructor must not read them
    // (Load is where the window first does).
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The load handler: expects the five collections loaded and gTempFolder named.
    void Load();
    void InitiateForm();
    // Rebuilds the whole tree from the collections and the child lists, and marks the selection in it again; a
    // selection left without a node gives way to the root.
    void FillTree();
    // Makes the node's item the selection: m_strKey, the item view, the command state.
    void treeMovies_NodeClick(QTreeWidgetItem* node);

    // The item view.
    void ShowItem(const QString& strKey);
    void NavigateBrowser(const QString& url);
    void PrintItem(bool bPrompt);
    void PrintPreviewItem();

    void LayoutForm();

    QString strKey() const { return m_strKey; }
    double dblSplit() const { return m_dblSplit; }
    // True while the collections load or a worker's hold on the store is waited for; the window takes no command
    // meanwhile.
    bool isLoading() const { return m_blnLoading; }
    // Twips per pixel of this window's screen.
    double TwipsPerPixel() const;

    // The node collection in the order the tree filler added the nodes, and the node of a key.
    const QVector<QTreeWidgetItem*>& Nodes() const { return m_tree->Nodes(); }
    QTreeWidgetItem* Node(const QString& key) const { return m_tree->Node(key); }
    static QString NodeKey(const QTreeWidgetItem* node) { return CollectionTree::NodeKey(node); }
    // The node the tree marks selected; without one, the node of m_strKey, else the root.
    QTreeWidgetItem* SelectedNode() const { return m_tree->SelectedNode(m_strKey); }
    // Marks a node selected in the tree without running the node-click handler.
    void SelectNode(QTreeWidgetItem* node) { m_tree->SelectNode(node); }

    // The editors and questions the item commands open; without one set, the window opens its own dialogs.
    void SetItemEditors(std::unique_ptr<ItemEditors> editors);
    // Sees each command an entry or button dispatches before it runs; returning true takes the command over, so
    // that a test can tell which command a route reaches without opening its dialogs.
    void SetCommandObserver(std::function<bool(CommandTable::Command)> observer);

    // The find dialog's view of the tree.
    QStringList NodeKeys() const override { return m_tree->NodeKeys(); }
    QString SelectedKey() const override;
    void SelectAndShow(const QString& key) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    // The menu bar took the focus.
    void MenuBarFocusIn();
    void BuildToolbar();
    void SetCommandState(const QString& strKey);
    void Unload();

    // Tree events: the tree's reports bound to the procedures below.
    void BindTree();
    void treeMovies_Collapse(QTreeWidgetItem* node);
    void treeMovies_KeyDown(int keyCode);
    void treeMovies_MouseDown(Qt::MouseButton button, const QPoint& pos);
    // The popup menu at the selected node, for the keyboard.
    void treeMovies_PopupAtSelection();
    void treeMovies_DragOver(const QPoint& pos);

    // Splitter bar.
    void picDrag_MouseDown();
    void picDrag_MouseMove(double x);
    void picDrag_MouseUp();
    void PlaceBar(double left);

    void ReloadDatabase();
    // Waits until no worker of the program holds the store; false when the user cancelled the wait.
    bool WaitForStore();
    // Once no wait runs: closes the window (queued) when a close was asked for during the wait and the user did not
    // cancel the wait since; true when it will close.
    bool CloseIfAsked();

    // Item commands.
    void AddCategory();
    void AddSubcategory();
    void AddMovie();
    void AddBox();
    void AddMedia();
    void EditItem(const QString& strKey);
    void DeleteItem(const QString& strKey, bool blnAsk);
    ItemEditors& Editors();
    // Puts the node of a new item into the tree and makes the marked node the selection.
    void ShowAddedItem(const ItemCommands::AddOutcome& added);
    // The workshops and templates: the editors' own when they offer them, else the program's dialogs.
    ItemWorkshops& Workshops();
    // Refills the tree after a box or medium was made with its contents; the selection stays and the new container
    // is brought into view.
    void ShowCreated(const ItemCommands::CreationOutcome& created);

    // Commands: every entry and button runs its command from the command table through here.
    void RunCommand(CommandTable::Command command);
    void tobMain_ButtonClick(QAction* button);
    void mnuTools_Click();
    void mnuCollectionOnline_Click();
    void mnuDelete_Click();

    QTreeWidget* treeMovies = nullptr;
    BrowserPane* webObject = nullptr;
    QFrame* picDrag = nullptr;
    QWidget* m_client = nullptr;
    QLabel* pnSmall = nullptr;
    QLabel* pnLarge = nullptr;
    ProgressBar* pgMain = nullptr;
    QMenu* mnuPopup = nullptr;
    QHash<QString, QAction*> m_menu;    // menu entries by name
    QHash<QString, QAction*> m_buttons; // toolbar buttons by key
    std::unique_ptr<CollectionTree> m_tree;
    QPointer<QWidget> m_keysBefore; // where the keys were before the menu bar took them
    QMetaObject::Connection m_focusWatch;
    QPointer<QMenuBar> m_bar;

    std::unique_ptr<ItemEditors> m_editors;
    std::unique_ptr<ItemWorkshops> m_workshops;
    std::function<bool(CommandTable::Command)> m_commandObserver;

    QString m_strKey;
    double m_dblSplit = 0.239;
    double m_dragLeft = 0; // the splitter bar's left edge in twips
    bool m_blnMoving = false;
    bool m_blnLoading = false;
    bool m_blnUnloaded = false;
    QString m_strTempTried;            // the temporary folder that could not be made
    bool m_blnNoPagesTold = false;     // the user has heard that pages cannot be shown
    bool m_blnCloseAfterPrint = false; // a close waits for the running print
    bool m_blnCloseAsked = false;      // a close waits for the wait in progress
    int m_closeCancelMark = 0;         // LongWork::UserCancels() when it was asked for
};
