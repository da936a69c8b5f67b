// Vidsora: the catalogue of a private movie collection.

#include "shell/mMain.h"

#include "WebBrowser.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidsora"));
    UseWebBrowserPanes();

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
