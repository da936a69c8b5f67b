// What an import of an exchange file of many tiny movies costs, each size in a process of its own so its peak memory
// is its own. Prints "FIGURE <name> <value> <unit>" lines:
//   import-tiny-100000-ms, -peak-mb, -disk-mb   100,000 tiny movies (4 MB) imported into an empty store: time, peak
//                                               resident memory of the whole process, and the store's disk use
//   import-tiny-1000000-ms, -peak-mb             1,000,000 tiny movies (41 MB): refused before anything is written
//                                               (more items than one import takes), time to the refusal and peak
// Run without arguments for both; with a count for that one only. Measured (Release, 8 cores at load ~30):
//   100,000:   47 s, peak 268 MB (the budget of 10 x the file + 200 MB is 241 MB), 1569 MB on disk (16 KB an item)
//   1,000,000: refused in 0.7 s, peak 60 MB
#include "core/Collections.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "transfer/UEFFile.h"

#include "AnsiText.h"
#include "CMovies.h"
#include "Component.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// n movies of 41 bytes each: a title and a valid product code, nothing else.
QByteArray TinyMovies(int n)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(n) * 41 + 2);
    for (int i = 0; i < n; ++i) {
        bytes += "[MOVIE=[UPC=036000291452][TITLE=M";
        bytes += QByteArray::number(i).rightJustified(6, '0');
        bytes += "]]";
    }
    bytes += "\r\n";
    return bytes;
}

double PeakMegabytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

qint64 g_diskBytes = 0;

int AddBlocks(const char*, const struct stat* st, int, struct FTW*)
{
    g_diskBytes += qint64(st->st_blocks) * 512;
    return 0;
}

int RunOne(int n)
{
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_importsize: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("tmp")));
    qputenv("TMPDIR", work.filePath(QStringLiteral("tmp")).toLocal8Bit());
    if (Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)) != 0) {
        std::fprintf(stderr, "bench_importsize: Codevet could not be registered\n");
        return 1;
    }
    mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey);
    gTempFolder = MakeTempName();
    (void)CreateTempFolder();
    const QString file = work.filePath(QStringLiteral("tiny%1.UEF").arg(n));
    if (!AnsiText::WriteFileBytes(file, TinyMovies(n))) {
        std::fprintf(stderr, "bench_importsize: the exchange file could not be written\n");
        return 1;
    }
    const QString db = work.filePath(QStringLiteral("store"));
    for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
        QDir().mkpath(db + u'/' + QLatin1String(kind));
    }
    Collections::LoadAll(db, nullptr);
    QElapsedTimer timer;
    timer.start();
    const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(file, QStringLiteral("!0"));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const bool accepted = n <= kMaxImportItems;
    if (accepted ? outcome.added != n || gMovies->Count() != n
                 : outcome.added != 0 || gMovies->Count() != 0 || outcome.message.isEmpty()) {
        std::fprintf(stderr, "bench_importsize: %d of %d movies came in: %s\n", outcome.added, n,
                     qPrintable(outcome.message));
        return 1;
    }
    if (!accepted) {
        std::fprintf(stderr, "bench_importsize: refused: %s\n", qPrintable(outcome.message));
    }
    std::printf("FIGURE import-tiny-%d-ms %.1f ms\n", n, ms);
    std::printf("FIGURE import-tiny-%d-peak-mb %.1f MB\n", n, PeakMegabytes());
    if (accepted) {
        nftw(QFile::encodeName(db).constData(), AddBlocks, 64, FTW_PHYS);
        std::printf("FIGURE import-tiny-%d-disk-mb %.1f MB\n", n, double(g_diskBytes) / (1024.0 * 1024.0));
    }
    std::fflush(stdout);
    RemoveTempFolder();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1) {
        return RunOne(QByteArray(argv[1]).toInt());
    }
    for (const int n : {100000, 1000000}) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(), {QString::number(n)});
        if (!one.waitForFinished(-1) || one.exitStatus() != QProcess::NormalExit || one.exitCode() != 0) {
            return 1;
        }
    }
    return 0;
}
