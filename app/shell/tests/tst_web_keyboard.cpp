// The main window from the keyboard: each access key reaches one control, in the window, in each of its menus and
// in the small windows it opens; the Menu key and Shift+F10 open the tree's popup menu at the selected node; and
// the toolbar's Print with no printer installed says so and writes no file.

#include "AccessKeys.h"
#include "MainWindowWorld.h"
#include "WebBrowser.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"
#include "shell/frmMemory.h"
#include "shell/frmSearch.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace TestWorld;

namespace {

// Where a print nobody asked for would land: the home folder and the working folder.
QString HomeFolder()
{
    return ProgramDir().path() + "/home";
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Printed pages anywhere below folder (the browser engine keeps its own things in the home folder).
QStringList Prints(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, {"*.pdf", "*.ps", "*.PDF"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found << it.next();
    }
    return found;
}

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void accessKeys();
    void menuKeyOnTheTree_data();
    void menuKeyOnTheTree();
    void printWithoutAPrinterWritesNothing();

private:
    QTreeWidget* tree() const { return m_main->findChild<QTreeWidget*>("treeMovies"); }
    WebBrowser* web() const { return m_main->findChild<WebBrowser*>("webObject"); }

    std::unique_ptr<CollectionStore> m_dir;
    SampleStore m_store;
    std::unique_ptr<frmMain> m_main;
};

void KeyboardTest::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_store = LoadSample(m_dir->db());
    m_main = std::make_unique<frmMain>();
    m_main->Load();
    m_main->resize(800, 600);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void KeyboardTest::cleanup()
{
    m_main.reset();
    m_dir.reset();
}

void KeyboardTest::accessKeys()
{
    frmSearch search(m_main.get());
    frmAbout about;
    frmMemory memory;
    QStringList clashes;
    for (QWidget* window : std::initializer_list<QWidget*>{m_main.get(), &search, &about, &memory}) {
        clashes << TestSupport::AccessKeyClashes(window);
    }
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
}

void KeyboardTest::menuKeyOnTheTree_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
}

void KeyboardTest::menuKeyOnTheTree()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    auto* popup = m_main->findChild<QMenu*>("mnuPopup");
    QTreeWidget* t = tree();
    // Walk to the box with the keyboard, as a user would: the selection follows.
    t->setFocus();
    QTreeWidgetItem* box = m_main->Node(m_store.zetaBox);
    t->setCurrentItem(box);
    QCOMPARE(m_main->strKey(), m_store.zetaBox);

    QTest::keyClick(t, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(popup->isVisible());
    // At the node, and with the box's commands.
    const QRect rect = t->visualItemRect(box);
    const QRect row(t->viewport()->mapToGlobal(rect.topLeft()), rect.size());
    QVERIFY2(row.adjusted(0, 0, 0, 1).contains(popup->pos()),
             qPrintable(QString("%1,%2").arg(popup->pos().x()).arg(popup->pos().y())));
    QVERIFY(m_main->findChild<QAction*>("mnuDelete")->isEnabled());
    QVERIFY(!m_main->findChild<QAction*>("mnuNewSubcategory")->isEnabled());
    popup->hide();
}

void KeyboardTest::printWithoutAPrinterWritesNothing()
{
    QSignalSpy loaded(web(), &WebBrowser::DocumentComplete);
    m_main->treeMovies_NodeClick(m_main->Node(m_store.alphaMovie));
    QVERIFY(loaded.wait(30000));
    QVERIFY(!web()->hasPrintTarget());

    QString said;
    AnswerModal([&said](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        said = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    m_main->findChild<QAction*>("btnPrint")->trigger();
    QVERIFY2(said.startsWith("No printer is installed."), qPrintable(said));
    QVERIFY(!web()->isPrinting());
    QTest::qWait(500);
    QCOMPARE(Prints(HomeFolder()), QStringList());
    QCOMPARE(Entries(QDir::currentPath()), QStringList());
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    // No printer: the print system is looked for where there is none. Home and working folder are empty and ours.
    QDir().mkpath(HomeFolder());
    QDir().mkpath(ProgramDir().path() + "/work");
    qputenv("HOME", QFile::encodeName(HomeFolder()));
    qputenv("CUPS_SERVER", QFile::encodeName(ProgramDir().path() + "/no-print-system"));
    QDir::setCurrent(ProgramDir().path() + "/work");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    KeyboardTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_web_keyboard.moc"
