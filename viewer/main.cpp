#include "ViewerSession.h"
#include "WebBrowser.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidpeek"));

    frmMain window;
    window.show();
    window.InitViewer(ViewerSession::CommandLineText(QApplication::arguments().mid(1)));
    return app.exec();
}
