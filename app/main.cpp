// Vidsora: the catalogue of a private movie collection.

#include "shell/mMain.h"

#include <QApplication>
#include <QWidget>

#include <unistd.h>

int main(int argc, char* argv[])
{
    // The browser engine will not run sandboxed as root: it stops the program with nothing but a sandbox error. So for
    // root, and only for root, the item pane runs without its sandbox (the pages it shows are the program's own);
    // every other user keeps it. Set before the engine starts, which reads it.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    // The embedded browser shares one OpenGL context across windows; this must precede the application object.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidsora"));

    mMain::SetMainWindowLoader(mMain::DefaultMainWindowLoader(), mMain::DefaultMainWindowPreparer());
    if (!Main()) {
        return mMain::ExitCode();
    }
    const int result = QApplication::exec();
    // A complete type, so the window's own destructor runs and removes this run's temporary folder.
    delete mMain::MainWindow();
    mMain::CloseStore();
    mMain::ReleaseInstance();
    return result;
}
