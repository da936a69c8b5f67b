// The type-ahead on the real main window: the hidden word typed into the tree or into the browser pane opens the
// pairs game, a pause empties the buffer, and keys typed elsewhere or with too few covers open nothing.

#include "MainWindowWorld.h"
#include "shell/TypeAheadFilter.h"
#include "shell/frmMain.h"

#include "AnsiText.h"
#include "WebBrowser.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace TestWorld;

class TypeAheadWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wordInTheTree();
    void wordInTheBrowserPane();
    void pauseEmptiesTheBuffer();
    void nothingOpens_data();
    void nothingOpens();

private:
    const TypeAhead& Model() const { return m_main->findChild<TypeAheadFilter*>()->Model(); }
    // Types text into the widget with the focus and reports what modal window opened, if any.
    QString TypeAndSee(const QString& text, int waitMs, bool throughWindow = false);

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    std::unique_ptr<frmMain> m_main;
};

void TypeAheadWiringTest::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    const QString cover = m_dir->path("cover.jpg");
    QVERIFY(AnsiText::WriteFileBytes(cover, QByteArray("no picture")));
    for (int i = 0; i < 20; ++i) {
        gMovies->Item(AddMovie(QStringLiteral("Movie %1").arg(i), "!0", "DVD"))->AddFrontCover(cover);
    }
    LoadCollections(m_dbDir);
    m_main = std::make_unique<frmMain>();
    m_main->Load();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
}

void TypeAheadWiringTest::cleanup()
{
    m_main.reset();
    gTempFolder.clear();
    m_dir.reset();
}

QString TypeAheadWiringTest::TypeAndSee(const QString& text, int waitMs, bool throughWindow)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus) {
        return "no focus";
    }
    // Shared with the answerer, which may outlive this call when nothing opens.
    auto seen = std::make_shared<QString>();
    // Whatever opens is answered, however late; that none may open is no failure.
    TestSupport::Answer<QWidget>(
        [seen](QWidget* modal) {
            *seen = modal->objectName() + " " + modal->windowTitle();
            if (auto* tries = modal->findChild<QLabel*>("lblTries")) {
                *seen += " tries " + tries->text();
            }
            modal->close();
        },
        TestSupport::DefaultAnswerTimeoutMs(), false);
    if (throughWindow) {
        // The way the window system delivers keys: to the window, which hands them to the focus widget and on up
        // through its parents. Each key must count once.
        for (const QChar c : text) {
            QTest::keyClick(focus->window()->windowHandle(), c.toLatin1());
        }
    } else {
        QTest::keyClicks(focus, text);
    }
    QTest::qWait(waitMs + 200);
    return *seen;
}

void TypeAheadWiringTest::wordInTheTree()
{
    auto* tree = m_main->findChild<QTreeWidget*>("treeMovies");
    tree->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), tree);
    QCOMPARE(TypeAndSee("xy quietharbor", 3000), QStringLiteral("frmMemory Vidsora memory tries 0"));
    QCOMPARE(Model().Buffer(), QString());
    // The next opening deals a fresh window.
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    tree->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), tree);
    QCOMPARE(TypeAndSee("QUIETHARBOR", 3000, true), QStringLiteral("frmMemory Vidsora memory tries 0"));
}

void TypeAheadWiringTest::wordInTheBrowserPane()
{
    auto* web = m_main->findChild<WebBrowser*>("webObject");
    web->setFocus();
    // The page's own widget inside the pane takes the keys.
    QTRY_VERIFY(QApplication::focusWidget() && web->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(TypeAndSee("QuietHarbor", 3000), QStringLiteral("frmMemory Vidsora memory tries 0"));
}

void TypeAheadWiringTest::pauseEmptiesTheBuffer()
{
    auto* tree = m_main->findChild<QTreeWidget*>("treeMovies");
    tree->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), tree);
    QTest::keyClicks(tree, "quiet");
    QCOMPARE(Model().Buffer(), QStringLiteral("quiet"));
    auto* timer = m_main->findChild<QTimer*>("tmClearCommand");
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 5000);
    // Let the clear come at once rather than after five seconds.
    timer->setInterval(1);
    QTRY_COMPARE(Model().Buffer(), QString());
    QCOMPARE(TypeAndSee("harbor", 500), QString());
}

void TypeAheadWiringTest::nothingOpens_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("buffer");
    // The word is matched but no game can be dealt; the keys of another window are not collected at all.
    QTest::newRow("19 front covers") << "19 covers"
                                     << "x";
    QTest::newRow("typed in another window") << "other window"
                                             << "";
}

void TypeAheadWiringTest::nothingOpens()
{
    QFETCH(QString, situation);
    QFETCH(QString, buffer);
    std::unique_ptr<QLineEdit> other;
    if (situation == "19 covers") {
        gMovies->Item(1)->DeleteFrontCover();
        auto* tree = m_main->findChild<QTreeWidget*>("treeMovies");
        tree->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), tree);
    } else {
        other = std::make_unique<QLineEdit>();
        other->show();
        other->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(other.get()));
        other->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), other.get());
    }
    QCOMPARE(TypeAndSee("quietharborx", 500), QString());
    QCOMPARE(Model().Buffer(), buffer);
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    TypeAheadWiringTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_web_typeahead.moc"
