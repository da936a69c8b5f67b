#include "ViewerSession.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vidpeek"));

    frmMain window;
    window.show();
    window.InitViewer(ViewerSession::CommandLineText(QApplication::arguments().mid(1)));
    return app.exec();
}
