// Load, add, look-up and update figures of the collection store on a generated store of 20,000 movies, 2,000 media,
// 500 boxes, 200 groups and 50 categories (every field filled, notes and synopsis of about 500 bytes, a cover on one
// movie in five); adds and updates include the syncs that make them survive a power cut. Then two kill runs: a child
// saving in a loop is killed 500 times at random moments, and what each kill lost is counted; a child creating items
// whole in batches (flat, and a box holding media holding movies) is killed 150 times, and the items found half made
// or the folders without a record after a load are counted. Prints one "FIGURE <name> <value> <unit>" line per
// figure.
#include "AnsiText.h"
#include "CBox.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CCategory.h"
#include "CGroup.h"
#include "CGroups.h"
#include "CMedia.h"
#include "CMedias.h"
#include "CMovie.h"
#include "CMovies.h"
#include "ItemStore.h"
#include "KillRun.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "StoreGenerator.h"
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Figure(const char* name, double value, const char* unit)
{
    std::printf("FIGURE %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

double RssMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> parts = statm.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// A stand-in progress bar, as the splash window hands in.
class Bar : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue)

public:
    int Value() const { return m_value; }
    void setValue(int v) { m_value = v; }

private:
    int m_value = 0;
};

const ItemKind kKinds[] = {ItemKind::Category, ItemKind::Group, ItemKind::Box, ItemKind::Media, ItemKind::Movie};

// The leanest whole-file read: open, read to the end, close.
qint64 PlainRead(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    char buffer[16 * 1024];
    qint64 total = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        total += n;
    }
    ::close(fd);
    return total;
}

// Lists a folder, as a load does for each item folder (to find what an interrupted save left).
int PlainList(const QString& path)
{
    DIR* dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir) {
        return 0;
    }
    int n = 0;
    while (::readdir(dir)) {
        ++n;
    }
    ::closedir(dir);
    return n;
}

// What a load cannot avoid: listing each kind folder and each item folder, and reading every file it reads.
double FloorMs(const QString& db)
{
    const auto start = Clock::now();
    qint64 bytes = 0;
    for (ItemKind kind : kKinds) {
        const QString folder = db + u'/' + ItemStore::KindFolder(kind);
        const auto names = ItemStore::ListEntries(folder);
        for (const QString& name : *names) {
            const QString dir = folder + u'/' + name;
            bytes += PlainList(dir);
            QStringList files{QStringLiteral("/content.mdc")};
            if (kind == ItemKind::Movie) {
                files << QStringLiteral("/Notes.txt") << QStringLiteral("/Synopsis.txt");
            }
            for (const QString& file : files) {
                bytes += PlainRead(dir + file);
            }
        }
    }
    const double ms = MsSince(start);
    if (bytes == 0) {
        std::fprintf(stderr, "nothing read\n");
    }
    return ms;
}

struct Loaded
{
    CCategories categories;
    CGroups groups;
    CBoxes boxes;
    CMedias medias;
    CMovies movies;

    void Load(const QString& db)
    {
        Bar bar;
        auto one = [&](CItemList& list) {
            list.setDBDir(db);
            list.setPGB(&bar);
            list.LoadData();
            list.setPGB(nullptr);
        };
        one(categories);
        one(groups);
        one(boxes);
        one(medias);
        one(movies);
    }
};

// The load as it was: every arrival walks the list from the start to the first greater sort key.
double LiteralLoadMs(const QString& db)
{
    const auto start = Clock::now();
    Bar bar;
    size_t total = 0;
    for (ItemKind kind : kKinds) {
        std::vector<std::shared_ptr<CItem>> list;
        QHash<QString, std::shared_ptr<CItem>> byKey;
        const QString folder = db + u'/' + ItemStore::KindFolder(kind);
        const auto names = ItemStore::ListEntries(folder);
        for (const QString& name : *names) {
            if (auto item = ItemStore::ReadItem(kind, folder + u'/' + name)) {
                if (!byKey.contains(item->strKey())) {
                    auto at = list.begin();
                    while (at != list.end() && !(item->strSortKey() < (*at)->strSortKey())) {
                        ++at;
                    }
                    byKey.insert(item->strKey(), item);
                    list.insert(at, item);
                }
            }
            bar.setProperty("Value", bar.property("Value").toInt() + 1);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        total += list.size();
    }
    const double ms = MsSince(start);
    if (total == 0) {
        std::fprintf(stderr, "nothing loaded\n");
    }
    return ms;
}

// ---- the kill run ----

// Kills a saving child at random moments; the kills made and what was lost.
std::pair<int, int> KillRunFigures(int kills)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Database"));
    const QString sources = dir.filePath(QStringLiteral("src"));
    QDir().mkpath(sources);
    (void)SafeFile::Write(sources + QStringLiteral("/a.jpg"), KillRun::kCoverA);
    (void)SafeFile::Write(sources + QStringLiteral("/b.GIF"), KillRun::kCoverB);
    QStringList keys;
    {
        CMovies movies;
        movies.setDBDir(db);
        for (int i = 0; i < 20; ++i) {
            keys << movies.Add(QStringLiteral("Movie %1").arg(i));
        }
    }
    QRandomGenerator rng(99);
    int made = 0;
    int lost = 0;
    for (int k = 0; k < kills; ++k) {
        if (!KillRun::KillChild({QStringLiteral("--saver"), db, sources, QString::number(k + 1)},
                                1000 + rng.bounded(40000), keys)) {
            std::fprintf(stderr, "the saver did not start\n");
            break;
        }
        ++made;
        QString why;
        lost += KillRun::CheckAfterKill(db, keys, &why);
    }
    std::fprintf(stderr, "kill run: %lld movies at the end\n", static_cast<long long>(keys.size()));
    return {made, lost};
}

// Kills a child creating items in batches at random moments; the kills made and what they left.
std::pair<int, KillRun::Creation> CreationKillFigures(int kills)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Database"));
    const QString sources = dir.filePath(QStringLiteral("src"));
    for (const char* kind : {"Boxes", "Medias", "Movies"}) {
        QDir().mkpath(db + u'/' + QLatin1String(kind));
    }
    QDir().mkpath(sources);
    (void)SafeFile::Write(sources + QStringLiteral("/a.jpg"), KillRun::kCoverA);
    (void)SafeFile::Write(sources + QStringLiteral("/b.GIF"), KillRun::kCoverB);
    QRandomGenerator rng(17);
    QStringList keys;
    KillRun::Creation total;
    int made = 0;
    for (int k = 0; k < kills; ++k) {
        if (!KillRun::KillChild({QStringLiteral("--creator"), db, sources, QString::number(k + 1)},
                                1000 + rng.bounded(60000), keys)) {
            std::fprintf(stderr, "the creator did not start\n");
            break;
        }
        ++made;
        QString why;
        const KillRun::Creation found = KillRun::CheckCreated(db, keys, &why);
        if (found.half + found.recordless + found.lost > 0) {
            std::fprintf(stderr, "after kill %d: %s\n", k + 1, qPrintable(why));
        }
        total.half += found.half;
        total.recordless += found.recordless;
        total.lost += found.lost;
    }
    std::fprintf(stderr, "creation kill run: %lld items reported made\n", static_cast<long long>(keys.size()));
    return {made, total};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "--saver") == 0) {
        QCoreApplication app(argc, argv);
        return KillRun::RunSaver(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                 quint32(QByteArray(argv[4]).toUInt()));
    }
    if (argc >= 5 && std::strcmp(argv[1], "--creator") == 0) {
        QCoreApplication app(argc, argv);
        return KillRun::RunCreator(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                   quint32(QByteArray(argv[4]).toUInt()));
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Database"));
    {
        const auto start = Clock::now();
        StoreGenerator(db).Run();
        std::fprintf(stderr, "generated in %.0f ms\n", MsSince(start));
    }
    malloc_trim(0);

    // The resident memory a loaded store adds, on the first load in a trimmed heap.
    double rssMb = 0;
    {
        const double before = RssMb();
        auto loaded = std::make_unique<Loaded>();
        loaded->Load(db);
        rssMb = RssMb() - before;
        if (loaded->movies.Count() != 20000) {
            std::fprintf(stderr, "loaded %d movies\n", loaded->movies.Count());
        }
    }

    double floorMs = 1e300;
    double loadMs = 1e300;
    for (int round = 0; round < 3; ++round) {
        floorMs = std::min(floorMs, FloorMs(db));
        const auto start = Clock::now();
        auto loaded = std::make_unique<Loaded>();
        loaded->Load(db);
        loadMs = std::min(loadMs, MsSince(start));
    }
    const double literalMs = LiteralLoadMs(db);

    Loaded loaded;
    loaded.Load(db);
    CMovies& movies = loaded.movies;

    constexpr int kAdds = 200;
    std::vector<QString> added;
    auto start = Clock::now();
    for (int i = 0; i < kAdds; ++i) {
        added.push_back(movies.Add(QStringLiteral("Bench Title ") + QString::number(i)));
    }
    const double addUs = MsSince(start) * 1000.0 / kAdds;

    QRandomGenerator rng(7);
    std::vector<QString> keys;
    for (int i = 0; i < 1000; ++i) {
        keys.push_back(QStringLiteral("M") + QString::number(1 + rng.bounded(20000)));
    }
    constexpr int kLookups = 100000;
    qint64 found = 0;
    start = Clock::now();
    for (int i = 0; i < kLookups; ++i) {
        found += movies.Item(keys[size_t(i) % keys.size()]) ? 1 : 0;
    }
    const double itemUs = MsSince(start) * 1000.0 / kLookups;

    constexpr int kUpdates = 200;
    int written = 0;
    start = Clock::now();
    for (int i = 0; i < kUpdates; ++i) {
        auto movie = movies.Item(keys[size_t(i)]);
        movie->setStrLabel(QStringLiteral("Edited ") + QString::number(i));
        written += movies.Update(movie->strKey()) ? 1 : 0;
    }
    const double updateUs = MsSince(start) * 1000.0 / kUpdates;
    if (found != kLookups || written != kUpdates || std::count(added.begin(), added.end(), QString()) != 0) {
        std::fprintf(stderr, "some operations failed\n");
    }

    Figure("load-floor-ms", floorMs, "ms");
    Figure("load-ms", loadMs, "ms");
    Figure("load-ratio-to-floor", loadMs / floorMs, "ratio");
    Figure("load-literal-ratio", literalMs / loadMs, "ratio");
    Figure("add-us", addUs, "us");
    Figure("item-by-key-us", itemUs, "us");
    Figure("update-us", updateUs, "us");
    Figure("load-rss-mb", rssMb, "MB");

    const auto [kills, lost] = KillRunFigures(500);
    Figure("crash-kills", kills, "count");
    Figure("crash-lost", lost, "count");

    const auto [creationKills, left] = CreationKillFigures(150);
    Figure("kill-import-kills", creationKills, "count");
    Figure("kill-import-half-items", left.half, "count");
    Figure("kill-import-recordless-folders", left.recordless, "count");
    Figure("kill-import-lost", left.lost, "count");
    return 0;
}

#include "bench_store.moc"
