// Load, add, look-up and update figures of the collection store on a generated store of 20,000 movies, 2,000 media,
// 500 boxes, 200 groups and 50 categories (every field filled, notes and synopsis of about 500 bytes, a cover on one
// movie in five). Prints one "FIGURE <name> <value> <unit>" line per figure.
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

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <vector>

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

class Generator
{
public:
    explicit Generator(QString db) : m_db(std::move(db)), m_rng(20240601) {}

    void Run()
    {
        for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
            QDir().mkpath(m_db + u'/' + QLatin1String(kind));
        }
        for (int id = 1; id <= 50; ++id) {
            CCategory c;
            Fill(c, id);
            Save(c, {});
        }
        for (int id = 1; id <= 200; ++id) {
            CGroup g;
            Fill(g, id);
            g.setLngParentType(1);
            g.setLngParentID(1 + id % 50);
            Save(g, {});
        }
        for (int id = 1; id <= 500; ++id) {
            CBox b;
            Fill(b, id);
            b.setStrUPC(Digits(12));
            b.setStrExtras(Lines(3));
            b.setLngParentType(2);
            b.setLngParentID(1 + id % 200);
            Save(b, {});
        }
        for (int id = 1; id <= 2000; ++id) {
            CMedia e;
            Fill(e, id);
            e.setStrUPC(Digits(12));
            e.setDMedia({"DVD", "DVD-9", "2", "", "Keepcase"});
            e.setStrExtras(Lines(3));
            e.setLngParentType(3);
            e.setLngParentID(1 + id % 500);
            Save(e, {});
        }
        const QByteArray cover(8 * 1024, 'c');
        for (int id = 1; id <= 20000; ++id) {
            CMovie m;
            m.setLngID(id);
            m.setStrTitle(Words(3));
            m.setStrSortKey(AnsiText::UCase(m.strTitle()));
            m.setStrLabel(Words(2));
            m.setStrUPC(Digits(13));
            m.setDMedia({"DVD", "DVD-5", "2", "", "Snapper"});
            m.setStrPicture(Lines(2));
            m.setStrSoundmix(Lines(3));
            m.setStrSubtitles(Lines(4));
            m.setStrSystem("PAL");
            m.setStrCountry("USA");
            m.setStrYear(QString::number(1950 + id % 70));
            m.setStrLength(QString::number(80 + id % 90));
            m.setStrStudio(Words(2));
            m.setStrWebsite("http://example.invalid/" + QString::number(id));
            m.setStrExtras(Lines(3));
            m.setStrWriter(Lines(2));
            m.setStrDirector(Lines(1));
            m.setStrProducer(Lines(2));
            m.setStrCast(Lines(8));
            m.setLngParentType(4);
            m.setLngParentID(1 + id % 2000);
            m.setStrNotes(Text(500));
            m.setStrSynopsis(Text(500));
            Save(m, id % 5 == 0 ? cover : QByteArray());
        }
    }

private:
    template <class T> void Fill(T& item, int id)
    {
        item.setLngID(id);
        item.setStrName(Words(2));
        item.setStrSortKey(AnsiText::UCase(item.strName()));
    }

    // Written straight to disk in the store's format; only the generation is meant to be quick here.
    void Save(CItem& item, const QByteArray& cover)
    {
        const QString folder = m_db + u'/' + ItemStore::KindFolder(item.Kind()) + u'/' + item.strSortKey() + u'.' +
                               QString::number(item.lngID());
        QDir().mkdir(folder);
        Put(folder + QStringLiteral("/content.mdc"), AnsiText::Encode(ItemStore::RecordText(item)));
        if (item.Kind() == ItemKind::Movie) {
            const auto& m = static_cast<const CMovie&>(item);
            Put(folder + QStringLiteral("/Notes.txt"), AnsiText::Encode(m.strNotes() + QStringLiteral("\r\n")));
            Put(folder + QStringLiteral("/Synopsis.txt"), AnsiText::Encode(m.strSynopsis() + QStringLiteral("\r\n")));
        }
        if (!cover.isEmpty()) {
            Put(folder + QStringLiteral("/FrontCover.jpg"), cover);
        }
    }
    static void Put(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }

    QString Word()
    {
        static const char* const kWords[] = {"night", "river",  "star",   "city",  "ghost", "winter", "blue",
                                             "last",  "silent", "golden", "storm", "dream", "empire", "road",
                                             "iron",  "summer", "shadow", "fire",  "lost",  "king",   "ocean"};
        QString w = QLatin1String(kWords[m_rng.bounded(int(std::size(kWords)))]);
        w[0] = w[0].toUpper();
        return w;
    }
    QString Words(int n)
    {
        QStringList parts;
        for (int i = 0; i < n; ++i) {
            parts << Word();
        }
        return parts.join(u' ');
    }
    QString Lines(int n)
    {
        QStringList parts;
        for (int i = 0; i < n; ++i) {
            parts << Words(2);
        }
        return parts.join(QStringLiteral("\r\n"));
    }
    QString Text(int bytes)
    {
        QString t;
        while (t.size() < bytes) {
            t += Words(8) + (m_rng.bounded(4) == 0 ? QStringLiteral(".\r\n") : QStringLiteral(". "));
        }
        return t.left(bytes);
    }
    QString Digits(int n)
    {
        QString d;
        for (int i = 0; i < n; ++i) {
            d += QChar(u'0' + m_rng.bounded(10));
        }
        return d;
    }

    QString m_db;
    QRandomGenerator m_rng;
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

// What a load cannot avoid: listing each kind folder and reading every file it reads.
double FloorMs(const QString& db)
{
    const auto start = Clock::now();
    qint64 bytes = 0;
    for (ItemKind kind : kKinds) {
        const QString folder = db + u'/' + ItemStore::KindFolder(kind);
        const auto names = ItemStore::ListEntries(folder);
        for (const QString& name : *names) {
            const QString dir = folder + u'/' + name;
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Database"));
    {
        const auto start = Clock::now();
        Generator(db).Run();
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
    return 0;
}

#include "bench_store.moc"
