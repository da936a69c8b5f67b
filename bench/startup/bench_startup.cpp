// The whole start-up, in process, on the benchmark store: from Main until the main window is shown on screen.
// Prints "FIGURE startup-ms <value> ms" and, of the same run, "FIGURE startup-overhead-ms <value> ms": the start-up
// less the load of the five collections inside it, which is what the window, the browser engine and the tree add.
#include "StoreGenerator.h"

#include "CMovies.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "shell/mMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <cstdio>

int main(int argc, char* argv[])
{
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_startup: no temporary folder\n");
        return 1;
    }
    // Settings, the instance lock and the temporary folder all stay inside the work folder.
    const QString runtime = work.filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", work.filePath(QStringLiteral("data")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("tmp")));
    qputenv("TMPDIR", work.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    const QString db = work.filePath(QStringLiteral("store"));
    StoreGenerator(db).Run();
    mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey);
    WriteRegSetting(QStringLiteral("DBPath"), db);
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
    std::fprintf(stderr, "bench_startup: %d movies loaded\n", gMovies ? gMovies->Count() : -1);
    const double loadMs = double(mMain::LoadNanoseconds()) / 1e6;
    std::fprintf(stderr, "bench_startup: the load took %.1f ms\n", loadMs);
    std::printf("FIGURE startup-ms %.1f ms\n", ms);
    std::printf("FIGURE startup-overhead-ms %.1f ms\n", ms - loadMs);
    std::fflush(stdout);

    delete window;
    mMain::CloseStore();
    mMain::ReleaseInstance();
    return 0;
}
