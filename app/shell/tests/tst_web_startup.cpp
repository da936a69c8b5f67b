// The program's real start-up: Main with the program's own main window, on an empty store and on a small one.
#include "CCategories.h"
#include "CMovies.h"
#include "Registry.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "shell/frmMain.h"
#include "shell/mMain.h"

#include "StoreLock.h"
#include "TestStore.h"
#include "WebBrowser.h"

#include <QApplication>
#include <QProcess>
#include <QTreeWidgetItem>
#include <QtTest>

#include <unistd.h>

class TestWebStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        mMain::SetMainWindowLoader(mMain::DefaultMainWindowLoader(), mMain::DefaultMainWindowPreparer());
    }

    void cleanup()
    {
        delete mMain::MainWindow();
        mMain::ReleaseInstance();
        m_store.reset();
    }

    // Nodes: the root plus one per item.
    void opensMainWindow_data()
    {
        QTest::addColumn<int>("categories");
        QTest::addColumn<int>("movies");
        QTest::newRow("empty store") << 0 << 0;
        QTest::newRow("small store") << 2 << 3;
    }
    void opensMainWindow()
    {
        QFETCH(int, categories);
        QFETCH(int, movies);
        m_store = std::make_unique<TestStore>(TestStore::Folders::Program);
        const QString dbDir = m_store->db();
        {
            CCategories c;
            c.setDBDir(dbDir);
            for (int i = 1; i <= categories; ++i) {
                QVERIFY(!c.Add(QStringLiteral("Category %1").arg(i)).isEmpty());
            }
            CMovies m;
            m.setDBDir(dbDir);
            for (int i = 1; i <= movies; ++i) {
                QVERIFY(!m.Add(QStringLiteral("Movie %1").arg(i)).isEmpty());
            }
        }
        QCOMPARE(mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey), 0L);
        WriteRegSetting(QStringLiteral("DBPath"), dbDir);

        QVERIFY(Main());
        auto* window = qobject_cast<frmMain*>(mMain::MainWindow());
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->strKey(), QStringLiteral("!0"));
        QVERIFY(window->Node(QStringLiteral("!0")));
        QCOMPARE(int(window->Nodes().size()), 1 + categories + movies);
        QVERIFY(QFileInfo(gTempFolder).isDir());
        QVERIFY(!QApplication::overrideCursor());
    }

    // Started by root, the program runs its browser engine without the sandbox the engine refuses to run for root,
    // rather than ending with a sandbox error; nobody has to set anything for it.
    void startsAsRoot()
    {
        if (::geteuid() != 0) {
            QSKIP("only root meets the browser engine's refusal");
        }
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/vidsora");
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
        const QString world = TestSupport::ProgramDir().filePath(QStringLiteral("root-start"));
        for (const char* sub : {"config", "data", "run", "tmp"}) {
            QVERIFY(QDir().mkpath(world + u'/' + QLatin1String(sub)));
        }
        QFile::setPermissions(world + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--disable-gpu"));
        for (const char* name : {"config", "data", "run", "tmp"}) {
            const QString var = QLatin1String(name) == QLatin1String("tmp") ? QStringLiteral("TMPDIR")
                                : QLatin1String(name) == QLatin1String("run")
                                    ? QStringLiteral("XDG_RUNTIME_DIR")
                                    : QStringLiteral("XDG_%1_HOME").arg(QString::fromLatin1(name).toUpper());
            env.insert(var, world + u'/' + QLatin1String(name));
        }
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(program, {});
        QVERIFY(child.waitForStarted(10000));
        // The store is locked before the engine starts; once it is, the engine's start follows at once. A program
        // that dies of the sandbox ends before or just after.
        const QString store = world + QStringLiteral("/data/Halvorix/Vidsora/Database33");
        auto storeOpen = [&store] {
            StoreLock probe;
            return QFileInfo(store).isDir() && probe.Acquire(store) == StoreLock::Result::InUse;
        };
        QElapsedTimer clock;
        clock.start();
        bool ended = false;
        while (!storeOpen() && !ended && clock.elapsed() < 120000) {
            ended = child.waitForFinished(50);
        }
        if (!ended) {
            ended = child.waitForFinished(5000);
        }
        const QString err = QString::fromLocal8Bit(child.readAllStandardError());
        child.kill();
        child.waitForFinished(5000);
        QVERIFY2(!ended, qPrintable(err));
    }

private:
    std::unique_ptr<TestStore> m_store;
};

int main(int argc, char* argv[])
{
    // The test's world: its own settings, lock and temporary files.
    TestSupport::SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    TestWebStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_web_startup.moc"
