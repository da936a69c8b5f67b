#include "Component.h"
#include "ViewerSession.h"
#include "WebBrowser.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    PrepareBrowserEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidpeek"));
    // An exchange file's items are read only when their product codes check: the checker beside the viewer is
    // registered, as an installer would have, when no usable registration is there (the user's settings only).
    Component::RegisterWhereMissing(QStringLiteral("Codevet.UPCObject"),
                                    QCoreApplication::applicationDirPath() + QStringLiteral("/libcodevet.so"));

    frmMain window;
    window.show();
    window.InitViewer(ViewerSession::CommandLineText(QApplication::arguments().mid(1)));
    return app.exec();
}
