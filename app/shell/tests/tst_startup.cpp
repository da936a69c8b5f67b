#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Registry.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "shell/ProgressBar.h"
#include "shell/frmSplash.h"
#include "shell/mMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLockFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QThread>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <limits>

namespace {

struct Counts
{
    int categories = 0, groups = 0, boxes = 0, medias = 0, movies = 0;
    int Total() const { return categories + groups + boxes + medias + movies; }
};

template <class Collection> void AddItems(const QString& dbDir, int count, const QString& name)
{
    Collection collection;
    collection.setDBDir(dbDir);
    for (int i = 1; i <= count; ++i) {
        QVERIFY(!collection.Add(QStringLiteral("%1 %2").arg(name).arg(i)).isEmpty());
    }
}

// A store with that many items of each kind.
void MakeStore(const QString& dbDir, const Counts& counts)
{
    AddItems<CCategories>(dbDir, counts.categories, QStringLiteral("Category"));
    AddItems<CGroups>(dbDir, counts.groups, QStringLiteral("Group"));
    AddItems<CBoxes>(dbDir, counts.boxes, QStringLiteral("Box"));
    AddItems<CMedias>(dbDir, counts.medias, QStringLiteral("Disc"));
    AddItems<CMovies>(dbDir, counts.movies, QStringLiteral("Movie"));
}

void StoreDBPath(const QString& dbDir)
{
    QCOMPARE(mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey), 0L);
    WriteRegSetting(QStringLiteral("DBPath"), dbDir);
}

QString StoredDBPath()
{
    QVariant value;
    if (mRegister::ReadValue(Registry::HKEY_CURRENT_USER, kProgramKey, QStringLiteral("DBPath"), value) != 0) {
        return QStringLiteral("<missing>");
    }
    QString text = value.toString();
    if (text.endsWith(QChar(0))) {
        text.chop(1);
    }
    return text;
}

// What start-up looked like when the main window was made.
struct Seen
{
    bool loaderCalled = false;
    bool allLoaded = false;
    bool barsReleased = false;
    bool splashVisible = false;
    int loaded = -1;
    float max = -1.0f;
    float value = -1.0f;
    QList<float> steps;
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        const QString runtime = m_home.filePath(QStringLiteral("run"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        QVERIFY(QDir().mkpath(m_home.filePath(QStringLiteral("tmp"))));
        qputenv("TMPDIR", m_home.filePath(QStringLiteral("tmp")).toLocal8Bit());
        QVERIFY(mMain::InstanceLockPath().startsWith(runtime + u'/'));
        qApp->installEventFilter(this);
    }

    // Every test starts as a first start: its own settings, its own program folder.
    void init()
    {
        static int n = 0;
        ++n;
        m_config = m_home.filePath(QStringLiteral("config%1").arg(n));
        qputenv("XDG_CONFIG_HOME", m_config.toLocal8Bit());
        m_program = m_home.filePath(QStringLiteral("program%1").arg(n));
        QVERIFY(QDir().mkpath(m_program));
        SetProgramFolder(m_program);
        m_seen = Seen();
        mMain::SetMainWindowLoader([this] { return StandInMainWindow(); });
    }

    void cleanup()
    {
        delete mMain::MainWindow();
        mMain::ReleaseInstance();
        gCategories.reset();
        gGroups.reset();
        gBoxes.reset();
        gMedias.reset();
        gMovies.reset();
        m_closeSplash = false;
    }

    void progressBarByName_data()
    {
        QTest::addColumn<QVariant>("max");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<float>("expectedMax");
        QTest::addColumn<float>("expectedValue");
        QTest::newRow("whole numbers") << QVariant(40) << QVariant(40) << 40.0f << 40.0f;
        QTest::newRow("fractions") << QVariant(2.5) << QVariant(1.25) << 2.5f << 1.25f;
        QTest::newRow("zero maximum keeps the old one") << QVariant(0) << QVariant(7) << 100.0f << 7.0f;
        QTest::newRow("negative maximum") << QVariant(-3) << QVariant(0) << 100.0f << 0.0f;
        QTest::newRow("value above the maximum") << QVariant(10) << QVariant(11) << 10.0f << 5.0f;
        QTest::newRow("negative value") << QVariant(10) << QVariant(-1) << 10.0f << 5.0f;
        QTest::newRow("not a number") << QVariant(std::numeric_limits<double>::quiet_NaN()) << QVariant(2) << 100.0f
                                      << 2.0f;
    }
    void progressBarByName()
    {
        QFETCH(QVariant, max);
        QFETCH(QVariant, value);
        QFETCH(float, expectedMax);
        QFETCH(float, expectedValue);
        ProgressBar bar;
        bar.setProperty("Value", 5);
        bar.setProperty("Max", max);
        bar.setProperty("Value", value);
        QCOMPARE(bar.property("Max").toFloat(), expectedMax);
        QCOMPARE(bar.property("Value").toFloat(), expectedValue);
        QCOMPARE(bar.Value(), expectedValue);
        // The painted bar shows the same share.
        QCOMPARE(double(bar.Bar()->value()) / bar.Bar()->maximum(),
                 std::round(expectedValue / expectedMax * 10000.0) / 10000.0);
    }

    // The bar is sized from the counts, then rises by one per entry until it reaches the total, before the main
    // window is made; the main window sees all five kinds loaded.
    void progressRisesToTotal_data()
    {
        QTest::addColumn<int>("categories");
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<int>("medias");
        QTest::addColumn<int>("movies");
        QTest::addColumn<bool>("strayFile");
        QTest::newRow("every kind") << 3 << 4 << 2 << 5 << 7 << false;
        QTest::newRow("only movies") << 0 << 0 << 0 << 0 << 9 << false;
        QTest::newRow("an entry that holds no item") << 1 << 1 << 1 << 1 << 1 << true;
    }
    void progressRisesToTotal()
    {
        QFETCH(int, categories);
        QFETCH(int, groups);
        QFETCH(int, boxes);
        QFETCH(int, medias);
        QFETCH(int, movies);
        QFETCH(bool, strayFile);
        const Counts counts{categories, groups, boxes, medias, movies};
        const QString dbDir = m_home.filePath(QStringLiteral("store-%1").arg(QTest::currentDataTag()));
        MakeStore(dbDir, counts);
        int total = counts.Total();
        if (strayFile) {
            QFile stray(dbDir + QStringLiteral("/Movies/readme.txt"));
            QVERIFY(stray.open(QIODevice::WriteOnly));
            ++total;
        }
        StoreDBPath(dbDir);

        QVERIFY(Main());
        QVERIFY(m_seen.loaderCalled);
        QVERIFY(m_seen.allLoaded);
        QVERIFY(m_seen.barsReleased);
        QVERIFY(m_seen.splashVisible);
        QCOMPARE(m_seen.loaded, counts.Total());
        QCOMPARE(m_seen.max, float(total));
        QCOMPARE(m_seen.value, float(total));
        QList<float> expected;
        for (int i = 1; i <= total; ++i) {
            expected << float(i);
        }
        QCOMPARE(m_seen.steps, expected);
        QCOMPARE(gMovies->Count(), movies);
        QCOMPARE(gCategories->Count(), categories);
        ExpectMainWindowShown();
    }

    // No items at all: the bar keeps the maximum it had, and start-up still ends in the main window.
    void emptyStoreReachesMainWindow_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("missing folder") << QStringLiteral("missing");
        QTest::newRow("empty folder") << QStringLiteral("empty");
        QTest::newRow("empty kind folders") << QStringLiteral("kinds");
    }
    void emptyStoreReachesMainWindow()
    {
        QFETCH(QString, layout);
        const QString dbDir = m_home.filePath(QStringLiteral("empty-") + layout);
        if (layout != QLatin1String("missing")) {
            QVERIFY(QDir().mkpath(dbDir));
        }
        if (layout == QLatin1String("kinds")) {
            MakeStore(dbDir, Counts());
        }
        StoreDBPath(dbDir);

        QVERIFY(Main());
        QVERIFY(m_seen.allLoaded);
        QCOMPARE(m_seen.loaded, 0);
        QCOMPARE(m_seen.max, 100.0f);
        QCOMPARE(m_seen.value, 0.0f);
        QVERIFY(m_seen.steps.isEmpty());
        ExpectMainWindowShown();
        ExpectKindFolders(dbDir);
        QCOMPARE(StoredDBPath(), dbDir);
    }

    // A first start on an empty machine stores the default database folder, makes the store there and opens on it.
    void firstStartCreatesDefaultStore()
    {
        QCOMPARE(StoredDBPath(), QStringLiteral("<missing>"));
        const QString expected = m_program + QStringLiteral("/Database33");
        QVERIFY(Main());
        QCOMPARE(StoredDBPath(), expected);
        ExpectKindFolders(expected);
        ExpectMainWindowShown();
        QVERIFY(gCategories && gCategories->DBDir() == expected);
        QVERIFY(gMovies && gMovies->DBDir() == expected);
        // This run's temporary folder is named, under the temporary path; the main window makes it.
        QVERIFY2(gTempFolder.startsWith(QDir::tempPath() + QStringLiteral("/VDS")), qPrintable(gTempFolder));

        // The next start opens the same store and adds what was saved meanwhile.
        cleanup();
        AddItems<CMovies>(expected, 2, QStringLiteral("Movie"));
        mMain::SetMainWindowLoader([this] { return StandInMainWindow(); });
        m_seen = Seen();
        QVERIFY(Main());
        QCOMPARE(StoredDBPath(), expected);
        QCOMPARE(m_seen.loaded, 2);
    }

    // The loads take no input: a request to close the splash window meanwhile is refused.
    void splashStaysWhileLoading()
    {
        const QString dbDir = m_home.filePath(QStringLiteral("store-close"));
        MakeStore(dbDir, Counts{1, 1, 1, 1, 3});
        StoreDBPath(dbDir);
        m_closeSplash = true;
        QVERIFY(Main());
        QVERIFY(m_closeRefused);
        QVERIFY(m_seen.splashVisible);
        QCOMPARE(m_seen.loaded, 7);
        ExpectMainWindowShown();
    }

    // A second start while one runs says so and ends with its own exit code; the running one goes on untouched and
    // the second reads no setting.
    void secondInstanceRefused()
    {
        QVERIFY(Main());
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/vidsora");
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));

        const QString childConfig = m_home.filePath(QStringLiteral("child-config"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), childConfig);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VIDSORA_TEST_AUTOCLOSE"), QStringLiteral("100"));
        child.setProcessEnvironment(env);
        child.start(program, {});
        QVERIFY(child.waitForFinished(20000));
        const QString err = QString::fromLocal8Bit(child.readAllStandardError());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), mMain::kExitAlreadyRunning);
        QVERIFY2(err.contains(QStringLiteral("message box: icon %1 caption \"Vidsora\" text \"Vidsora is already "
                                             "running!\" buttons %2")
                                  .arg(int(QMessageBox::Warning))
                                  .arg(int(QMessageBox::Ok))),
                 qPrintable(err));
        QVERIFY(!QFileInfo::exists(childConfig + QStringLiteral("/Halvorix/Vidsora.conf")));

        QVERIFY(mMain::MainWindow() && mMain::MainWindow()->isVisible());
        // Still ours: a further claim from elsewhere fails.
        QLockFile other(mMain::InstanceLockPath());
        QVERIFY(!other.tryLock(0));
        QCOMPARE(other.error(), QLockFile::LockFailedError);
    }

    // A lock left behind by an instance that died does not keep the program from starting.
    void deadInstanceLockTakenOver()
    {
        QProcess holder;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VIDSORA_TEST_HOLD_LOCK"), QStringLiteral("1"));
        holder.setProcessEnvironment(env);
        holder.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
        ::kill(pid_t(holder.processId()), SIGKILL);
        QVERIFY(holder.waitForFinished(10000));
        QVERIFY(QFileInfo::exists(mMain::InstanceLockPath()));

        QVERIFY(Main());
        ExpectMainWindowShown();
        mMain::ReleaseInstance();
        QVERIFY(!QFileInfo::exists(mMain::InstanceLockPath()));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* splash = qobject_cast<frmSplash*>(watched)) {
                connect(splash->pgLoading, &ProgressBar::ValueChanged, this, [this, splash](float value) {
                    m_seen.steps << value;
                    if (m_closeSplash && m_seen.steps.size() == 1) {
                        QCloseEvent close;
                        QSpontaneKeyEvent::setSpontaneous(&close);
                        qApp->notify(splash, &close);
                        m_closeRefused = !close.isAccepted() && splash->isVisible();
                    }
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* StandInMainWindow()
    {
        m_seen.loaderCalled = true;
        m_seen.allLoaded = gCategories && gGroups && gBoxes && gMedias && gMovies;
        if (m_seen.allLoaded) {
            m_seen.loaded =
                gCategories->Count() + gGroups->Count() + gBoxes->Count() + gMedias->Count() + gMovies->Count();
            m_seen.barsReleased =
                !gCategories->PGB() && !gGroups->PGB() && !gBoxes->PGB() && !gMedias->PGB() && !gMovies->PGB();
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* splash = qobject_cast<frmSplash*>(w)) {
                m_seen.splashVisible = splash->isVisible();
                m_seen.max = splash->pgLoading->Max();
                m_seen.value = splash->pgLoading->Value();
            }
        }
        auto* window = new QMainWindow;
        window->setObjectName(QStringLiteral("standIn"));
        return window;
    }

    void ExpectMainWindowShown()
    {
        QWidget* window = mMain::MainWindow();
        QVERIFY(window);
        QCOMPARE(window->objectName(), QStringLiteral("standIn"));
        QVERIFY(window->isVisible());
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY2(!qobject_cast<frmSplash*>(w), "the splash window outlived start-up");
        }
        QVERIFY(!QApplication::overrideCursor());
    }

    void ExpectKindFolders(const QString& dbDir)
    {
        for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
            QVERIFY2(QFileInfo(dbDir + u'/' + QLatin1String(kind)).isDir(), kind);
        }
    }

    QTemporaryDir m_home;
    QString m_config;
    QString m_program;
    Seen m_seen;
    bool m_closeSplash = false;
    bool m_closeRefused = false;
};

int main(int argc, char* argv[])
{
    // Plays an instance that holds the lock until it is killed.
    if (qEnvironmentVariableIsSet("VIDSORA_TEST_HOLD_LOCK")) {
        QCoreApplication app(argc, argv);
        QLockFile lock(mMain::InstanceLockPath());
        if (!lock.tryLock(0)) {
            return 1;
        }
        fputs("locked\n", stdout);
        fflush(stdout);
        QThread::sleep(30);
        return 0;
    }
    QApplication app(argc, argv);
    TestStartup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
