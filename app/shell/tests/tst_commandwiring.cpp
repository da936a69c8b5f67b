// The item commands' wiring in the main window: the menu entries, popup entries, toolbar buttons and the Delete key
// reach the add, edit and delete commands, with fake editors in place of the dialogs, and the tree follows.

#include "CommandFakes.h"
#include "MainWindowWorld.h"
#include "core/Collections.h"
#include "editors/frmCategory.h"
#include "editors/frmGroup.h"
#include "editors/frmMovie.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace TestWorld;

class CommandWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addEntries_data();
    void addEntries();
    void editEntries_data();
    void editEntries();
    void deleteEntries_data();
    void deleteEntries();
    void deleteKeyOnTheRoot();
    void flatViewSelectsTheRootForACategory();
    void programDialogs();

private:
    QTreeWidget* tree() const { return m_main->findChild<QTreeWidget*>("treeMovies"); }
    QTreeWidgetItem* node(const QString& key) const { return m_main->Node(key); }
    void select(const QString& key)
    {
        m_main->SelectNode(node(key));
        m_main->treeMovies_NodeClick(node(key));
    }
    // A menu entry is triggered, a toolbar button clicked, the Delete key pressed in the tree.
    void run(const QString& entry);

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    SampleStore m_store;
    std::unique_ptr<frmMain> m_main;
    FakeEditors* m_editors = nullptr;
};

void CommandWiringTest::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_store = LoadSample(m_dbDir);
    m_main = std::make_unique<frmMain>();
    auto editors = std::make_unique<FakeEditors>();
    m_editors = editors.get();
    m_main->SetItemEditors(std::move(editors));
    m_main->Load();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void CommandWiringTest::cleanup()
{
    m_main.reset();
    m_editors = nullptr;
    m_dir.reset();
}

void CommandWiringTest::run(const QString& entry)
{
    if (entry == "Delete key") {
        tree()->setFocus();
        QTest::keyClick(tree(), Qt::Key_Delete);
        return;
    }
    if (entry.startsWith("btn")) {
        auto* tobMain = m_main->findChild<QToolBar*>("tobMain");
        QWidget* button = tobMain->widgetForAction(m_main->findChild<QAction*>(entry));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        return;
    }
    QAction* action = m_main->findChild<QAction*>(entry);
    QVERIFY(action);
    QVERIFY2(action->isEnabled(), qPrintable(entry));
    action->trigger();
}

void CommandWiringTest::addEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("parentCall"); // the parent procedure, or empty
    QTest::addColumn<QString>("editor");
    for (const char* e : {"mnuAddCategory", "mnuNewCategory", "btnAddCategory"}) {
        QTest::newRow(e) << e << ""
                         << "EditCategory";
    }
    for (const char* e : {"mnuAddGroup", "mnuNewSubcategory", "btnAddSubcategory"}) {
        QTest::newRow(e) << e << "GroupParent"
                         << "EditGroup";
    }
    for (const char* e : {"mnuAddMovie", "mnuNewMovie", "btnAddMovie"}) {
        QTest::newRow(e) << e << "MovieParent"
                         << "EditMovie";
    }
}

void CommandWiringTest::addEntries()
{
    QFETCH(QString, entry);
    QFETCH(QString, parentCall);
    QFETCH(QString, editor);

    select(m_store.comedy);
    m_editors->strName = "Fresh One";
    m_editors->strLabel = "Boxed";
    const int nodes = int(m_main->Nodes().size());
    run(entry);

    QStringList expected;
    if (!parentCall.isEmpty()) {
        expected << parentCall + "(" + m_store.comedy + ")";
    }
    expected << editor + "()";
    QCOMPARE(m_editors->calls, expected);
    // The new item is the selection, marked and shown, under its parent's node, with its bare name.
    const QString key = m_main->strKey();
    QCOMPARE(Collections::ItemName(key), QString("Fresh One"));
    QCOMPARE(int(m_main->Nodes().size()), nodes + 1);
    QTreeWidgetItem* added = node(key);
    QVERIFY(added);
    QVERIFY(added->isSelected());
    QCOMPARE(added->text(0), QString("Fresh One"));
    QCOMPARE(frmMain::NodeKey(added->parent()), editor == "EditCategory" ? QString("!0") : m_store.comedy);
    QCOMPARE(m_main->findChild<QLabel*>("pnLarge")->text(), QString("Fresh One"));

    // Cancel: nothing changes, the selection stays.
    select(m_store.comedy);
    m_editors->calls.clear();
    m_editors->blnCancel = true;
    run(entry);
    QCOMPARE(m_editors->calls.value(m_editors->calls.size() - 1), editor + "()");
    QCOMPARE(m_main->strKey(), m_store.comedy);
    QCOMPARE(int(m_main->Nodes().size()), nodes + 1);
}

void CommandWiringTest::editEntries_data()
{
    QTest::addColumn<QString>("entry");
    for (const char* e : {"mnuEdit", "mnuPopupEdit", "btnEdit"}) {
        QTest::newRow(e) << e;
    }
}

void CommandWiringTest::editEntries()
{
    QFETCH(QString, entry);

    // A new label keeps the bare title in the node until the tree is refilled.
    select(m_store.alphaMovie);
    QCOMPARE(node(m_store.alphaMovie)->text(0), QString("Alpha Movie (Director's Cut)"));
    m_editors->change = [](const QString& key) { Collections::ItemAs<CMovie>(key)->setStrLabel("Extended"); };
    run(entry);
    QCOMPARE(m_editors->calls, QStringList{"EditMovie(" + m_store.alphaMovie + ")"});
    QCOMPARE(node(m_store.alphaMovie)->text(0), QString("Alpha Movie"));

    // A group moved to another category: the tree is refilled, the group hangs under its new parent and keeps the
    // selection mark.
    select(m_store.classics);
    m_editors->calls.clear();
    m_editors->change = [this](const QString& key) {
        auto group = gGroups->Item(key);
        group->setLngParentType(1);
        group->setLngParentID(m_store.comedy.mid(1).toInt());
    };
    run(entry);
    QCOMPARE(m_editors->calls, QStringList{"EditGroup(" + m_store.classics + ")"});
    QCOMPARE(frmMain::NodeKey(node(m_store.classics)->parent()), m_store.comedy);
    QCOMPARE(node(m_store.alphaMovie)->text(0), QString("Alpha Movie (Extended)"));
    QVERIFY(node(m_store.classics)->isSelected());
    QCOMPARE(m_main->strKey(), m_store.classics);
}

void CommandWiringTest::deleteEntries_data()
{
    QTest::addColumn<QString>("entry");
    for (const char* e : {"mnuDelete", "btnDelete", "Delete key"}) {
        QTest::newRow(e) << e;
    }
}

void CommandWiringTest::deleteEntries()
{
    QFETCH(QString, entry);

    select(m_store.zetaBox);
    const int nodes = int(m_main->Nodes().size());
    const int movies = gMovies->Count();

    // No: the store and the tree stay as they were.
    m_editors->answer = false;
    run(entry);
    QCOMPARE(m_editors->calls, QStringList{"AskYesNo(Do you wish do delete the box, and everything in it?)"});
    QCOMPARE(int(m_main->Nodes().size()), nodes);
    QCOMPARE(gMovies->Count(), movies);
    QVERIFY(Collections::Item(m_store.zetaBox));
    QCOMPARE(m_main->strKey(), m_store.zetaBox);

    // Yes: the box, its medium and their two movies leave the store and the tree; what the tree selects next is
    // shown.
    m_editors->answer = true;
    run(entry);
    QCOMPARE(m_editors->calls.size(), 2);
    QCOMPARE(int(m_main->Nodes().size()), nodes - 4);
    QCOMPARE(gMovies->Count(), movies - 2);
    for (const QString& key : {m_store.zetaBox, m_store.boxDisc, m_store.boxMovie, m_store.deepMovie}) {
        QVERIFY(!node(key));
        QVERIFY(!Collections::Item(key));
    }
    QVERIFY(!Collections::Children("!0").contains(m_store.zetaBox));
    QVERIFY(node(m_main->strKey()));
    QVERIFY(node(m_main->strKey())->isSelected());
    QVERIFY(m_main->strKey() != m_store.zetaBox);
    QVERIFY(m_editors->warnings.isEmpty());
}

void CommandWiringTest::deleteKeyOnTheRoot()
{
    select("!0");
    const int nodes = int(m_main->Nodes().size());
    run("Delete key");
    QVERIFY(m_editors->calls.isEmpty());
    QCOMPARE(int(m_main->Nodes().size()), nodes);
    QCOMPARE(m_main->strKey(), QString("!0"));
}

// The flat view has no node for the selected category: the root becomes the selection, and Delete asks nothing.
void CommandWiringTest::flatViewSelectsTheRootForACategory()
{
    select(m_store.comedy);
    run("mnuFullStructure");
    QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({node("!0")}));
    QCOMPARE(m_main->strKey(), QString("!0"));
    QCOMPARE(m_main->findChild<QLabel*>("pnLarge")->text(), "Vidsora: Personal (" + GetVersionText() + ")");
    QVERIFY(!m_main->findChild<QAction*>("mnuDelete")->isEnabled());
    run("Delete key");
    QVERIFY(m_editors->calls.isEmpty());
}

void CommandWiringTest::programDialogs()
{
    // Without editors given, the window opens its own dialogs.
    m_main->SetItemEditors(nullptr);
    m_editors = nullptr;
    const auto answerQuestions = [] {
        AnswerModal([](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->button(QMessageBox::Yes)->click();
            }
        });
    };

    // A group added inside the selected category.
    select(m_store.comedy);
    bool sawGroup = false;
    AnswerModal([&sawGroup](QWidget* modal) {
        sawGroup = qobject_cast<frmGroup*>(modal) != nullptr;
        modal->findChild<QLineEdit*>("txtSName")->setText("Silent Era");
        modal->findChild<QPushButton*>("cmdOk")->click();
    });
    m_main->findChild<QAction*>("mnuNewSubcategory")->trigger();
    QVERIFY(sawGroup);
    const QString group = m_main->strKey();
    QCOMPARE(Collections::ItemName(group), QString("Silent Era"));
    QCOMPARE(frmMain::NodeKey(node(group)->parent()), m_store.comedy);

    // A movie in that group, from the toolbar.
    bool sawMovie = false;
    AnswerModal([&](QWidget* modal) {
        sawMovie = qobject_cast<frmMovie*>(modal) != nullptr;
        modal->findChild<QLineEdit*>("txtTitle")->setText("Night Train");
        // Without the code checker, an empty code asks once whether to save.
        answerQuestions();
        modal->findChild<QPushButton*>("cmdOk")->click();
    });
    run("btnAddMovie");
    QVERIFY(sawMovie);
    const QString movie = m_main->strKey();
    QCOMPARE(Collections::ItemName(movie), QString("Night Train"));
    QCOMPARE(frmMain::NodeKey(node(movie)->parent()), group);

    // The category renamed in its editor.
    select(m_store.comedy);
    AnswerModal([](QWidget* modal) {
        QVERIFY(qobject_cast<frmCategory*>(modal));
        modal->findChild<QLineEdit*>("txtCName")->setText("Comedies");
        modal->findChild<QPushButton*>("cmdOk")->click();
    });
    run("mnuEdit");
    QCOMPARE(node(m_store.comedy)->text(0), QString("Comedies"));

    // The delete question: the program's title, no icon, Yes the default; No keeps the movie.
    select(movie);
    QString title;
    QString question;
    bool plain = false;
    AnswerModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        question = box->text();
        plain = box->icon() == QMessageBox::NoIcon && box->defaultButton() == box->button(QMessageBox::Yes);
        box->button(QMessageBox::No)->click();
    });
    run("Delete key");
    QCOMPARE(title, QString("Vidsora"));
    QCOMPARE(question, QString("Do you wish do delete the movie?"));
    QVERIFY(plain);
    QVERIFY(node(movie));
    answerQuestions();
    run("Delete key");
    QVERIFY(!node(movie));
    QVERIFY(!Collections::Item(movie));
    QCOMPARE(m_main->strKey(), group);
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    CommandWiringTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commandwiring.moc"
