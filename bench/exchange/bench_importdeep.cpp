// Deeply nested exchange files: one box holding media nested in each other, one movie at the bottom. Prints
// "FIGURE <name> <value> <unit>" lines:
//   import-deep-20000-ms         the window-free import of a box of 20,000 nested media, until it returns (median of 3)
//   import-deep-cancel-ms        Cancel at the import's first progress call, until the call returns (median of 3)
//   import-deep-cancel-idle-ms   a 64 MB file of such media (the import's cap), Cancel 200 ms into its import, until
//   the
//                                import's worker has ended: what the next command waits for (median of 3)
//   parse-deep-<levels>-ms       the parse of such a file's bytes, counting what lies too deep (best of 3)
//   parse-deep-64mb-ms           the same for a file of 64 MB, the import's cap (best of 3)
//   parse-brackets-64mb-ms       a 64 MB file of brackets only, opening ones, then as many closing ones (best of 3)

#include "BenchFigures.h"
#include "core/BackgroundWork.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mUEF.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"
#include "UEFCollection.h"
#include "UEFParser.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using TestSupport::Median;

namespace {

constexpr qsizetype kCap = qsizetype(64) * 1024 * 1024;
const QByteArray kLevel = QByteArrayLiteral("[MEDIA=[NAME=m][CONTENTS=");

double Milliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// A box of `levels` media, each inside the one before it.
QByteArray DeepBox(qsizetype levels)
{
    QByteArray bytes("[BOX=[NAME=D][UPC=036000291452][CONTENTS=");
    bytes.reserve(bytes.size() + levels * (kLevel.size() + 2) + 32);
    for (qsizetype i = 0; i < levels; ++i) {
        bytes += kLevel;
    }
    bytes += "[MOVIE=[TITLE=x]]";
    for (qsizetype i = 0; i < levels; ++i) {
        bytes += "]]";
    }
    return bytes + "]]\r\n";
}

// Best of 3 parses; false when the counts are not what the file holds.
bool ParseFigure(const char* name, const QByteArray& bytes, int items, int tooDeep)
{
    double best = 1e12;
    for (int run = 0; run < 3; ++run) {
        UEFCollection document;
        UEFParser::LeftOut leftOut;
        QElapsedTimer timer;
        timer.start();
        UEFParser::ParseDocument(bytes, document, leftOut);
        best = std::min(best, Milliseconds(timer));
        if (document.Count() != items || leftOut.tooDeep != tooDeep) {
            std::fprintf(stderr, "bench_importdeep: %s gave %d items, %d too deep\n", name, document.Count(),
                         leftOut.tooDeep);
            return false;
        }
    }
    std::printf("FIGURE %s %.2f ms\n", name, best);
    std::fflush(stdout);
    return true;
}

void NewCollections(const QString& db)
{
    for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
        QDir().mkpath(db + u'/' + QLatin1String(kind));
    }
    gCategories = std::make_shared<CCategories>();
    gGroups = std::make_shared<CGroups>();
    gBoxes = std::make_shared<CBoxes>();
    gMedias = std::make_shared<CMedias>();
    gMovies = std::make_shared<CMovies>();
    for (const auto& list : std::initializer_list<CItemList*>{gCategories.get(), gGroups.get(), gBoxes.get(),
                                                              gMedias.get(), gMovies.get()}) {
        list->setDBDir(db);
    }
}

bool Imports()
{
    const int levels = 20000;
    const QByteArray bytes = DeepBox(levels);
    // The box and the media down to the nesting limit are kept; the rest and the movie lie too deep.
    const int tooDeep = levels - UEFCollection::MaxDepth + 1;
    std::vector<double> whole;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const ImportResult result = ImportExchangeBytes(bytes, QStringLiteral("!0"));
        whole.push_back(Milliseconds(timer));
        if (result.added != 1 || result.tooDeep != tooDeep || !result.error.isEmpty()) {
            std::fprintf(stderr, "bench_importdeep: the import added %d, %d too deep (%s)\n", result.added,
                         result.tooDeep, qPrintable(result.error));
            return false;
        }
    }
    std::vector<double> cancel;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer pressed;
        const ImportResult result = ImportExchangeBytes(bytes, QStringLiteral("!0"), [&pressed](int, int) {
            pressed.start();
            return false;
        });
        cancel.push_back(Milliseconds(pressed));
        if (!result.cancelled) {
            std::fprintf(stderr, "bench_importdeep: the import was not cancelled\n");
            return false;
        }
        BackgroundWork::WaitAll();
    }
    const QByteArray cap = DeepBox((kCap - 64) / (kLevel.size() + 2));
    std::vector<double> idle;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer started;
        QElapsedTimer pressed;
        started.start();
        const ImportResult result = ImportExchangeBytes(cap, QStringLiteral("!0"), [&](int, int) {
            if (started.elapsed() < 200) {
                return true;
            }
            pressed.start();
            return false;
        });
        BackgroundWork::WaitAll();
        idle.push_back(Milliseconds(pressed));
        if (!result.cancelled || !pressed.isValid()) {
            std::fprintf(stderr, "bench_importdeep: the 64 MB import was not cancelled\n");
            return false;
        }
    }
    std::printf("FIGURE import-deep-20000-ms %.2f ms\n", Median(whole));
    std::printf("FIGURE import-deep-cancel-ms %.2f ms\n", Median(cancel));
    std::printf("FIGURE import-deep-cancel-idle-ms %.2f ms\n", Median(idle));
    std::fflush(stdout);
    return true;
}

bool Parses()
{
    for (const int levels : {5000, 20000, 40000}) {
        const QByteArray name = "parse-deep-" + QByteArray::number(levels) + "-ms";
        if (!ParseFigure(name.constData(), DeepBox(levels), 1, levels - UEFCollection::MaxDepth + 1)) {
            return false;
        }
    }
    const qsizetype levels = (kCap - 64) / (kLevel.size() + 2);
    if (!ParseFigure("parse-deep-64mb-ms", DeepBox(levels), 1, int(levels) - UEFCollection::MaxDepth + 1)) {
        return false;
    }
    return ParseFigure("parse-brackets-64mb-ms", QByteArray(kCap / 2, '[') + QByteArray(kCap / 2, ']'), 0, 0);
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_importdeep: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("tmp")));
    qputenv("TMPDIR", work.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    if (Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)) != 0) {
        std::fprintf(stderr, "bench_importdeep: Codevet could not be registered\n");
        return 1;
    }
    NewCollections(work.filePath(QStringLiteral("store")));
    gTempFolder = MakeTempName();
    (void)CreateTempFolder();
    const bool ok = Imports() && Parses();
    RemoveTempFolder();
    return ok ? 0 : 1;
}
