// Export cost of the transfer mapping. Prints "FIGURE <name> <value> <unit>" lines.

#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mUEF.h"

#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"
#include "UEF.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>

namespace {

constexpr int kMedia = 10;
constexpr int kMoviesPerMedia = 10;
constexpr int kCoverBytes = 48 * 1024; // a typical scanned cover

bool WriteCover(const QString& path, QRandomGenerator& random)
{
    QByteArray bytes(kCoverBytes, Qt::Uninitialized);
    for (char& b : bytes) {
        b = char(random.bounded(256));
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Both covers for an item, through the collection's own copy.
bool Covers(CCoveredItem& item, const QString& scratch, QRandomGenerator& random)
{
    if (!WriteCover(scratch + QStringLiteral("/front.jpg"), random) ||
        !WriteCover(scratch + QStringLiteral("/back.jpg"), random)) {
        return false;
    }
    item.AddFrontCover(scratch + QStringLiteral("/front.jpg"));
    item.AddBackCover(scratch + QStringLiteral("/back.jpg"));
    return !item.strFrontCover().isEmpty() && !item.strBackCover().isEmpty();
}

// A box of media of movies, every one with both covers; the box's key.
QString BuildBox(const QString& store, const QString& scratch)
{
    QRandomGenerator random(7);
    gBoxes = std::make_shared<CBoxes>();
    gMedias = std::make_shared<CMedias>();
    gMovies = std::make_shared<CMovies>();
    gBoxes->setDBDir(store);
    gMedias->setDBDir(store);
    gMovies->setDBDir(store);

    const QString box = gBoxes->Add(QStringLiteral("Complete Series"));
    auto boxItem = gBoxes->Item(box);
    boxItem->setStrUPC(QStringLiteral("036000291452"));
    gBoxes->Update(box);
    if (!Covers(*boxItem, scratch, random)) {
        return {};
    }
    for (int d = 1; d <= kMedia; ++d) {
        const QString key = gMedias->Add(QStringLiteral("Disc %1").arg(d));
        auto media = gMedias->Item(key);
        media->setStrSortKey(QStringLiteral("DISC %1").arg(d, 2, 10, QChar(u'0')));
        media->setLngParentType(3);
        media->setLngParentID(boxItem->lngID());
        media->setDMedia(mTypMediaInfo{"DVD", "DVD-9", "2", "", "Keepcase"});
        gMedias->Update(key);
        if (!Covers(*media, scratch, random)) {
            return {};
        }
        for (int m = 1; m <= kMoviesPerMedia; ++m) {
            const QString movieKey = gMovies->Add(QStringLiteral("Episode %1.%2").arg(d).arg(m));
            auto movie = gMovies->Item(movieKey);
            movie->setStrSortKey(QStringLiteral("EPISODE %1.%2").arg(d, 2, 10, QChar(u'0')).arg(m, 2, 10, QChar(u'0')));
            movie->setLngParentType(4);
            movie->setLngParentID(media->lngID());
            movie->setStrCast(QStringLiteral("Someone\r\nSomeone else"));
            movie->setStrSynopsis(QStringLiteral("What happens in episode %1 of disc %2.").arg(m).arg(d));
            gMovies->Update(movieKey);
            if (!Covers(*movie, scratch, random)) {
                return {};
            }
        }
    }
    BuildChildLists();
    return box;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir store;
    QTemporaryDir scratch;
    if (!store.isValid() || !scratch.isValid()) {
        return 1;
    }
    const QString box = BuildBox(store.path(), scratch.path());
    if (box.isEmpty()) {
        std::fprintf(stderr, "could not build the box\n");
        return 1;
    }

    double best = 1e9;
    int entries = 0;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto document = CreateUEF(box, true);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        entries = document->colUEF()->Count();
    }
    if (entries != 1) {
        std::fprintf(stderr, "the document holds %d entries\n", entries);
        return 1;
    }
    std::printf("FIGURE createuef-box-ms %.2f ms\n", best);

    // A child list of 40,000 sorted keys (three words each, so many equal), one of them edited in place.
    {
        QRandomGenerator rng(5);
        static const char* const kWords[] = {"NIGHT", "RIVER",  "STAR",   "CITY",  "GHOST", "WINTER", "BLUE",
                                             "LAST",  "SILENT", "GOLDEN", "STORM", "DREAM", "EMPIRE", "ROAD",
                                             "IRON",  "SUMMER", "SHADOW", "FIRE",  "LOST",  "KING",   "OCEAN"};
        QStringList keys;
        for (int i = 0; i < 40000; ++i) {
            QStringList words;
            for (int w = 0; w < 3; ++w) {
                words << QLatin1String(kWords[rng.bounded(int(std::size(kWords)))]);
            }
            keys << words.join(u' ');
        }
        std::sort(keys.begin(), keys.end());
        keys[20000] = QStringLiteral("AAA EDITED");
        double sortBest = 1e9;
        for (int run = 0; run < 7; ++run) {
            SortPairList list;
            for (int i = 0; i < keys.size(); ++i) {
                AddPair(list, QStringLiteral("M%1").arg(i + 1), keys[i]);
            }
            const auto start = std::chrono::steady_clock::now();
            SortPairs(list);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            sortBest = std::min(sortBest, took.count());
        }
        std::printf("FIGURE sortpairs-40000-edited-ms %.2f ms\n", sortBest);
    }
    return 0;
}
