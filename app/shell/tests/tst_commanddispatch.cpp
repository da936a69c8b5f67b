// Every menu entry, popup entry and toolbar button of the main window reaches its command from the command table,
// once; the window holds no entry the table leaves without a command; and what the item commands ask of the editors
// and the print and preview entries of the item view's pane is what each entry names.

#include "CommandFakes.h"
#include "MainWindowWorld.h"
#include "PaneStandIn.h"
#include "core/CommandTable.h"
#include "core/StoreGate.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWindow>

#include <memory>

using namespace TestWorld;
using CommandTable::Command;
using CommandTable::Surface;

Q_DECLARE_METATYPE(Command)

// What the item view's pane was asked, as it records it: command and option.
using PaneCommands = QList<QPair<int, int>>;

class CommandDispatchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void everyEntryHasARoute();
    void everyRouteHasItsEntry();
    void dispatch_data();
    void dispatch();
    void separatorsAndStrayKeysRunNothing();
    void itemCommandsReachTheEditors_data();
    void itemCommandsReachTheEditors();
    void pageCommandsReachThePane_data();
    void pageCommandsReachThePane();
    void entriesWithoutCommandDoNothing_data();
    void entriesWithoutCommandDoNothing();
    void shortcuts_data();
    void shortcuts();
    void deleteKeyRunsDeleteWhileDisabled();
    void commandsWaitForTheStore();
    void menuBarAfterEscape();
    // Last: its final row closes the window.
    void closeDuringAStoreWait_data();
    void closeDuringAStoreWait();

private:
    QToolBar* toolbar() const { return m_main->findChild<QToolBar*>("tobMain"); }
    QMenu* popup() const { return m_main->findChild<QMenu*>("mnuPopup"); }
    void select(const QString& key)
    {
        m_main->SelectNode(m_main->Node(key));
        m_main->treeMovies_NodeClick(m_main->Node(key));
    }
    // The commands the window dispatched since the last init; taken over when m_swallow is set.
    void observe(bool swallow)
    {
        m_main->SetCommandObserver([this, swallow](Command command) {
            m_seen << command;
            return swallow;
        });
    }
    // Clicks a toolbar button as the user would, or triggers a menu entry (enabled for the moment if it is not).
    void run(QAction* action)
    {
        const bool enabled = action->isEnabled();
        action->setEnabled(true);
        if (QWidget* button = toolbar()->widgetForAction(action)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            action->trigger();
        }
        action->setEnabled(enabled);
    }
    // The routed actions the window holds: named entries and buttons, no separators, no menu titles.
    QList<QAction*> windowActions() const
    {
        QList<QAction*> found;
        for (QAction* action : m_main->findChildren<QAction*>()) {
            const QString name = action->objectName();
            if (action->isSeparator() || action->menu() || name.isEmpty()) {
                continue;
            }
            found << action;
        }
        return found;
    }
    Surface surfaceOf(QAction* action) const
    {
        if (toolbar()->actions().contains(action)) {
            return Surface::Toolbar;
        }
        return popup()->actions().contains(action) ? Surface::Popup : Surface::Menu;
    }

    std::unique_ptr<CollectionStore> m_dir;
    SampleStore m_store;
    std::unique_ptr<frmMain> m_main;
    FakeEditors* m_editors = nullptr;
    QList<Command> m_seen;
};

void CommandDispatchTest::initTestCase()
{
    m_dir = std::make_unique<CollectionStore>();
    m_store = LoadSample(m_dir->db());
    m_main = std::make_unique<frmMain>();
    auto editors = std::make_unique<FakeEditors>();
    m_editors = editors.get();
    m_main->SetItemEditors(std::move(editors));
    m_main->Load();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void CommandDispatchTest::cleanupTestCase()
{
    m_main.reset();
    m_dir.reset();
}

void CommandDispatchTest::init()
{
    m_seen.clear();
    m_editors->calls.clear();
    m_main->SetCommandObserver({});
    select(m_store.comedyMovie);
}

void CommandDispatchTest::everyEntryHasARoute()
{
    const QList<QAction*> actions = windowActions();
    QVERIFY(actions.size() >= int(CommandTable::Routes().size()));
    for (QAction* action : actions) {
        const QString name = action->objectName();
        const std::optional<Command> command = surfaceOf(action) == Surface::Toolbar ? CommandTable::ButtonCommand(name)
                                                                                     : CommandTable::EntryCommand(name);
        QVERIFY2(command.has_value(), qPrintable(name + " has no command"));
    }
}

void CommandDispatchTest::everyRouteHasItsEntry()
{
    for (const CommandTable::Route& route : CommandTable::Routes()) {
        const QList<QAction*> named = m_main->findChildren<QAction*>(QLatin1String(route.name));
        QVERIFY2(named.size() == 1, route.name);
        QCOMPARE(surfaceOf(named.first()), route.surface);
    }
}

void CommandDispatchTest::dispatch_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Command>("command");
    for (const CommandTable::Route& route : CommandTable::Routes()) {
        QTest::newRow(route.name) << QString::fromLatin1(route.name) << route.command;
    }
}

void CommandDispatchTest::dispatch()
{
    QFETCH(QString, name);
    QFETCH(Command, command);
    QAction* action = m_main->findChild<QAction*>(name);
    QVERIFY(action);
    observe(true);
    run(action);
    // Exactly once: an entry with a second connection would show its command twice.
    QCOMPARE(m_seen, QList<Command>{command});
}

void CommandDispatchTest::separatorsAndStrayKeysRunNothing()
{
    observe(true);
    QAction* separator = nullptr;
    for (QAction* action : toolbar()->actions()) {
        if (action->isSeparator()) {
            separator = action;
            break;
        }
    }
    QVERIFY(separator);
    emit toolbar()->actionTriggered(separator);
    QAction stray(QStringLiteral("stray"));
    stray.setObjectName(QStringLiteral("mnuEdit")); // a menu entry's name is no toolbar key
    emit toolbar()->actionTriggered(&stray);
    stray.setObjectName(QStringLiteral("btnUnknown"));
    emit toolbar()->actionTriggered(&stray);
    emit toolbar()->actionTriggered(nullptr);
    QVERIFY(m_seen.isEmpty());
}

void CommandDispatchTest::itemCommandsReachTheEditors_data()
{
    QTest::addColumn<QString>("name");
    // What the command asks of the editors first; %1 stands for the selected movie's key.
    QTest::addColumn<QString>("firstCall");
    const struct
    {
        const char* names[3];
        const char* call;
    } rows[] = {
        {{"mnuEdit", "mnuPopupEdit", "btnEdit"}, "EditMovie(%1)"},
        {{"mnuAddCategory", "mnuNewCategory", "btnAddCategory"}, "EditCategory()"},
        {{"mnuAddGroup", "mnuNewSubcategory", "btnAddSubcategory"}, "GroupParent(%1)"},
        {{"mnuAddbox", "mnuNewBox", "btnAddBox"}, "BoxParent(%1)"},
        {{"mhuAddMedia", "mnuNewMedia", "btnAddMedia"}, "MediaParent(%1)"},
        {{"mnuAddMovie", "mnuNewMovie", "btnAddMovie"}, "MovieParent(%1)"},
        {{"mnuDelete", "btnDelete", nullptr}, "AskYesNo"},
    };
    for (const auto& row : rows) {
        for (const char* name : row.names) {
            if (name) {
                QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(row.call);
            }
        }
    }
}

void CommandDispatchTest::itemCommandsReachTheEditors()
{
    QFETCH(QString, name);
    QFETCH(QString, firstCall);
    // The commands run for real against editors that cancel and a question answered No: nothing changes.
    m_editors->blnCancel = true;
    m_editors->answer = false;
    const int nodes = int(m_main->Nodes().size());
    observe(false);
    run(m_main->findChild<QAction*>(name));
    QCOMPARE(m_seen.size(), 1);
    QVERIFY2(!m_editors->calls.isEmpty(), qPrintable(name));
    const QString expected = firstCall.contains("%1") ? firstCall.arg(m_store.comedyMovie) : firstCall;
    QVERIFY2(m_editors->calls.first().startsWith(expected), qPrintable(m_editors->calls.join(", ")));
    QCOMPARE(int(m_main->Nodes().size()), nodes);
    QCOMPARE(m_main->strKey(), m_store.comedyMovie);
}

void CommandDispatchTest::pageCommandsReachThePane_data()
{
    QTest::addColumn<QString>("name");
    // What the entry asks of the item view's pane; none: the toolbar's Print says there is no printer instead.
    QTest::addColumn<PaneCommands>("asked");
    const PaneCommands preview{{BrowserPane::OLECMDID_PRINTPREVIEW, BrowserPane::OLECMDEXECOPT_DODEFAULT}};
    QTest::newRow("mnuPrint") << "mnuPrint"
                              << PaneCommands{{BrowserPane::OLECMDID_PRINT, BrowserPane::OLECMDEXECOPT_PROMPTUSER}};
    QTest::newRow("btnPrint") << "btnPrint" << PaneCommands();
    QTest::newRow("mnuPreview") << "mnuPreview" << preview;
    QTest::newRow("btnPreview") << "btnPreview" << preview;
}

// The menu's Print asks with the print dialog, the toolbar's prints at once (with no printer installed it says so and
// asks nothing), and both Previews preview.
void CommandDispatchTest::pageCommandsReachThePane()
{
    QFETCH(QString, name);
    QFETCH(PaneCommands, asked);
    auto* pane = m_main->findChild<PaneStandIn*>("webObject");
    QVERIFY(pane);
    pane->commands.clear();
    // Closes the message box the entry opens, if any, at the first pass of its event loop.
    auto said = std::make_shared<QString>();
    QTimer::singleShot(0, this, [said] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *said = box->text();
            box->reject();
        }
    });
    run(m_main->findChild<QAction*>(name));
    QCoreApplication::processEvents(); // the look for a message box has run, whether one opened or not
    QCOMPARE(pane->commands, asked);
    QCOMPARE(said->startsWith("No printer is installed."), asked.isEmpty());
}

void CommandDispatchTest::entriesWithoutCommandDoNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Command>("command");
    QTest::newRow("mnuSave") << "mnuSave" << Command::None;
    QTest::newRow("mnuDoHelp") << "mnuDoHelp" << Command::Help;
}

void CommandDispatchTest::entriesWithoutCommandDoNothing()
{
    QFETCH(QString, name);
    QFETCH(Command, command);
    QAction* action = m_main->findChild<QAction*>(name);
    QVERIFY(action);
    // Disabled as the window stands; run anyway, they open nothing and change nothing.
    QVERIFY(!action->isEnabled());
    const int nodes = int(m_main->Nodes().size());
    observe(false);
    run(action);
    QCOMPARE(m_seen, QList<Command>{command});
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(m_editors->calls.isEmpty());
    QVERIFY(m_main->isVisible());
    QCOMPARE(int(m_main->Nodes().size()), nodes);
    QCOMPARE(m_main->strKey(), m_store.comedyMovie);
}

void CommandDispatchTest::shortcuts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<Command>("command");
    QTest::newRow("F5") << "mnuRefresh" << QKeySequence(Qt::Key_F5) << Command::Refresh;
    QTest::newRow("Ctrl+F") << "mnuFind" << QKeySequence(Qt::CTRL | Qt::Key_F) << Command::Find;
}

void CommandDispatchTest::shortcuts()
{
    QFETCH(QString, name);
    QFETCH(QKeySequence, keys);
    QFETCH(Command, command);
    QCOMPARE(m_main->findChild<QAction*>(name)->shortcut(), keys);
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    auto* tree = m_main->findChild<QTreeWidget*>("treeMovies");
    tree->setFocus();
    observe(true);
    QTest::keySequence(tree, keys);
    QCOMPARE(m_seen, QList<Command>{command});
}

void CommandDispatchTest::deleteKeyRunsDeleteWhileDisabled()
{
    select(QStringLiteral("!0"));
    QVERIFY(!m_main->findChild<QAction*>("mnuDelete")->isEnabled());
    auto* tree = m_main->findChild<QTreeWidget*>("treeMovies");
    tree->setFocus();
    observe(false);
    const int nodes = int(m_main->Nodes().size());
    QTest::keyClick(tree, Qt::Key_Delete);
    QCOMPARE(m_seen, QList<Command>{Command::Delete});
    // At the root nothing is asked and nothing removed.
    QVERIFY(m_editors->calls.isEmpty());
    QCOMPARE(int(m_main->Nodes().size()), nodes);
    QCOMPARE(m_main->strKey(), QStringLiteral("!0"));
}

// While a worker holds the store, a command runs only once it has let go; the window takes no other command meanwhile.
void CommandDispatchTest::commandsWaitForTheStore()
{
    observe(true);
    auto worker = std::make_unique<StoreGate::Hold>();
    QElapsedTimer clock;
    clock.start();
    bool busy = false;
    QTimer::singleShot(300, this, [&] {
        busy = m_main->isLoading() && m_seen.isEmpty();
        worker.reset();
    });
    run(m_main->findChild<QAction*>("mnuFind"));
    QVERIFY(busy);
    QVERIFY(clock.elapsed() >= 300);
    QCOMPARE(m_seen, QList<Command>{Command::Find});
    QVERIFY(!m_main->isLoading());
}

// After Alt+F and Esc the menu bar holds the keys, plain letters opening its menus: it shows so, a second Esc hands
// them back, and a dialog does too (the bar does not take them again when the window is active once more).
void CommandDispatchTest::menuBarAfterEscape()
{
    auto* tree = m_main->findChild<QTreeWidget*>("treeMovies");
    QMenuBar* bar = m_main->menuBar();
    QWindow* window = m_main->windowHandle();
    QApplication::setActiveWindow(m_main.get());
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    tree->setFocus();
    QTRY_VERIFY(tree->hasFocus());
    const QImage idle = bar->grab().toImage();
    const auto altFThenEscape = [&] {
        QTest::keyClick(window, Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    };

    altFThenEscape();
    QVERIFY(bar->hasFocus());
    QCOMPARE(bar->activeAction(), m_main->findChild<QMenu*>("mnuFile")->menuAction());
    QVERIFY2(bar->grab().toImage() != idle, "the bar holds the keys but looks as ever");

    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(tree->hasFocus());
    QVERIFY(!bar->activeAction());
    QVERIFY(bar->grab().toImage() == idle);

    // A dialog between: once it has closed, a plain letter is no menu key.
    altFThenEscape();
    QDialog dialog(m_main.get());
    QTimer::singleShot(0, &dialog, [&dialog] {
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.accept();
    });
    dialog.exec();
    // The window system makes the window active again (the offscreen platform needs telling).
    QApplication::setActiveWindow(m_main.get());
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QTRY_VERIFY(tree->hasFocus());
    QTest::keyClick(window, Qt::Key_H);
    QTest::qWait(100);
    QVERIFY(!QApplication::activePopupWidget());
    QVERIFY(!bar->activeAction());
}

// The window system's close of the main window while a command waits for a worker to let go of the store: kept, and
// carried out once the worker has let go (the command then does not run); the user's Cancel of the wait gives it up.
void CommandDispatchTest::closeDuringAStoreWait_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("dialogActive");
    QTest::newRow("the wait cancelled") << true << true;
    // The window system can deliver the key before it has made the new dialog the active window.
    QTest::newRow("the wait cancelled before the dialog is active") << true << false;
    QTest::newRow("the worker lets go") << false << true;
}

void CommandDispatchTest::closeDuringAStoreWait()
{
    QFETCH(bool, cancel);
    QFETCH(bool, dialogActive);
    observe(true);
    auto worker = std::make_unique<StoreGate::Hold>();
    bool keptOpen = false;
    bool told = false;
    auto* poll = new QTimer(this);
    poll->setInterval(20);
    connect(poll, &QTimer::timeout, this, [&, poll] {
        auto* dialog = m_main->findChild<QProgressDialog*>();
        if (!m_main->isLoading() || !dialog || !dialog->isVisible()) {
            return;
        }
        poll->stop();
        // As a close box does: the close reaches the window's own window object.
        QCloseEvent close;
        QApplication::sendEvent(m_main->windowHandle(), &close);
        keptOpen = m_main->isVisible() && !close.isAccepted();
        told = dialog->labelText().contains(QStringLiteral("closes when this has ended"));
        if (cancel) {
            if (dialogActive) {
                // As the user presses it, once the dialog has come up in front.
                (void)QTest::qWaitForWindowActive(dialog);
            } else {
                QApplication::setActiveWindow(m_main.get());
            }
            QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
        }
        worker.reset();
    });
    poll->start();
    run(m_main->findChild<QAction*>("mnuFind"));
    delete poll;
    QVERIFY(keptOpen);
    QVERIFY(told);
    QVERIFY(m_seen.isEmpty());
    if (cancel) {
        QTest::qWait(200);
        QVERIFY(m_main->isVisible());
        // The next command runs as ever.
        run(m_main->findChild<QAction*>("mnuFind"));
        QCOMPARE(m_seen, QList<Command>{Command::Find});
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!m_main->isVisible(), 30000);
    }
}

QTEST_MAIN(CommandDispatchTest)
#include "tst_commanddispatch.moc"
