#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "ItemStore.h"
#include "Registry.h"
#include "StoreLock.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "shell/ProgressBar.h"
#include "shell/frmSplash.h"
#include "shell/mMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QLockFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <limits>

// The thread sanitizer's runtime of this compiler fails inside a process started from a threaded one (a CHECK in its
// fork handling), so the tests that start a second program run in the other builds only.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SKIP_SECOND_PROGRAM_UNDER_TSAN() QSKIP("a second program cannot start under the thread sanitizer")
#endif
#endif
#ifndef SKIP_SECOND_PROGRAM_UNDER_TSAN
#define SKIP_SECOND_PROGRAM_UNDER_TSAN()
#endif

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

    // Every test starts as a first start: its own settings, data and program folders.
    void init()
    {
        static int n = 0;
        ++n;
        m_config = m_home.filePath(QStringLiteral("config%1").arg(n));
        qputenv("XDG_CONFIG_HOME", m_config.toLocal8Bit());
        m_data = m_home.filePath(QStringLiteral("data%1").arg(n));
        qputenv("XDG_DATA_HOME", m_data.toLocal8Bit());
        m_program = m_home.filePath(QStringLiteral("program%1").arg(n));
        QVERIFY(QDir().mkpath(m_program));
        SetProgramFolder(m_program);
        m_seen = Seen();
        m_boxes.clear();
        m_answer = QMessageBox::Ok;
        mMain::SetMainWindowLoader([this] { return StandInMainWindow(); });
    }

    void cleanup()
    {
        delete mMain::MainWindow();
        mMain::CloseStore();
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

    // With a preparer, the collections load on a thread of their own while the window thread prepares the main window:
    // the preparer runs on the window thread under the splash window, the bar still ends at the total before the main
    // window is made, and every item belongs to the window thread afterwards, as if it had loaded them.
    void loadsWhilePreparing_data()
    {
        QTest::addColumn<int>("movies");
        QTest::newRow("empty store") << 0;
        QTest::newRow("a few hundred movies") << 400;
    }
    void loadsWhilePreparing()
    {
        QFETCH(int, movies);
        const Counts counts{2, 2, 2, 2, movies};
        const QString dbDir = m_home.filePath(QStringLiteral("store-prepared-%1").arg(movies));
        MakeStore(dbDir, counts);
        StoreDBPath(dbDir);
        bool prepared = false;
        bool onWindowThread = false;
        bool underSplash = false;
        mMain::SetMainWindowLoader([this] { return StandInMainWindow(); },
                                   [&] {
                                       prepared = true;
                                       onWindowThread = QThread::currentThread() == qApp->thread();
                                       for (QWidget* w : QApplication::topLevelWidgets()) {
                                           underSplash = underSplash || (qobject_cast<frmSplash*>(w) && w->isVisible());
                                       }
                                   });

        QVERIFY(Main());
        QVERIFY(prepared);
        QVERIFY(onWindowThread);
        QVERIFY(underSplash);
        QVERIFY(m_seen.allLoaded);
        QVERIFY(m_seen.barsReleased);
        QCOMPARE(m_seen.loaded, counts.Total());
        QCOMPARE(m_seen.value, float(counts.Total()));
        // The bar only rises, and its last step is the total.
        QVERIFY(!m_seen.steps.isEmpty());
        QCOMPARE(m_seen.steps.last(), float(counts.Total()));
        QVERIFY(std::is_sorted(m_seen.steps.begin(), m_seen.steps.end(), std::less_equal<float>()));
        QCOMPARE(gMovies->Count(), movies);
        for (const auto& movie : *gMovies) {
            QCOMPARE(movie->thread(), qApp->thread());
        }
        for (const auto& category : *gCategories) {
            QCOMPARE(category->thread(), qApp->thread());
        }
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
        m_answer = QMessageBox::Yes;

        QVERIFY(Main());
        // Only a folder that is not there is asked for.
        QCOMPARE(m_boxes.size(), layout == QLatin1String("missing") ? 1 : 0);
        QVERIFY(m_seen.allLoaded);
        QCOMPARE(m_seen.loaded, 0);
        QCOMPARE(m_seen.max, 100.0f);
        QCOMPARE(m_seen.value, 0.0f);
        QVERIFY(m_seen.steps.isEmpty());
        ExpectMainWindowShown();
        ExpectKindFolders(dbDir);
        QCOMPARE(StoredDBPath(), dbDir);
    }

    // Folders that hold no item the load can read (notes or covers without a record, an empty record) stay on disk
    // and are said once, after the main window is up, with how many there are.
    void foldersLeftOutSaidOnce()
    {
        const QString dbDir = m_home.filePath(QStringLiteral("leftout"));
        QVERIFY(QDir().mkpath(dbDir));
        MakeStore(dbDir, Counts{0, 0, 0, 0, 2});
        const QStringList kept{dbDir + QStringLiteral("/Movies/Torn.7/Notes.txt"),
                               dbDir + QStringLiteral("/Boxes/Torn.3/FrontCover.jpg"),
                               dbDir + QStringLiteral("/Categories/Torn.1/") + ItemStore::kRecord};
        for (const QString& file : kept) {
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file.endsWith(ItemStore::kRecord) ? "" : "the user's");
        }
        StoreDBPath(dbDir);

        QVERIFY(Main());
        ExpectMainWindowShown();
        QCOMPARE(m_seen.loaded, 2);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes.first().contains(QStringLiteral("3 folders in the collection %1").arg(dbDir)),
                 qPrintable(m_boxes.first()));
        for (const QString& file : kept) {
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        }
    }

    // A first start on an empty machine stores the default database folder, makes the store there without a
    // question and opens on it. The default lies in the user's data folder, never beside the program.
    void firstStartCreatesDefaultStore()
    {
        QCOMPARE(StoredDBPath(), QStringLiteral("<missing>"));
        const QString expected = m_data + QStringLiteral("/Halvorix/Vidsora/Database33");
        QVERIFY(Main());
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(u'\n')));
        QVERIFY(QDir(m_program).isEmpty());
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

    // "DBPath" naming a folder that is not there (a typo, an unplugged disk) is asked about before anything is made;
    // No ends the start with nothing created and nothing loaded.
    void missingStoreAsked_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void missingStoreAsked()
    {
        QFETCH(bool, yes);
        const QString disk = m_home.filePath(QStringLiteral("disk-%1").arg(QTest::currentDataTag()));
        const QString dbDir = disk + QStringLiteral("/Movies");
        StoreDBPath(dbDir);
        m_answer = yes ? QMessageBox::Yes : QMessageBox::No;

        QCOMPARE(Main(), yes);
        QCOMPARE(m_boxes, QStringList{QStringLiteral("%1: The collection folder %2 does not exist. Create a new, "
                                                     "empty collection there?")
                                          .arg(int(QMessageBox::Question))
                                          .arg(dbDir)});
        if (yes) {
            ExpectKindFolders(dbDir);
            ExpectMainWindowShown();
            QCOMPARE(m_seen.loaded, 0);
        } else {
            QCOMPARE(mMain::ExitCode(), mMain::kExitStoreNotOpened);
            QVERIFY(!QFileInfo::exists(disk));
            ExpectNothingLoaded();
        }
        QCOMPARE(StoredDBPath(), dbDir);
        QVERIFY(!QDir(m_data).exists());
    }

    // A store another program holds is refused with the message, before a collection or the splash window is made.
    void storeInUseRefused()
    {
        const QString dbDir = m_home.filePath(QStringLiteral("store-shared"));
        MakeStore(dbDir, Counts{1, 0, 0, 0, 2});
        StoreDBPath(dbDir);
        StoreLock other;
        QCOMPARE(other.Acquire(dbDir), StoreLock::Result::Locked);

        QVERIFY(!Main());
        QCOMPARE(mMain::ExitCode(), mMain::kExitStoreNotOpened);
        QCOMPARE(m_boxes, QStringList{QStringLiteral("%1: The collection %2 is in use by another Vidsora.")
                                          .arg(int(QMessageBox::Warning))
                                          .arg(dbDir)});
        ExpectNothingLoaded();

        // Once the other program is gone, the store opens and stays locked while this one runs.
        other.Release();
        m_boxes.clear();
        QVERIFY(Main());
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(m_seen.loaded, 3);
        QCOMPARE(other.Acquire(dbDir), StoreLock::Result::InUse);
        mMain::CloseStore();
        QCOMPARE(other.Acquire(dbDir), StoreLock::Result::Locked);
    }

    // Two programs on one store: a second Vidsora (another user's, so the one-instance lock does not stop it) is told
    // the store is in use, ends with its own code and loads nothing.
    void secondProgramOnStoreRefused()
    {
        SKIP_SECOND_PROGRAM_UNDER_TSAN();
        const QString dbDir = m_home.filePath(QStringLiteral("store-two"));
        MakeStore(dbDir, Counts{0, 0, 0, 0, 2});
        StoreDBPath(dbDir);
        QVERIFY(Main());
        // The other user's world: own runtime folder and settings, the same store.
        const QString other = m_home.filePath(QStringLiteral("other-user"));
        for (const char* sub : {"run", "config/Halvorix", "tmp"}) {
            QVERIFY(QDir().mkpath(other + u'/' + QLatin1String(sub)));
        }
        QFile::setPermissions(other + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile conf(other + QStringLiteral("/config/Halvorix/Vidsora.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("DBPath=" + dbDir.toUtf8() + '\n');
        conf.close();

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), other + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), other + QStringLiteral("/run"));
        env.insert(QStringLiteral("TMPDIR"), other + QStringLiteral("/tmp"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VIDSORA_TEST_START"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(20000));
        const QString err = QString::fromLocal8Bit(child.readAllStandardError());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), mMain::kExitStoreNotOpened);
        QVERIFY2(err.contains(QStringLiteral("message box: icon %1 caption \"Vidsora\" text \"The collection %2 is in "
                                             "use by another Vidsora.\" buttons %3")
                                  .arg(int(QMessageBox::Warning))
                                  .arg(dbDir)
                                  .arg(int(QMessageBox::Ok))),
                 qPrintable(err));
        // It showed nothing else and made no temporary folder.
        QCOMPARE(err.count(QStringLiteral("message box:")), 1);
        QVERIFY(QDir(other + QStringLiteral("/tmp")).isEmpty());
        QVERIFY(mMain::MainWindow() && mMain::MainWindow()->isVisible());
    }

    // A settings file that cannot be used is named once; the default collection opens and the file is left as it
    // was, byte for byte, even though a first start would store "DBPath".
    void unusableSettingsFileSaidOnce_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("damaged") << false;
        QTest::newRow("unreadable") << true;
    }
    void unusableSettingsFileSaidOnce()
    {
        QFETCH(bool, folder);
        const QString file = Registry::ProgramFile();
        QVERIFY(file.startsWith(m_config));
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        const QByteArray content("[Software\\Halvorix\\Vidsora]\nDBPath=/somewhere/Movies\nthis is no setting\n");
        if (folder) {
            QVERIFY(QDir().mkpath(file));
        } else {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }

        QVERIFY(Main());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes.at(0).startsWith(
                     QStringLiteral("%1: The settings file %2 ").arg(int(QMessageBox::Warning)).arg(file)),
                 qPrintable(m_boxes.at(0)));
        const QString expected = m_data + QStringLiteral("/Halvorix/Vidsora/Database33");
        QVERIFY(gMovies && gMovies->DBDir() == expected);
        ExpectKindFolders(expected);
        ExpectMainWindowShown();
        if (folder) {
            QVERIFY(QFileInfo(file).isDir());
        } else {
            QFile in(file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QCOMPARE(in.readAll(), content);
        }
        // No attempted write left a file of its own beside it.
        QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // A "DBPath" of a type the reader does not take is named once, with the file; the default collection opens, and
    // the line is never written over, neither then nor by a later write of another setting.
    void unreadableDBPathSaidAndKept()
    {
        const QString file = Registry::ProgramFile();
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        const QByteArray line("DBPath=4:99999999999999999999999");
        const auto fileBytes = [&file] {
            QFile in(file);
            return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        };
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("[Software\\Halvorix\\Vidsora]\n" + line + '\n');
        }
        const QByteArray before = fileBytes();

        QVERIFY(Main());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].startsWith(QStringLiteral("%1: The setting \"DBPath\" in the settings file %2 ")
                                           .arg(int(QMessageBox::Warning))
                                           .arg(file)),
                 qPrintable(m_boxes[0]));
        const QString expected = m_data + QStringLiteral("/Halvorix/Vidsora/Database33");
        QVERIFY(gMovies && gMovies->DBDir() == expected);
        ExpectKindFolders(expected);
        ExpectMainWindowShown();
        QCOMPARE(fileBytes(), before);

        // The main window's load stores a missing setting next: the file is rewritten, the line stays.
        QCOMPARE(ReadRegSetting(QStringLiteral("CheckAnnouncements"), QStringLiteral("-1")), QVariant("-1"));
        QVERIFY(fileBytes() != before);
        QVERIFY(fileBytes().contains('\n' + line + '\n'));
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
        SKIP_SECOND_PROGRAM_UNDER_TSAN();
        QVERIFY(Main());
        const QString childConfig = m_home.filePath(QStringLiteral("child-config"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), childConfig);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VIDSORA_TEST_START"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
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
        SKIP_SECOND_PROGRAM_UNDER_TSAN();
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
        // Every message box start-up shows is noted and answered.
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                m_boxes << QStringLiteral("%1: %2").arg(int(box->icon())).arg(box->text());
                QPointer<QMessageBox> guard(box);
                const QMessageBox::StandardButton answer = m_answer;
                QTimer::singleShot(0, this, [guard, answer] {
                    if (guard) {
                        QAbstractButton* button = guard->button(answer);
                        (button ? button : guard->button(QMessageBox::Ok))->click();
                    }
                });
            }
        }
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

    void ExpectNothingLoaded()
    {
        QVERIFY(!m_seen.loaderCalled);
        QVERIFY(!mMain::MainWindow());
        QVERIFY(!gCategories && !gMovies);
        QVERIFY(!QApplication::overrideCursor());
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY2(!qobject_cast<frmSplash*>(w) || !w->isVisible(), "a splash window was shown");
        }
    }

    void ExpectKindFolders(const QString& dbDir)
    {
        for (const ItemKind kind : ItemStore::kKinds) {
            const QString folder = ItemStore::KindFolder(kind);
            QVERIFY2(QFileInfo(dbDir + u'/' + folder).isDir(), qPrintable(folder));
        }
    }

    QTemporaryDir m_home;
    QString m_config;
    QString m_data;
    QString m_program;
    QStringList m_boxes;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    Seen m_seen;
    bool m_closeSplash = false;
    bool m_closeRefused = false;
};

namespace {

// Answers every message box of a program started by StartAsProgram (No where it asks, else OK) and says on stderr
// what it showed.
class BoxReporter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = event->type() == QEvent::Show ? qobject_cast<QMessageBox*>(watched) : nullptr;
        if (box) {
            QPointer<QMessageBox> guard(box);
            QTimer::singleShot(0, this, [guard] {
                if (!guard) {
                    return;
                }
                QTextStream(stderr) << "message box: icon " << int(guard->icon()) << " caption \""
                                    << guard->windowTitle() << "\" text \"" << guard->text() << "\" buttons "
                                    << int(guard->standardButtons()) << '\n';
                QAbstractButton* answer = guard->button(QMessageBox::No);
                (answer ? answer : guard->button(QMessageBox::Ok))->click();
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

// Starts as the program does, in a process of its own, for the tests of two programs at once; the exit code is the
// program's.
int StartAsProgram(int argc, char* argv[])
{
    QApplication app(argc, argv);
    BoxReporter reporter;
    app.installEventFilter(&reporter);
    mMain::SetMainWindowLoader([] { return new QMainWindow; });
    if (!Main()) {
        return mMain::ExitCode();
    }
    delete mMain::MainWindow();
    mMain::CloseStore();
    mMain::ReleaseInstance();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet("VIDSORA_TEST_START")) {
        return StartAsProgram(argc, argv);
    }
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
