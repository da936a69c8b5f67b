// Vidsora: the catalogue of a private movie collection.

#include "shell/mMain.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    // The embedded browser shares one OpenGL context across windows; this must precede the application object.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidsora"));

    mMain::SetMainWindowLoader(mMain::DefaultMainWindowLoader());
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
