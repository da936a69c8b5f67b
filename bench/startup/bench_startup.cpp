// The whole start-up on the benchmark store (22,750 items): from Main until the main window is shown on screen, each
// in a fresh process. Prints, of the same run: "startup-ms" (warm: the store's pages cached), "startup-cold-ms" (every
// store file's pages dropped with posix_fadvise before the start), "startup-overhead-ms" (the warm start-up less the
// load of the five collections inside it) and "startup-load-floor-ms" (listing every folder and reading every file
// the load reads, one at a time: what bench_store calls load-floor-ms).
#include "BenchFigures.h"
#include "ItemStore.h"
#include "StoreGenerator.h"
#include "WebBrowser.h"

#include "CMovies.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "shell/mMain.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using TestSupport::Median;

namespace {

// One start-up in this process; prints "<start-up ms> <load ms>".
int RunOnce(int argc, char* argv[], const QString& work)
{
    const QString runtime = work + QStringLiteral("/run");
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (work + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (work + QStringLiteral("/data")).toLocal8Bit());
    qputenv("TMPDIR", (work + QStringLiteral("/tmp")).toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    mMain::SetMainWindowLoader(mMain::DefaultMainWindowLoader(), mMain::DefaultMainWindowPreparer());

    QElapsedTimer timer;
    timer.start();
    if (!Main()) {
        std::fprintf(stderr, "bench_startup: the store could not be opened\n");
        return 1;
    }
    QWidget* window = mMain::MainWindow();
    while (window && !(window->windowHandle() && window->windowHandle()->isExposed())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!gMovies || gMovies->Count() != 20000) {
        std::fprintf(stderr, "bench_startup: %d movies loaded\n", gMovies ? gMovies->Count() : -1);
        return 1;
    }
    std::printf("%.1f %.1f\n", ms, double(mMain::LoadNanoseconds()) / 1e6);
    std::fflush(stdout);
    delete window;
    mMain::CloseStore();
    mMain::ReleaseInstance();
    return 0;
}

// Drops the cached pages of every file of the store (written back first, so none is dirty).
void DropPages(const QString& db)
{
    ::sync();
    QDirIterator it(db, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const int fd = ::open(QFile::encodeName(it.next()).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

// What a load cannot avoid, one file at a time: every kind and item folder listed, every file it reads read.
double FloorMs(const QString& db)
{
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    char buffer[16 * 1024];
    for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
        const QString folder = db + u'/' + QLatin1String(kind);
        const QStringList names = ItemStore::ListEntries(folder).value_or(QStringList());
        for (const QString& name : names) {
            const QByteArray dir = QFile::encodeName(folder + u'/' + name);
            if (DIR* d = ::opendir(dir.constData())) {
                while (::readdir(d)) {
                }
                ::closedir(d);
            }
            QList<QByteArray> files{"/content.mdc"};
            if (std::strcmp(kind, "Movies") == 0) {
                files << "/Notes.txt"
                      << "/Synopsis.txt";
            }
            for (const QByteArray& file : files) {
                const int fd = ::open((dir + file).constData(), O_RDONLY | O_CLOEXEC);
                if (fd >= 0) {
                    ssize_t n;
                    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
                        bytes += n;
                    }
                    ::close(fd);
                }
            }
        }
    }
    return bytes > 0 ? clock.nsecsElapsed() / 1e6 : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && std::strcmp(argv[1], "--run") == 0) {
        return RunOnce(argc, argv, QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_startup: no temporary folder\n");
        return 1;
    }
    // Settings, the instance lock and the temporary folder all stay inside the work folder.
    for (const char* folder : {"run", "config", "data", "tmp"}) {
        QDir().mkpath(work.filePath(QLatin1String(folder)));
    }
    QFile::setPermissions(work.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString db = work.filePath(QStringLiteral("store"));
    StoreGenerator(db).Run();
    mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey);
    WriteRegSetting(QStringLiteral("DBPath"), db);

    const auto start = [&](double* loadMs) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), work.path()});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            return -1.0;
        }
        const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
        if (parts.size() != 2) {
            return -1.0;
        }
        if (loadMs) {
            *loadMs = parts[1].toDouble();
        }
        return parts[0].toDouble();
    };

    // One start-up warms the caches (browser engine included); then warm and cold start-ups take turns.
    if (start(nullptr) < 0) {
        std::fprintf(stderr, "bench_startup: the program did not start\n");
        return 1;
    }
    std::vector<double> warm, cold, overhead, floor;
    for (int round = 0; round < 3; ++round) {
        floor.push_back(FloorMs(db));
        double loadMs = 0;
        const double warmMs = start(&loadMs);
        DropPages(db);
        const double coldMs = start(nullptr);
        if (warmMs < 0 || coldMs < 0) {
            std::fprintf(stderr, "bench_startup: a start-up failed\n");
            return 1;
        }
        std::fprintf(stderr, "bench_startup: warm %.0f ms (load %.0f ms), cold %.0f ms\n", warmMs, loadMs, coldMs);
        warm.push_back(warmMs);
        cold.push_back(coldMs);
        overhead.push_back(warmMs - loadMs);
    }
    std::printf("FIGURE startup-ms %.1f ms\n", Median(warm));
    std::printf("FIGURE startup-cold-ms %.1f ms\n", Median(cold));
    std::printf("FIGURE startup-overhead-ms %.1f ms\n", Median(overhead));
    std::printf("FIGURE startup-load-floor-ms %.1f ms\n", Median(floor));
    return 0;
}
