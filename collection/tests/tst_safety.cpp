// What a save must survive: a full disk at any byte, a kill at any moment, a file system that ignores case, a second
// program on the same store, names that are not UTF-8 and pipes under a record's name.
#include "CBox.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CMedia.h"
#include "CMedias.h"
#include "CMovie.h"
#include "CMovies.h"
#include "ItemStore.h"
#include "KillRun.h"
#include "Registry.h"
#include "SafeFile.h"
#include "StoreFolder.h"
#include "StoreIntent.h"
#include "StoreLock.h"
#include "TestStore.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <functional>
#include <map>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Faults = SafeFile::Faults::Op;
using namespace KillRun;
using Snapshot = std::map<QByteArray, QByteArray>;

// Every entry below root (hidden ones too) with the bytes of each file, by raw path.
Snapshot Take(const QString& root)
{
    Snapshot snap;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QByteArray bytes("<folder>");
        if (!it.fileInfo().isDir()) {
            QFile file(path);
            bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
        }
        snap[SafeFile::Encode(path)] = bytes;
    }
    return snap;
}

void WriteRaw(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Collects the warnings of the program's own logging categories while it lives, with those warnings turned on; every
// other message goes on to the handler before it.
class TraceCollector
{
public:
    TraceCollector()
    {
        s_traces.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("vidsora.*.warning=true"));
        s_previous = qInstallMessageHandler(Collect);
    }
    ~TraceCollector()
    {
        qInstallMessageHandler(s_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    TraceCollector(const TraceCollector&) = delete;
    TraceCollector& operator=(const TraceCollector&) = delete;

    // "category: message" of each trace so far.
    static const QStringList& Traces() { return s_traces; }
    static void Clear() { s_traces.clear(); }
    // The traces of one category that mention text.
    static QStringList Matching(const char* category, const QString& text)
    {
        const QString prefix = QLatin1String(category) + QStringLiteral(": ");
        QStringList found;
        for (const QString& trace : s_traces) {
            if (trace.startsWith(prefix) && trace.contains(text)) {
                found << trace;
            }
        }
        return found;
    }

private:
    static void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtWarningMsg && context.category && QByteArrayView(context.category).startsWith("vidsora.")) {
            s_traces << QLatin1String(context.category) + QStringLiteral(": ") + message;
            return;
        }
        s_previous(type, context, message);
    }
    static inline QStringList s_traces;
    static inline QtMessageHandler s_previous = nullptr;
};

// The covers the saver child alternates between.

// The other child: holds the store lock until its input closes.
int RunLockHolder(const QString& db)
{
    StoreLock lock;
    const StoreLock::Result result = lock.Acquire(db);
    std::printf("%s\n", result == StoreLock::Result::Locked  ? "locked"
                        : result == StoreLock::Result::InUse ? "in use"
                                                             : "failed");
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}

} // namespace

class TestSafety : public QObject
{
    Q_OBJECT

    // One writer of the sweep: prepare makes its world in a folder (faults off), act runs the write and tells
    // whether it reported success.
    struct Writer
    {
        std::function<void(const QString& dir)> prepare;
        std::function<bool()> act;
        // A failure anywhere, a folder sync or any rename included, leaves everything as it was.
        bool whole = false;
    };
    std::map<QString, std::function<Writer()>> m_writers;
    QTemporaryDir m_base;

    // Collections kept alive between prepare and act.
    std::unique_ptr<CCategories> m_categories;
    std::unique_ptr<CBoxes> m_boxes;
    std::unique_ptr<CMedias> m_medias;
    std::unique_ptr<CMovies> m_movies;

    void SetUpWriters()
    {
        m_writers[QStringLiteral("category add")] = [this] {
            auto dir = std::make_shared<QString>();
            return Writer{[this, dir](const QString& d) {
                              *dir = d;
                              TestSupport::MakeKindFolders(d + QStringLiteral("/db"));
                              m_categories = std::make_unique<CCategories>();
                              m_categories->setDBDir(d + QStringLiteral("/db"));
                              m_categories->Add(QStringLiteral("Drama"));
                          },
                          [this] { return !m_categories->Add(QStringLiteral("Comedy")).isEmpty(); }};
        };
        m_writers[QStringLiteral("category update")] = [this] {
            return Writer{[this](const QString& d) {
                              TestSupport::MakeKindFolders(d + QStringLiteral("/db"));
                              m_categories = std::make_unique<CCategories>();
                              m_categories->setDBDir(d + QStringLiteral("/db"));
                              m_categories->Add(QStringLiteral("Drama"));
                          },
                          [this] {
                              m_categories->Item(QStringLiteral("C1"))->setStrSortKey(QStringLiteral("DRAMA"));
                              return m_categories->Update(QStringLiteral("C1"));
                          }};
        };
        m_writers[QStringLiteral("box update")] = [this] {
            return Writer{[this](const QString& d) {
                              TestSupport::MakeKindFolders(d + QStringLiteral("/db"));
                              m_boxes = std::make_unique<CBoxes>();
                              m_boxes->setDBDir(d + QStringLiteral("/db"));
                              m_boxes->Add(QStringLiteral("Set"));
                          },
                          [this] {
                              m_boxes->Item(QStringLiteral("B1"))->setStrExtras(QStringLiteral("a\r\nb"));
                              return m_boxes->Update(QStringLiteral("B1"));
                          }};
        };
        m_writers[QStringLiteral("media update")] = [this] {
            return Writer{[this](const QString& d) {
                              TestSupport::MakeKindFolders(d + QStringLiteral("/db"));
                              m_medias = std::make_unique<CMedias>();
                              m_medias->setDBDir(d + QStringLiteral("/db"));
                              m_medias->Add(QStringLiteral("Disc"));
                          },
                          [this] {
                              m_medias->Item(QStringLiteral("E1"))->setStrUPC(QStringLiteral("123456789012"));
                              return m_medias->Update(QStringLiteral("E1"));
                          }};
        };
        const auto movieWorld = [this](const QString& d) {
            TestSupport::MakeKindFolders(d + QStringLiteral("/db"));
            WriteRaw(d + QStringLiteral("/src/new.JPG"), kCoverB);
            WriteRaw(d + QStringLiteral("/src/old.gif"), kCoverA);
            m_movies = std::make_unique<CMovies>();
            m_movies->setDBDir(d + QStringLiteral("/db"));
            m_movies->Add(QStringLiteral("Heat"));
            const auto movie = m_movies->Item(QStringLiteral("M1"));
            movie->setStrNotes(Notes(1));
            movie->setStrSynopsis(Synopsis(1));
            m_movies->Update(QStringLiteral("M1"));
            movie->AddFrontCover(d + QStringLiteral("/src/old.gif"));
        };
        m_writers[QStringLiteral("movie update: record, notes, synopsis")] = [this, movieWorld] {
            return Writer{movieWorld, [this] {
                              const auto movie = m_movies->Item(QStringLiteral("M1"));
                              movie->setStrLabel(QStringLiteral("Director's cut"));
                              movie->setStrNotes(Notes(2));
                              movie->setStrSynopsis(Synopsis(2));
                              return m_movies->Update(QStringLiteral("M1"));
                          }};
        };
        auto sources = std::make_shared<QString>();
        m_writers[QStringLiteral("movie add, whole with covers")] = [this, movieWorld, sources] {
            return Writer{
                [movieWorld, sources](const QString& d) {
                    movieWorld(d);
                    *sources = d + QStringLiteral("/src/");
                },
                [this, sources] {
                    auto movie = std::static_pointer_cast<CMovie>(ItemStore::NewItem(ItemKind::Movie));
                    movie->setStrTitle(QStringLiteral("Ronin"));
                    movie->setStrNotes(Notes(3));
                    movie->setLngParentType(4);
                    const Result<QString> key = m_movies->AddNew(movie, {*sources + "new.JPG", *sources + "old.gif"});
                    // A failure without its reason, or one that kept the item, counts as a success.
                    return bool(key) || key.why().isEmpty() || m_movies->Count() != 1;
                },
                true};
        };
        auto coverDir = std::make_shared<QString>();
        m_writers[QStringLiteral("front cover change")] = [this, movieWorld, coverDir] {
            return Writer{[movieWorld, coverDir](const QString& d) {
                              movieWorld(d);
                              *coverDir = d;
                          },
                          [this, coverDir] {
                              const auto movie = m_movies->Item(QStringLiteral("M1"));
                              return movie->AddFrontCover(*coverDir + QStringLiteral("/src/new.JPG"));
                          }};
        };
        m_writers[QStringLiteral("first back cover")] = [this, movieWorld, coverDir] {
            return Writer{[movieWorld, coverDir](const QString& d) {
                              movieWorld(d);
                              *coverDir = d;
                          },
                          [this, coverDir] {
                              const auto movie = m_movies->Item(QStringLiteral("M1"));
                              return movie->AddBackCover(*coverDir + QStringLiteral("/src/new.JPG"));
                          }};
        };
        m_writers[QStringLiteral("settings")] = [] {
            return Writer{
                [](const QString& d) {
                    qputenv("XDG_CONFIG_HOME", SafeFile::Encode(d + QStringLiteral("/config")));
                    Registry::HKEY key = 0;
                    Registry::CreateKey(Registry::HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora"),
                                        Registry::KeyAllAccess, &key);
                    Registry::SetString(key, QStringLiteral("DBPath"), QStringLiteral("/home/me/Movies"));
                    Registry::SetString(key, QStringLiteral("User"), QStringLiteral("jo"));
                    Registry::CloseKey(key);
                },
                [] {
                    Registry::HKEY key = 0;
                    Registry::OpenKey(Registry::HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora"),
                                      Registry::KeyAllAccess, &key);
                    const long rc =
                        Registry::SetString(key, QStringLiteral("Password"), QStringLiteral("a long enough secret"));
                    Registry::CloseKey(key);
                    return rc == Registry::Success;
                }};
        };
        auto file = std::make_shared<QString>();
        m_writers[QStringLiteral("exchange file text")] = [file] {
            return Writer{
                [file](const QString& d) {
                    *file = d + QStringLiteral("/Heat.UEF");
                    QVERIFY(AnsiText::WriteFile(*file, QStringLiteral("[UEF]\r\n[MOVIE]\r\n[TITLE]Heat[/TITLE]\r\n")));
                },
                [file] {
                    return bool(AnsiText::WriteFile(*file, QStringLiteral("[UEF]\r\n[MOVIE]\r\n[TITLE]Ronin") +
                                                               QString(5000, QChar(u'x')) +
                                                               QStringLiteral("[/TITLE]\r\n")));
                }};
        };
        m_writers[QStringLiteral("item page")] = [file] {
            return Writer{[file](const QString& d) {
                              *file = d + QStringLiteral("/M1.html");
                              QVERIFY(AnsiText::WriteFile(*file, QStringLiteral("<html>old</html>\r\n")));
                          },
                          [file] {
                              return bool(AnsiText::WriteFileBytes(*file, QByteArray("<html>") + QByteArray(9000, 'p') +
                                                                              QByteArray("</html>\r\n")));
                          }};
        };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_base.isValid());
        SetUpWriters();
    }

    void init()
    {
        // A TestStore points TMPDIR into itself and is gone after its test: every test starts from the base again.
        qputenv("TMPDIR", SafeFile::Encode(m_base.path()));
        qputenv("XDG_CONFIG_HOME", SafeFile::Encode(m_base.filePath(QStringLiteral("config"))));
    }

    void cleanup() { SafeFile::Faults::Reset(); }

    // A batch of new items syncs once, at its end; a file that existed before it is still synced on its own; what it
    // wrote loads whole.
    void batchSyncsOnceAtItsEnd()
    {
        TestStore store;
        QString existing;
        {
            CMovies movies;
            movies.setDBDir(store.db());
            existing = movies.Add(QStringLiteral("Before"));
            QVERIFY(!existing.isEmpty());
        }
        CMovies movies;
        movies.setDBDir(store.db());
        movies.LoadData();
        QStringList added;
        {
            SafeFile::Faults::Reset();
            SafeFile::Batch outer;
            {
                SafeFile::Batch inner;
                for (int i = 0; i < 10; ++i) {
                    auto movie = std::static_pointer_cast<CMovie>(ItemStore::NewItem(ItemKind::Movie));
                    movie->setStrTitle(QStringLiteral("Batch %1").arg(i));
                    movie->setStrNotes(QStringLiteral("notes %1").arg(i));
                    movie->setStrSynopsis(QStringLiteral("synopsis %1").arg(i));
                    const Result<QString> key = movies.AddNew(movie);
                    QVERIFY(key);
                    added << *key;
                }
                QVERIFY(inner.Commit()); // the outer batch syncs
            }
            QCOMPARE(SafeFile::Faults::Calls(Faults::Sync), 0);
            QCOMPARE(SafeFile::Faults::Calls(Faults::SyncDir), 0);
            // The item that was there before keeps its own sync, so its old version is never at risk.
            movies.Item(existing)->setStrNotes(QStringLiteral("changed in a batch"));
            QVERIFY(movies.Update(existing));
            QVERIFY(SafeFile::Faults::Calls(Faults::Sync) > 0);
            const int syncs = SafeFile::Faults::Calls(Faults::Sync);
            const int dirSyncs = SafeFile::Faults::Calls(Faults::SyncDir);
            QVERIFY(outer.Commit());
            QCOMPARE(SafeFile::Faults::Calls(Faults::SyncDir), dirSyncs + 1); // one file system, synced once
            QCOMPARE(SafeFile::Faults::Calls(Faults::Sync), syncs);
        }
        CMovies reloaded;
        reloaded.setDBDir(store.db());
        reloaded.LoadData();
        for (int i = 0; i < added.size(); ++i) {
            const auto movie = reloaded.Item(added.at(i));
            QVERIFY(movie);
            QCOMPARE(movie->strNotes(), QStringLiteral("notes %1").arg(i));
            QCOMPARE(movie->strSynopsis(), QStringLiteral("synopsis %1").arg(i));
        }
        QCOMPARE(reloaded.Item(existing)->strNotes(), QStringLiteral("changed in a batch"));
        // Outside a batch every file is synced again.
        SafeFile::Faults::Reset();
        QVERIFY(!reloaded.Add(QStringLiteral("After")).isEmpty());
        QVERIFY(SafeFile::Faults::Calls(Faults::Sync) > 0);
    }

    // A batch whose final sync fails says so.
    void batchReportsAFailedSync()
    {
        TestStore store;
        CMovies movies;
        movies.setDBDir(store.db());
        SafeFile::Batch batch;
        QVERIFY(!movies.Add(QStringLiteral("Pending")).isEmpty());
        SafeFile::Faults::FailNth(Faults::SyncDir, 1);
        QVERIFY(!batch.Commit());
        QVERIFY(!batch.Commit()); // asked again, the answer stands
    }

    // Every writer, failed at every write point it has and at every byte a full disk could stop it: each call
    // reports failure, every old file stays byte for byte, and no temporary file is left.
    void fullDiskSweep_data()
    {
        QTest::addColumn<QString>("writer");
        for (const auto& [name, make] : m_writers) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void fullDiskSweep()
    {
        QFETCH(QString, writer);
        const Writer w = m_writers.at(writer)();
        // A dry run: how many bytes and calls the write takes.
        int calls[SafeFile::Faults::OpCount];
        qint64 bytes = 0;
        {
            QTemporaryDir dir;
            QVERIFY(dir.isValid());
            w.prepare(dir.path());
            SafeFile::Faults::Reset();
            SafeFile::Faults::SetByteBudget(qint64(1) << 40);
            QVERIFY2(w.act(), "the write works without a fault");
            bytes = (qint64(1) << 40) - SafeFile::Faults::ByteBudget();
            for (int op = 0; op < SafeFile::Faults::OpCount; ++op) {
                calls[op] = SafeFile::Faults::Calls(Faults(op));
            }
            SafeFile::Faults::Reset();
        }
        QVERIFY(bytes > 0);
        struct Point
        {
            int op;
            int nth;
            qint64 budget;
        };
        std::vector<Point> points;
        for (qint64 b : {qint64(0), qint64(1), bytes / 3, bytes / 2, bytes - 1}) {
            points.push_back({-1, 0, b});
        }
        for (int k = 1; w.whole && k < 24; ++k) {
            points.push_back({-1, 0, bytes * k / 24});
        }
        // Where a full disk or a failing disk reports: creating, writing, syncing, closing, creating a folder; and
        // the first rename (a later one would find an earlier file of the same save already replaced). What is made
        // whole fails whole at every rename and folder sync too.
        std::vector<Faults> ops{Faults::Create, Faults::WriteBytes, Faults::Sync, Faults::Close, Faults::MakeDir};
        if (w.whole) {
            ops.insert(ops.end(), {Faults::Rename, Faults::SyncDir});
        } else if (calls[Faults::Rename] > 0) {
            points.push_back({int(Faults::Rename), 1, -1});
        }
        for (Faults op : ops) {
            for (int n = 1; n <= calls[op]; ++n) {
                points.push_back({int(op), n, -1});
            }
        }
        for (const Point& p : points) {
            QTemporaryDir dir;
            QVERIFY(dir.isValid());
            w.prepare(dir.path());
            const Snapshot before = Take(dir.path());
            SafeFile::Faults::Reset();
            SafeFile::Faults::SetByteBudget(p.budget);
            if (p.op >= 0) {
                SafeFile::Faults::FailNth(Faults(p.op), p.nth);
            }
            const bool reported = w.act();
            SafeFile::Faults::Reset();
            const QString where = QStringLiteral("op %1 call %2 budget %3").arg(p.op).arg(p.nth).arg(p.budget);
            QVERIFY2(!reported, qPrintable(QStringLiteral("success reported at ") + where));
            QVERIFY2(Take(dir.path()) == before, qPrintable(QStringLiteral("files changed at ") + where));
        }
    }

    // A child saving in a loop is killed at random moments; after each kill every movie loads as a whole version,
    // every movie the child had reported added is there, and the load leaves no temporary file.
    void killedSaves()
    {
        TestStore store;
        const QString sources = store.path(QStringLiteral("src"));
        WriteRaw(sources + QStringLiteral("/a.jpg"), kCoverA);
        WriteRaw(sources + QStringLiteral("/b.GIF"), kCoverB);
        QStringList keys;
        {
            CMovies movies;
            movies.setDBDir(store.db());
            for (int i = 0; i < 12; ++i) {
                keys << movies.Add(QStringLiteral("Movie %1").arg(i));
            }
        }
        const int kills =
            qEnvironmentVariableIntValue("VIDSORA_KILLS") > 0 ? qEnvironmentVariableIntValue("VIDSORA_KILLS") : 60;
        QRandomGenerator rng(12345);
        int lost = 0;
        for (int k = 0; k < kills; ++k) {
            // Every tenth child first gets as far as an add, however slow the build (the sanitizers), so kills also
            // land among stores that grew.
            QVERIFY(KillRun::KillChild({QStringLiteral("--saver"), store.db(), sources, QString::number(k + 1)},
                                       1000 + rng.bounded(30000), keys, k % 10 == 9));
            QString why;
            lost += CheckAfterKill(store.db(), keys, &why);
            QVERIFY2(lost == 0, qPrintable(QStringLiteral("after kill %1: ").arg(k + 1) + why));
        }
        QVERIFY(keys.size() > 12); // the children got far enough to add
    }

    // A save of a movie with a new front cover, failed at every step it takes (each write, sync, close, rename,
    // folder sync and removal): once the next start has carried out the store's records, the movie is the old one
    // whole or the new one whole, never a mix, and it is the new one exactly when the save said it reached the disk.
    void failedStepOfASaveLeavesOldOrNew()
    {
        const auto save = [](const QString& d, bool prepare) {
            const QString db = d + QStringLiteral("/db");
            CMovies movies;
            movies.setDBDir(db);
            if (prepare) {
                TestSupport::MakeKindFolders(db);
                WriteRaw(d + QStringLiteral("/a.jpg"), kCoverA);
                WriteRaw(d + QStringLiteral("/b.GIF"), kCoverB);
                const QString key = movies.Add(QStringLiteral("Heat"));
                const auto movie = movies.Item(key);
                movie->setStrLabel(Label(2));
                movie->setStrNotes(Notes(2));
                movie->setStrSynopsis(Synopsis(2));
                return movies.Save(key, {CoverChange::Replace(CoverSource(d, 2)), {}});
            }
            movies.LoadData();
            const auto movie = movies.Item(QStringLiteral("M1"));
            movie->setStrLabel(Label(3));
            movie->setStrNotes(Notes(3));
            movie->setStrSynopsis(Synopsis(3));
            return movies.Save(QStringLiteral("M1"), {CoverChange::Replace(CoverSource(d, 3)), {}});
        };
        int calls[SafeFile::Faults::OpCount];
        {
            QTemporaryDir dir;
            QVERIFY(save(dir.path(), true));
            SafeFile::Faults::Reset();
            QVERIFY(save(dir.path(), false));
            for (int op = 0; op < SafeFile::Faults::OpCount; ++op) {
                calls[op] = SafeFile::Faults::Calls(Faults(op));
            }
            SafeFile::Faults::Reset();
        }
        int points = 0;
        for (int op = 0; op < SafeFile::Faults::OpCount; ++op) {
            for (int n = 1; n <= calls[op]; ++n, ++points) {
                QTemporaryDir dir;
                QVERIFY(save(dir.path(), true));
                SafeFile::Faults::FailNth(Faults(op), n);
                const Result<void> saved = save(dir.path(), false);
                SafeFile::Faults::Reset();
                const int expected = saved.Reached() ? 3 : 2;
                QString why;
                QCOMPARE(CheckAfterKill(dir.path() + QStringLiteral("/db"), {QStringLiteral("M1")}, &why), 0);
                CMovies loaded;
                loaded.setDBDir(dir.path() + QStringLiteral("/db"));
                loaded.LoadData();
                QVERIFY2(loaded.Item(QStringLiteral("M1"))->strLabel() == Label(expected),
                         qPrintable(QStringLiteral("op %1 call %2: %3").arg(op).arg(n).arg(why)));
            }
        }
        QVERIFY(points > 20);
    }

    // A child creating items whole in batches, flat and a box holding media holding movies, is killed at random
    // moments: no item is ever on disk half made or under another parent, every item reported made is there, and
    // after a load no folder without a record is left.
    void killedCreations()
    {
        TestStore store;
        const QString sources = store.path(QStringLiteral("src"));
        WriteRaw(sources + QStringLiteral("/a.jpg"), kCoverA);
        WriteRaw(sources + QStringLiteral("/b.GIF"), kCoverB);
        const int kills =
            qEnvironmentVariableIntValue("VIDSORA_KILLS") > 0 ? qEnvironmentVariableIntValue("VIDSORA_KILLS") : 30;
        QRandomGenerator rng(4242);
        QStringList keys;
        for (int k = 0; k < kills; ++k) {
            // A slow machine (or a sanitizer build) makes nothing in the first moments: until something was made,
            // each child is given longer.
            QVERIFY(KillRun::KillChild({QStringLiteral("--creator"), store.db(), sources, QString::number(k + 1)},
                                       1000 + rng.bounded(40000 + (keys.isEmpty() ? k * 40000 : 0)), keys));
            QString why;
            const Creation found = CheckCreated(store.db(), keys, &why);
            QVERIFY2(found.half == 0 && found.lost == 0 && found.recordless == 0,
                     qPrintable(QStringLiteral("after kill %1: ").arg(k + 1) + why));
        }
        QVERIFY(!keys.isEmpty()); // the children got far enough to make something
    }

    // A child staging items as an import does before it puts them in place, and taking some away again as a cancel
    // does, is killed at random moments: after the next load no item of it is in the store, and no debris.
    void killedStaging()
    {
        TestStore store;
        const QString sources = store.path(QStringLiteral("src"));
        WriteRaw(sources + QStringLiteral("/a.jpg"), kCoverA);
        WriteRaw(sources + QStringLiteral("/b.GIF"), kCoverB);
        const int kills =
            qEnvironmentVariableIntValue("VIDSORA_KILLS") > 0 ? qEnvironmentVariableIntValue("VIDSORA_KILLS") : 20;
        QRandomGenerator rng(777);
        QStringList keys;
        int staged = 0;
        for (int k = 0; k < kills; ++k) {
            QVERIFY(
                KillRun::KillChild({QStringLiteral("--stager"), store.db(), sources}, 1000 + rng.bounded(40000), keys));
            staged += int(Temps(store.db()).size());
            QString why;
            const Creation found = CheckCreated(store.db(), keys, &why);
            QVERIFY2(found.loaded == 0 && found.half == 0 && found.recordless == 0,
                     qPrintable(QStringLiteral("after kill %1: %2 items loaded; ").arg(k + 1).arg(found.loaded) + why));
        }
        QVERIFY(keys.isEmpty());
        QVERIFY(staged > 0); // the children got far enough to leave staged folders behind
    }

    // The identity check, on a file system that tells case apart: a variant that is a link to the file just written
    // is that file (as on a file system that ignores case) and stays; a variant that is another file goes.
    void caseVariantsByIdentity()
    {
        TestStore store;
        CMovies movies;
        movies.setDBDir(store.db());
        const QString key = movies.Add(QStringLiteral("Heat"));
        const auto movie = movies.Item(key);
        const QString folder = movie->Path();
        // Notes as another system wrote them: in lower case only; they load and survive the first save.
        QFile::remove(folder + QStringLiteral("/Notes.txt"));
        QFile::remove(folder + QStringLiteral("/Synopsis.txt"));
        WriteRaw(folder + QStringLiteral("/notes.txt"), "Old notes\r\n");
        WriteRaw(folder + QStringLiteral("/SYNOPSIS.TXT"), "Old synopsis\r\n");
        {
            CMovies reloaded;
            reloaded.setDBDir(store.db());
            reloaded.LoadData();
            const auto m = reloaded.Item(key);
            QCOMPARE(m->strNotes(), QStringLiteral("Old notes"));
            QCOMPARE(m->strSynopsis(), QStringLiteral("Old synopsis"));
            QVERIFY(reloaded.Update(key));
            QCOMPARE(TestStore::Entries(folder), QStringList({"Notes.txt", "Synopsis.txt", ItemStore::kRecord}));
            QCOMPARE(ReadRaw(folder + QStringLiteral("/Notes.txt")), QByteArray("Old notes\r\n"));
        }
        // The same file under two names stays.
        QVERIFY(QFile::link(QStringLiteral("Notes.txt"), folder + QStringLiteral("/notes.txt")));
        movie->setStrNotes(QStringLiteral("New notes"));
        QVERIFY(movies.Update(key));
        QCOMPARE(ReadRaw(folder + QStringLiteral("/notes.txt")), QByteArray("New notes\r\n"));

        // A cover whose new extension differs only in case.
        WriteRaw(store.path(QStringLiteral("src/a.jpg")), kCoverA);
        WriteRaw(store.path(QStringLiteral("src/b.JPG")), kCoverB);
        movie->AddFrontCover(store.path(QStringLiteral("src/a.jpg")));
        QVERIFY(QFile::link(QStringLiteral("FrontCover.jpg"), folder + QStringLiteral("/FrontCover.JPG")));
        QFile::remove(folder + QStringLiteral("/FrontCover.JPG"));
        movie->AddFrontCover(store.path(QStringLiteral("src/b.JPG")));
        QCOMPARE(movie->strFrontCover(), QStringLiteral("FrontCover.JPG"));
        QCOMPARE(ReadRaw(folder + QStringLiteral("/FrontCover.JPG")), kCoverB);
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/FrontCover.jpg")));
    }

    // The same on real file systems that ignore case, where the machine lets a test make them: FAT in the kernel, and
    // exFAT through FUSE, which gives each spelling of one file its own inode number.
    void caseInsensitiveFileSystem_data()
    {
        QTest::addColumn<QString>("mkfs");
        QTest::addColumn<QString>("mount");
        QTest::newRow("vfat") << "mkfs.vfat"
                              << "mount";
        QTest::newRow("exfat through FUSE") << "mkfs.exfat"
                                            << "mount.exfat-fuse";
    }
    void caseInsensitiveFileSystem()
    {
        QFETCH(QString, mkfs);
        QFETCH(QString, mount);
        const QStringList tools{QStandardPaths::findExecutable(mkfs), QStandardPaths::findExecutable(mount),
                                QStandardPaths::findExecutable(QStringLiteral("losetup"))};
        if (tools.contains(QString()) || (mount.contains(u"fuse") && !QFileInfo::exists(QStringLiteral("/dev/fuse")))) {
            QSKIP(
                qPrintable(mkfs + QStringLiteral(", ") + mount + QStringLiteral(", losetup or /dev/fuse is missing")));
        }
        if (::geteuid() != 0) {
            QSKIP("mounting a loop image needs root");
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString image = dir.filePath(QStringLiteral("disk.img"));
        const QString mnt = dir.filePath(QStringLiteral("mnt"));
        QDir().mkpath(mnt);
        {
            QFile img(image);
            QVERIFY(img.open(QIODevice::WriteOnly));
            QVERIFY(img.resize(16 * 1024 * 1024));
        }
        QProcess attach;
        attach.start(tools[2], {QStringLiteral("-f"), QStringLiteral("--show"), image});
        if (QProcess::execute(tools[0], {image}) != 0 || !attach.waitForFinished(10000) || attach.exitCode() != 0) {
            QSKIP("the image cannot be made or attached here");
        }
        const QString loop = QString::fromLocal8Bit(attach.readAllStandardOutput()).trimmed();
        const auto detach = qScopeGuard([&] { QProcess::execute(tools[2], {QStringLiteral("-d"), loop}); });
        if (QProcess::execute(tools[1], {loop, mnt}) != 0) {
            QSKIP("the image cannot be mounted here");
        }
        const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {mnt}); });
        const QString db = mnt + QStringLiteral("/db");
        TestSupport::MakeKindFolders(db);
        WriteRaw(dir.filePath(QStringLiteral("a.jpg")), kCoverA);
        WriteRaw(dir.filePath(QStringLiteral("b.JPG")), kCoverB);
        CMovies movies;
        movies.setDBDir(db);
        // Made whole, also where the file system cannot rename without replacing.
        auto made = std::static_pointer_cast<CMovie>(ItemStore::NewItem(ItemKind::Movie));
        made->setStrTitle(QStringLiteral("Heat"));
        const QString key = movies.AddNew(made, {dir.filePath(QStringLiteral("a.jpg")), QString()}).valueOr({});
        QVERIFY(!key.isEmpty());
        // A name taken under another case is taken.
        WriteRaw(db + QStringLiteral("/Movies/heat.2/mine.doc"), "x");
        QVERIFY(!movies.Add(QStringLiteral("Heat")).isEmpty());
        QCOMPARE(TestStore::Entries(db + QStringLiteral("/Movies")), QStringList({"Heat.1", "Heat_2.2", "heat.2"}));
        const auto movie = movies.Item(key);
        const QString folder = movie->Path();
        QFile::remove(folder + QStringLiteral("/Notes.txt"));
        WriteRaw(folder + QStringLiteral("/notes.txt"), "Old notes\r\n");
        movie->setStrNotes(QStringLiteral("New notes"));
        movie->setStrSynopsis(QStringLiteral("Plot"));
        QVERIFY(movies.Update(key));
        QCOMPARE(ReadRaw(folder + QStringLiteral("/Notes.txt")), QByteArray("New notes\r\n"));
        QCOMPARE(ReadRaw(folder + QStringLiteral("/Synopsis.txt")), QByteArray("Plot\r\n"));
        // A cover whose new name differs only in case is the file just written: it stays, through the change and the
        // next save's tidying.
        QVERIFY(movie->AddFrontCover(dir.filePath(QStringLiteral("b.JPG"))));
        QCOMPARE(ReadRaw(folder + u'/' + movie->strFrontCover()), kCoverB);
        QVERIFY(movies.Update(key));
        QCOMPARE(ReadRaw(folder + u'/' + movie->strFrontCover()), kCoverB);
        CMovies reloaded;
        reloaded.setDBDir(db);
        reloaded.LoadData();
        QCOMPARE(reloaded.Count(), 2);
        QCOMPARE(reloaded.Item(key)->strNotes(), QStringLiteral("New notes"));
        QCOMPARE(ReadRaw(folder + u'/' + reloaded.Item(key)->strFrontCover()), kCoverB);
        QVERIFY(reloaded.Item(key)->DeleteFrontCover());
        QCOMPARE(TestStore::Entries(folder), QStringList({"Notes.txt", "Synopsis.txt", ItemStore::kRecord}));
    }

    // What makes a save survive a power cut: each file is synced before it replaces the old one, and the folders
    // that gained entries are synced after.
    void savesAreSynced()
    {
        TestStore store;
        CMovies movies;
        movies.setDBDir(store.db());
        SafeFile::Faults::Reset();
        const QString key = movies.Add(QStringLiteral("Heat"));
        QCOMPARE(SafeFile::Faults::Calls(Faults::Sync), 3);
        QCOMPARE(SafeFile::Faults::Calls(Faults::SyncDir), 2); // the kind folder, then the item folder
        // A save in place: the three files staged and synced, the item folder synced, the store's intent record
        // written and synced into the store folder, the three renames, the item folder synced, the record removed and
        // the store folder synced.
        SafeFile::Faults::Reset();
        QVERIFY(movies.Update(key));
        QCOMPARE(SafeFile::Faults::Calls(Faults::Sync), 4);
        QCOMPARE(SafeFile::Faults::Calls(Faults::SyncDir), 4);
        QCOMPARE(SafeFile::Faults::Calls(Faults::Rename), 7);
        SafeFile::Faults::Reset();
        QVERIFY(AnsiText::WriteFile(store.path(QStringLiteral("page.html")), QStringLiteral("<p>")));
        QCOMPARE(SafeFile::Faults::Calls(Faults::Sync), 1);
        QCOMPARE(SafeFile::Faults::Calls(Faults::SyncDir), 1);
    }

    void interruptedSavesAreTidied()
    {
        TestStore store;
        CMovies movies;
        movies.setDBDir(store.db());
        const QString key = movies.Add(QStringLiteral("Heat"));
        const auto movie = movies.Item(key);
        const QString folder = movie->Path();
        const QString kind = store.db() + QStringLiteral("/Movies");
        // What a kill leaves: temporary files of a save, a half-deleted item folder, two front covers of which the
        // newer is the one being put in place.
        WriteRaw(folder + QStringLiteral("/.content.mdc.1a2b3c.tmp"), "ID = 9");
        WriteRaw(folder + QStringLiteral("/.Notes.txt.ffffffffffffffff.tmp"), "half");
        WriteRaw(kind + QStringLiteral("/.Gone.4.99.tmp/") + ItemStore::kRecord, kHeadBytes() + "ID = 4\r\n");
        WriteRaw(folder + QStringLiteral("/.hidden but mine.txt"), "kept");
        WriteRaw(folder + QStringLiteral("/FrontCover.gif"), kCoverA);
        {
            QFile old(folder + QStringLiteral("/FrontCover.gif"));
            QVERIFY(old.open(QIODevice::ReadWrite));
            QVERIFY(old.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        }
        WriteRaw(folder + QStringLiteral("/FrontCover.jpg"), kCoverB);

        CVidsoraCount(store.db(), 1);
        CMovies reloaded;
        reloaded.setDBDir(store.db());
        reloaded.LoadData();
        QCOMPARE(reloaded.Count(), 1);
        QCOMPARE(Temps(store.db()), QStringList());
        QCOMPARE(reloaded.Item(key)->strFrontCover(), QStringLiteral("FrontCover.jpg"));
        QVERIFY(reloaded.Update(key));
        QCOMPARE(TestStore::Entries(folder), QStringList({".hidden but mine.txt", "FrontCover.jpg", "Notes.txt",
                                                          "Synopsis.txt", ItemStore::kRecord}));
        // A save alone tidies its folder too.
        WriteRaw(folder + QStringLiteral("/.Synopsis.txt.7.tmp"), "half");
        QVERIFY(reloaded.Update(key));
        QCOMPARE(Temps(store.db()), QStringList());
    }

    // A load takes away only what this program names for its temporary work (and an item folder with nothing in
    // it). A folder without a readable record that holds anything (notes, a synopsis, covers, an empty record, a file
    // of the user's) may hold the only copy of it, from an older version's interrupted save or a hand edit: it is no
    // item, stays on disk as it is, is counted and is named once in the log, at every load.
    void foldersWithoutAnItemAreKeptAndCounted()
    {
        TestStore store;
        const QString kind = store.db() + QStringLiteral("/Movies");
        WriteRaw(kind + QStringLiteral("/Whole.1/") + ItemStore::kRecord,
                 kHeadBytes() + "ID = 1\r\nTITLE = Whole\r\n\r\n");
        WriteRaw(kind + QStringLiteral("/.Half.2.9f3a.tmp/") + ItemStore::kRecord, kHeadBytes() + "ID = 2\r\n");
        WriteRaw(kind + QStringLiteral("/Torn.3/") + ItemStore::kRecord, "");
        WriteRaw(kind + QStringLiteral("/Torn.3/notes.TXT"), "");
        WriteRaw(kind + QStringLiteral("/Torn.3/FrontCover.jpg"), kCoverA);
        WriteRaw(kind + QStringLiteral("/Torn.3/.Synopsis.txt.77.tmp"), "half");
        QVERIFY(QDir().mkpath(kind + QStringLiteral("/Empty.4")));
        WriteRaw(kind + QStringLiteral("/Mine.5/Notes.txt"), "n");
        WriteRaw(kind + QStringLiteral("/Mine.5/letter.doc"), "kept");
        WriteRaw(kind + QStringLiteral("/Linked.6/") + ItemStore::kRecord, "");
        QVERIFY(QFile::link(store.path(QStringLiteral("elsewhere.jpg")),
                            kind + QStringLiteral("/Linked.6/FrontCover.jpg")));
        WriteRaw(kind + QStringLiteral("/Notes.7/Notes.txt"), "the only copy");
        WriteRaw(kind + QStringLiteral("/Notes.7/Synopsis.txt"), "and this");
        WriteRaw(kind + QStringLiteral("/Covers.8/BackCover.png"), kCoverB);
        WriteRaw(kind + QStringLiteral("/Temps.9/.content.mdc.5e.tmp"), "half");
        const QStringList kept{"Covers.8", "Linked.6", "Mine.5", "Notes.7", "Torn.3"};
        for (int load = 0; load < 2; ++load) {
            const TraceCollector traces;
            CMovies movies;
            movies.setDBDir(store.db());
            movies.LoadData();
            QCOMPARE(movies.Count(), 1);
            QCOMPARE(movies.LeftOut(), int(kept.size()));
            QCOMPARE(TestStore::Entries(kind), QStringList(kept) << "Whole.1");
            for (const QString& name : kept) {
                QCOMPARE(traces.Matching("vidsora.store", kind + u'/' + name).size(), 1);
            }
        }
        QCOMPARE(TestStore::Entries(kind + QStringLiteral("/Mine.5")), QStringList({"Notes.txt", "letter.doc"}));
        QCOMPARE(ReadRaw(kind + QStringLiteral("/Notes.7/Notes.txt")), QByteArray("the only copy"));
        QCOMPARE(TestStore::Entries(kind + QStringLiteral("/Torn.3")),
                 QStringList({"FrontCover.jpg", ItemStore::kRecord, "notes.TXT"}));
        QCOMPARE(TestStore::Entries(kind + QStringLiteral("/Covers.8")), QStringList({"BackCover.png"}));
    }

    // A delete that cannot reach the item's folder (the collection's disk unplugged) fails, and the item stays, so it
    // does not come back with the disk unannounced.
    void deleteThatFindsTheFolderGoneFails()
    {
        TestStore store;
        CMovies movies;
        movies.setDBDir(store.db());
        const QString first = movies.Add(QStringLiteral("First"));
        const QString second = movies.Add(QStringLiteral("Second"));
        QVERIFY(QDir().rename(store.db(), store.path(QStringLiteral("unplugged"))));
        QVERIFY(!movies.Remove(first));
        QVERIFY(movies.Item(first));
        QVERIFY(QDir().rename(store.path(QStringLiteral("unplugged")), store.db()));
        QVERIFY(QDir(movies.Item(second)->Path()).removeRecursively());
        QVERIFY(!movies.Remove(second));
        QVERIFY(movies.Item(second));
        QVERIFY(movies.Remove(first));
        QCOMPARE(movies.Count(), 1);
    }

    void removeThatCannotDeleteKeepsTheItem_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("nth");
        QTest::addColumn<bool>("kept");
        QTest::newRow("the folder cannot move") << int(Faults::Rename) << 1 << true;
        QTest::newRow("a cover cannot go") << int(Faults::RemoveFile) << 1 << true;
        QTest::newRow("the record cannot go") << int(Faults::RemoveFile) << 3 << true;
        // Once the record is gone the item is: the empty folder left goes at the next load.
        QTest::newRow("the empty folder cannot go") << int(Faults::RemoveFile) << 4 << false;
    }
    void removeThatCannotDeleteKeepsTheItem()
    {
        QFETCH(int, op);
        QFETCH(int, nth);
        QFETCH(bool, kept);
        TestStore store;
        WriteRaw(store.path(QStringLiteral("a.jpg")), kCoverA);
        QString key;
        {
            CBoxes boxes;
            boxes.setDBDir(store.db());
            key = boxes.Add(QStringLiteral("Set"));
            boxes.Item(key)->AddFrontCover(store.path(QStringLiteral("a.jpg")));
            boxes.Item(key)->AddBackCover(store.path(QStringLiteral("a.jpg")));
            SafeFile::Faults::FailNth(Faults(op), nth);
            QCOMPARE(boxes.Remove(key), !kept);
            SafeFile::Faults::Reset();
            QCOMPARE(bool(boxes.Item(key)), kept);
        }
        CBoxes reloaded;
        reloaded.setDBDir(store.db());
        reloaded.LoadData();
        QCOMPARE(bool(reloaded.Item(key)), kept);
        if (!kept) {
            QCOMPARE(TestStore::Entries(store.db() + QStringLiteral("/Boxes")), QStringList());
            return;
        }
        QVERIFY(reloaded.Remove(key));
        QCOMPARE(reloaded.Count(), 0);
        QCOMPARE(TestStore::Entries(store.db() + QStringLiteral("/Boxes")), QStringList());
    }

    // A failure the caller only sees as false leaves a trace in its library's category naming what failed: the
    // store's naming the item, the file writer's naming the file.
    void swallowedFailuresLeaveATrace_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("storeTrace");    // text of the expected vidsora.store trace
        QTest::addColumn<QString>("platformTrace"); // text of the expected vidsora.platform trace, if any
        QTest::newRow("save, disk full") << "update" << int(Faults::WriteBytes)
                                         << "cannot save the item \"M1\" in \"{item}\""
                                         << "cannot write \"{item}/.content.mdc.";
        QTest::newRow("save, rename refused") << "update" << int(Faults::Rename) << "cannot save the item \"M1\""
                                              << "cannot put in place \"{item}/.content.mdc.";
        QTest::newRow("first save, no folder") << "add" << int(Faults::MakeDir)
                                               << "cannot save the new item \"M2\" - \"cannot create the folder "
                                                  "{db}/Movies/Second.2: "
                                               << QString();
        QTest::newRow("remove, folder stuck")
            << "remove" << int(Faults::Rename) << "cannot delete the item \"M1\" - its folder \"{item}\"" << QString();
        QTest::newRow("cover, cannot write") << "cover" << int(Faults::Create) << "cannot add the cover"
                                             << "cannot create a temporary file to write \"{item}/FrontCover.jpg\"";
        QTest::newRow("cover, cannot delete")
            << "uncover" << int(Faults::RemoveFile) << "cannot delete the cover \"{item}/FrontCover.jpg\"" << QString();
        QTest::newRow("cover, folder not synced") << "cover" << int(Faults::SyncDir) << "cannot add the cover"
                                                  << "cannot sync the folder \"{item}\"";
    }
    void swallowedFailuresLeaveATrace()
    {
        QFETCH(QString, action);
        QFETCH(int, op);
        QFETCH(QString, storeTrace);
        QFETCH(QString, platformTrace);
        TestStore store;
        WriteRaw(store.path(QStringLiteral("a.jpg")), kCoverA);
        CMovies movies;
        movies.setDBDir(store.db());
        const QString key = movies.Add(QStringLiteral("First"));
        const auto movie = movies.Item(key);
        movie->AddFrontCover(store.path(QStringLiteral("a.jpg")));
        QCOMPARE(movie->strFrontCover(), QStringLiteral("FrontCover.jpg"));

        const TraceCollector traces;
        SafeFile::Faults::FailNth(Faults(op), 1);
        if (action == u"update") {
            movie->setStrLabel(QStringLiteral("changed"));
            QVERIFY(!movies.Update(key));
        } else if (action == u"add") {
            QVERIFY(movies.Add(QStringLiteral("Second")).isEmpty());
        } else if (action == u"remove") {
            QVERIFY(!movies.Remove(key));
        } else if (action == u"cover") {
            QVERIFY(!movie->AddFrontCover(store.path(QStringLiteral("a.jpg"))));
        } else {
            QVERIFY(!movie->DeleteFrontCover());
        }
        SafeFile::Faults::Reset();
        const auto expand = [&](QString text) {
            return text.replace(QStringLiteral("{item}"), movie->Path()).replace(QStringLiteral("{db}"), store.db());
        };
        QVERIFY2(!traces.Matching("vidsora.store", expand(storeTrace)).isEmpty(),
                 qPrintable(traces.Traces().join(u'\n')));
        if (!platformTrace.isEmpty()) {
            QVERIFY2(!traces.Matching("vidsora.platform", expand(platformTrace)).isEmpty(),
                     qPrintable(traces.Traces().join(u'\n')));
        }
    }

    // Ordinary work leaves no trace, also where an optional file is missing: a movie without notes or synopsis, an
    // item without covers, a store and settings file not made yet.
    void ordinaryWorkLeavesNoTrace()
    {
        TestStore store;
        WriteRaw(store.path(QStringLiteral("a.jpg")), kCoverA);
        WriteRaw(store.path(QStringLiteral("b.GIF")), kCoverB);
        WriteRaw(store.db() + QStringLiteral("/Movies/Bare.7/") + ItemStore::kRecord,
                 "'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\nTITLE = Bare\r\n\r\n");
        const TraceCollector traces;
        {
            StoreLock lock;
            QCOMPARE(lock.Acquire(store.db()), StoreLock::Result::Locked);
            CMovies movies;
            movies.setDBDir(store.db());
            movies.LoadData();
            QCOMPARE(movies.Count(), 1);
            QCOMPARE(movies.Item(QStringLiteral("M7"))->strNotes(), QString());
            const QString key = movies.Add(QStringLiteral("Heat"));
            const auto movie = movies.Item(key);
            QCOMPARE(movie->strBackCover(), QString());
            movie->DeleteBackCover();
            movie->AddFrontCover(store.path(QStringLiteral("a.jpg")));
            movie->AddFrontCover(store.path(QStringLiteral("b.GIF")));
            movie->AddFrontCover(movie->Path() + QStringLiteral("/FrontCover.GIF")); // onto itself
            movie->setStrNotes(QStringLiteral("notes"));
            QVERIFY(movies.Update(key));
            movies.LoadData(); // a reload meets what it holds already
            CMovies reloaded;
            reloaded.setDBDir(store.db());
            reloaded.LoadData();
            QCOMPARE(reloaded.Count(), 2);
            QVERIFY(movies.Remove(key));
        }
        Registry::HKEY key = 0;
        QCOMPARE(Registry::CreateKey(Registry::HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora"),
                                     Registry::KeyAllAccess, &key),
                 Registry::Success);
        QCOMPARE(Registry::ReadString(Registry::HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora"),
                                      QStringLiteral("DBPath")),
                 QString());
        QCOMPARE(Registry::SetString(key, QStringLiteral("DBPath"), store.db()), Registry::Success);
        Registry::CloseKey(key);
        QCOMPARE(traces.Traces(), QStringList());
    }

    void oneStoreOneProgram()
    {
        TestStore store;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), store.db()});
        QVERIFY(child.waitForReadyRead(10000));
        QCOMPARE(child.readAllStandardOutput(), QByteArray("locked\n"));
        StoreLock lock;
        QCOMPARE(lock.Acquire(store.db()), StoreLock::Result::InUse);
        QVERIFY(!lock.IsHeld());
        QCOMPARE(StoreLock::InUseMessage(QStringLiteral("/home/me/Movies")),
                 QStringLiteral("The collection /home/me/Movies is in use by another Vidsora."));
        // A program that dies frees the store.
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(lock.Acquire(store.db()), StoreLock::Result::Locked);
        QVERIFY(QFileInfo::exists(store.db() + QStringLiteral("/Vidsora.lock")));
        // Within one program, too, a second open is refused until the first lets go.
        StoreLock second;
        QCOMPARE(second.Acquire(store.db()), StoreLock::Result::InUse);
        lock.Release();
        QCOMPARE(second.Acquire(store.db()), StoreLock::Result::Locked);
        // The lock file is no item.
        QCOMPARE(ItemStore::CountEntries(store.db() + QStringLiteral("/Movies")), 0);
        StoreLock none;
        QCOMPARE(none.Acquire(store.path(QStringLiteral("missing/folder"))), StoreLock::Result::Failed);
    }

    // A lock file this user cannot write (another user's, on a shared store) still locks: two programs never both
    // open the store, whichever came first and whichever can write the file.
    void lockFileOthersCannotWrite()
    {
        if (::geteuid() != 0) {
            QSKIP("running as another user needs root");
        }
        // The other user must reach the store: through this test's own folders, and every folder above them.
        QVERIFY(QFile::setPermissions(m_base.path(), QFile::permissions(m_base.path()) | QFileDevice::ExeOther));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (QString folder = QFileInfo(dir.path()).path(); folder != u'/'; folder = QFileInfo(folder).path()) {
            struct stat st;
            if (::stat(SafeFile::Encode(folder).constData(), &st) != 0 || (st.st_mode & S_IXOTH) == 0) {
                QSKIP("another user cannot reach the temporary folder");
            }
        }
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                      QFileDevice::ExeOther));
        const QString db = dir.filePath(QStringLiteral("db"));
        TestSupport::MakeKindFolders(db);
        {
            StoreLock made; // the lock file, made by this user and writable by it alone
            QCOMPARE(made.Acquire(db), StoreLock::Result::Locked);
        }
        // Each answer of another user's program; the program holds what it got until the test ends it.
        std::vector<std::unique_ptr<QProcess>> others;
        const auto cleanup = qScopeGuard([&] {
            for (auto& child : others) {
                child->kill();
                child->waitForFinished(10000);
            }
        });
        const auto other = [&] {
            others.push_back(std::make_unique<QProcess>());
            QProcess& child = *others.back();
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock-as"), "65534", db});
            return child.waitForReadyRead(10000) ? child.readAllStandardOutput() : QByteArray("no answer");
        };
        StoreLock lock;
        QCOMPARE(other(), QByteArray("locked\n"));
        QCOMPARE(other(), QByteArray("in use\n"));
        QCOMPARE(lock.Acquire(db), StoreLock::Result::InUse);
        others.front()->kill();
        QVERIFY(others.front()->waitForFinished(10000));
        QCOMPARE(lock.Acquire(db), StoreLock::Result::Locked);
        QCOMPARE(other(), QByteArray("in use\n"));
        // Where no lock can be had, the reason is told.
        StoreLock none;
        QCOMPARE(none.Acquire(dir.filePath(QStringLiteral("missing"))), StoreLock::Result::Failed);
        QVERIFY(none.FailedMessage(QStringLiteral("/x")).contains(qt_error_string(ENOENT)));
    }

    void whereTheCollectionLives()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        qputenv("XDG_DATA_HOME", SafeFile::Encode(dir.filePath(QStringLiteral("data"))));
        const QString def = Registry::DefaultDBPath();
        QCOMPARE(def, dir.filePath(QStringLiteral("data/Halvorix/Vidsora/Database33")));
        QCOMPARE(StoreFolder::Check(def, def), StoreFolder::State::CreateDefault);
        QCOMPARE(StoreFolder::Check(def + u'/', def), StoreFolder::State::CreateDefault);
        // A typo or an unplugged disk is asked about, and nothing is made by the check.
        const QString typo = dir.filePath(QStringLiteral("Moveis"));
        QCOMPARE(StoreFolder::Check(typo, def), StoreFolder::State::Ask);
        QVERIFY(!QFileInfo::exists(typo));
        QCOMPARE(StoreFolder::AskText(QStringLiteral("/media/usb/Movies")),
                 QStringLiteral("The collection folder /media/usb/Movies does not exist. Create a new, empty "
                                "collection there?"));
        QVERIFY(StoreFolder::Create(def));
        QCOMPARE(StoreFolder::Check(def, def), StoreFolder::State::Ready);
        QCOMPARE(TestStore::Entries(def), QStringList({"Boxes", "Categories", "Groups", "Medias", "Movies"}));
        WriteRaw(dir.filePath(QStringLiteral("file")), "x");
        QCOMPARE(StoreFolder::Check(dir.filePath(QStringLiteral("file")), def), StoreFolder::State::Unusable);
        QVERIFY(!StoreFolder::Create(dir.filePath(QStringLiteral("file/db"))));
        qunsetenv("XDG_DATA_HOME");
    }

    void namesThatAreNotUtf8()
    {
        TestStore store;
        const QString folder = SafeFile::Decode(SafeFile::Encode(store.db()) + "/Movies/Caf\xE9 \xFF.3");
        QVERIFY(folder.contains(QChar(u'\xDCE9')));
        QCOMPARE(SafeFile::Encode(folder), SafeFile::Encode(store.db()) + "/Movies/Caf\xE9 \xFF.3");
        QVERIFY(SafeFile::MakeFolder(folder));
        QVERIFY(AnsiText::WriteFile(folder + u'/' + ItemStore::kRecord,
                                    QStringLiteral("ID = 3\r\nTITLE = Caf\u00E9\r\n\r\n")));
        QVERIFY(AnsiText::WriteFile(folder + QStringLiteral("/Notes.txt"), QStringLiteral("n\r\n")));
        CMovies movies;
        movies.setDBDir(store.db());
        movies.LoadData();
        QCOMPARE(movies.Count(), 1);
        const auto movie = movies.Item(QStringLiteral("M3"));
        QVERIFY(movie);
        QCOMPARE(movie->Path(), folder);
        QCOMPARE(movie->strNotes(), QStringLiteral("n"));
        movie->setStrLabel(QStringLiteral("saved back"));
        QVERIFY(movies.Update(QStringLiteral("M3")));
        QCOMPARE(ItemStore::ListEntries(store.db() + QStringLiteral("/Movies"))->size(), 1);
        QVERIFY(ReadRaw(folder + u'/' + ItemStore::kRecord).contains("LABEL = saved back"));
        QVERIFY(movies.Remove(QStringLiteral("M3")));
        QCOMPARE(ItemStore::ListEntries(store.db() + QStringLiteral("/Movies"))->size(), 0);
        // Every UTF-8 name and every byte string survive the round trip.
        for (const QByteArray& bytes :
             {QByteArray("plain"), QByteArray("\xC3\xA9t\xC3\xA9"), QByteArray("\xF0\x9F\x8E\xAC"),
              QByteArray("\xED\xA0\x80"), QByteArray("\xC0\xAF"), QByteArray("\x80\xBF\xFE")}) {
            QCOMPARE(SafeFile::Encode(SafeFile::Decode(bytes)), bytes);
        }
    }

    void pipesNeverBlock()
    {
        TestStore store;
        const QString kind = store.db() + QStringLiteral("/Movies");
        QDir().mkpath(kind + QStringLiteral("/Pipe.1"));
        QCOMPARE(::mkfifo(SafeFile::Encode(kind + QStringLiteral("/Pipe.1/") + ItemStore::kRecord).constData(), 0600),
                 0);
        TestStore::Write(kind + QStringLiteral("/Piped notes.2/") + ItemStore::kRecord, QStringLiteral("ID = 2\r\n"));
        QCOMPARE(::mkfifo(SafeFile::Encode(kind + QStringLiteral("/Piped notes.2/Notes.txt")).constData(), 0600), 0);
        QCOMPARE(::mkfifo(SafeFile::Encode(store.path(QStringLiteral("cover.jpg"))).constData(), 0600), 0);
        QElapsedTimer timer;
        timer.start();
        CMovies movies;
        movies.setDBDir(store.db());
        movies.LoadData();
        QCOMPARE(movies.Count(), 1);
        QCOMPARE(movies.Item(QStringLiteral("M2"))->strNotes(), QString());
        movies.Item(QStringLiteral("M2"))->AddFrontCover(store.path(QStringLiteral("cover.jpg")));
        QCOMPARE(movies.Item(QStringLiteral("M2"))->strFrontCover(), QString());
        QString text;
        QVERIFY(!AnsiText::ReadFile(store.path(QStringLiteral("cover.jpg")), text));
        QByteArray bytes;
        QCOMPARE(SafeFile::Read(kind, bytes), SafeFile::ReadStatus::NotRegular);
        QCOMPARE(SafeFile::Read(kind + QStringLiteral("/none"), bytes), SafeFile::ReadStatus::Missing);
        WriteRaw(store.path(QStringLiteral("big")), QByteArray(5000, 'b'));
        QCOMPARE(SafeFile::Read(store.path(QStringLiteral("big")), bytes, 4999), SafeFile::ReadStatus::TooLarge);
        QCOMPARE(SafeFile::Read(store.path(QStringLiteral("big")), bytes, 5000), SafeFile::ReadStatus::Ok);
        QCOMPARE(bytes.size(), 5000);
        QVERIFY(timer.elapsed() < 5000);
    }

    // Reads started together give each file whole, also when the disk has to supply all of a file or only its end.
    void startedReadsGiveWholeFilesFromTheDisk()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::vector<int> sizes{0, 1, 4095, 4096, 4097, 70000};
        std::vector<QByteArray> written;
        for (size_t i = 0; i < sizes.size(); ++i) {
            QByteArray bytes(sizes[i], Qt::Uninitialized);
            for (char& c : bytes) {
                c = char(QRandomGenerator::global()->generate());
            }
            const QByteArray path = SafeFile::Encode(dir.filePath(QString::number(i)));
            WriteRaw(QString::fromLocal8Bit(path), bytes);
            // Written back, then dropped from the page cache: all of an odd file, all but the first page of an even.
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            QVERIFY(fd >= 0);
            QCOMPARE(::fdatasync(fd), 0);
            ::posix_fadvise(fd, i % 2 ? 0 : 4096, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
            written.push_back(bytes);
        }
        const int dirFd = ::open(SafeFile::Encode(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(dirFd >= 0);
        std::vector<SafeFile::StartedRead> reads;
        for (size_t i = 0; i < sizes.size(); ++i) {
            reads.emplace_back(dirFd, QByteArray::number(qsizetype(i)).constData());
        }
        SafeFile::StartedRead missing(dirFd, "none");
        for (size_t i = 0; i < reads.size(); ++i) {
            QByteArray bytes("left over");
            QCOMPARE(reads[i].Finish(bytes), SafeFile::ReadStatus::Ok);
            QVERIFY2(bytes == written[i], qPrintable(QString::number(sizes[i])));
        }
        QByteArray bytes("left over");
        QCOMPARE(missing.Finish(bytes), SafeFile::ReadStatus::Missing);
        QVERIFY(bytes.isEmpty());
        ::close(dirFd);
    }

    void writerKeepsModeAndLinks()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString real = dir.filePath(QStringLiteral("real.conf"));
        const QString link = dir.filePath(QStringLiteral("link.conf"));
        QVERIFY(SafeFile::Write(real, "one", 0600));
        struct stat st;
        QCOMPARE(::stat(SafeFile::Encode(real).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        QVERIFY(QFile::link(real, link));
        QVERIFY(SafeFile::Write(link, "two"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadRaw(real), QByteArray("two"));
        // A folder under the target's name is never replaced.
        QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("folder"))));
        QVERIFY(!SafeFile::Write(dir.filePath(QStringLiteral("folder")), "x"));
        QCOMPARE(Temps(dir.path()), QStringList());
    }

private:
    static QByteArray kHeadBytes() { return QByteArrayLiteral("'Vidsora 3.3 Databasefile - DO NOT EDIT\r\n"); }
    static void CVidsoraCount(const QString& db, int expected)
    {
        // The count a progress bar is sized by leaves out what an interrupted save or delete left.
        QCOMPARE(ItemStore::CountEntries(db + QStringLiteral("/Movies")), expected);
    }
};

int main(int argc, char** argv)
{
    if (argc >= 5 && qstrcmp(argv[1], "--saver") == 0) {
        QCoreApplication app(argc, argv);
        return RunSaver(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                        quint32(QByteArray(argv[4]).toUInt()));
    }
    if (argc >= 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        return RunLockHolder(QString::fromLocal8Bit(argv[2]));
    }
    if (argc >= 4 && qstrcmp(argv[1], "--hold-lock-as") == 0) {
        const auto id = uid_t(QByteArray(argv[2]).toUInt());
        if (::setgroups(0, nullptr) != 0 || ::setresgid(id, id, id) != 0 || ::setresuid(id, id, id) != 0) {
            std::printf("cannot become user %u\n", unsigned(id));
            return 1;
        }
        return RunLockHolder(QString::fromLocal8Bit(argv[3]));
    }
    if (argc >= 5 && qstrcmp(argv[1], "--creator") == 0) {
        QCoreApplication app(argc, argv);
        return RunCreator(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                          quint32(QByteArray(argv[4]).toUInt()));
    }
    if (argc >= 4 && qstrcmp(argv[1], "--stager") == 0) {
        QCoreApplication app(argc, argv);
        return RunStager(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    TestSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_safety.moc"
