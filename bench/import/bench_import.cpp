// Imports of many movies at once. Prints "FIGURE <name> <value> <unit>" lines:
//   import-movies-2000-ms    an exchange file of 2,000 top-level movies imported into the generated 22,750-item store
//   import-movies-20000-ms   the same with 20,000 movies, into a fresh copy of that store: ten times the work, so
//                            anything that grows faster than n log n shows as a ratio well above ten
#include "StoreGenerator.h"

#include "core/Collections.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "transfer/UEFFile.h"

#include "CMovies.h"
#include "Component.h"
#include "UEF.h"
#include "UEFMovie.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// An exchange file of n movies, each with a valid product code and the fields a filled-in movie has.
bool WriteMovies(const QString& path, int n)
{
    UEF document;
    for (int i = 0; i < n; ++i) {
        auto movie = std::make_shared<UEFMovie>();
        movie->setStrTitle(QStringLiteral("Imported Movie %1").arg(i));
        movie->setStrSortKey(QStringLiteral("IMPORTED %1").arg(i, 6, 10, QChar(u'0')));
        movie->setStrUPC(QStringLiteral("036000291452"));
        movie->setStrYear(QString::number(1950 + i % 70));
        movie->setStrStudio(QStringLiteral("Studio %1").arg(i % 40));
        movie->setStrCast(QStringLiteral("Actor One\r\nActor Two\r\nActor Three"));
        movie->setStrSynopsis(QString(300, u's'));
        movie->setStrNotes(QStringLiteral("Bought second hand."));
        document.colUEF()->Add(movie);
    }
    return bool(UEFFile::WriteExport(path, document.strUEF()));
}

// Milliseconds to import n movies at the top of a freshly generated and loaded store at db; negative on failure.
double ImportInto(const QString& db, const QString& file, int n)
{
    StoreGenerator(db).Run();
    Collections::LoadAll(db, nullptr);
    const int before = gMovies->Count();
    QElapsedTimer timer;
    timer.start();
    const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(file, QStringLiteral("!0"));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (outcome.added != n || gMovies->Count() != before + n) {
        std::fprintf(stderr, "bench_import: %d of %d movies came in: %s\n", outcome.added, n,
                     qPrintable(outcome.message));
        return -1;
    }
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_import: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("tmp")));
    qputenv("TMPDIR", work.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    if (Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)) != 0) {
        std::fprintf(stderr, "bench_import: Codevet could not be registered\n");
        return 1;
    }
    mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey);
    gTempFolder = MakeTempName();
    (void)CreateTempFolder();
    for (const int n : {2000, 20000}) {
        const QString file = work.filePath(QStringLiteral("movies%1.UEF").arg(n));
        if (!WriteMovies(file, n)) {
            std::fprintf(stderr, "bench_import: the exchange file could not be written\n");
            return 1;
        }
        const double ms = ImportInto(work.filePath(QStringLiteral("store%1").arg(n)), file, n);
        if (ms < 0) {
            return 1;
        }
        std::printf("FIGURE import-movies-%d-ms %.1f ms\n", n, ms);
        std::fflush(stdout);
    }
    RemoveTempFolder();
    return 0;
}
