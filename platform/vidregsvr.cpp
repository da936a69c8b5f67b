// The registration command: registers one component library (or, with -u, unregisters it) by calling its own
// registration export, as the build does after linking a library.

#include "Component.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool unregister = args.removeAll(QStringLiteral("-u")) > 0;
    const bool silent = args.removeAll(QStringLiteral("-s")) > 0;
    QTextStream err(stderr);
    if (args.size() != 1 || args.first().startsWith(u'-')) {
        err << "usage: vidregsvr [-u] [-s] <library>\n";
        return 2;
    }
    const QString path = QFileInfo(args.first()).absoluteFilePath();
    if (!QFileInfo(path).isFile()) {
        err << "vidregsvr: " << path << ": no such file\n";
        return 1;
    }
    const int result = unregister ? Component::UnregisterLibrary(path) : Component::RegisterLibrary(path);
    if (result != 0) {
        err << "vidregsvr: " << (unregister ? "unregistering " : "registering ") << path << " failed ("
            << (result == -1 ? QStringLiteral("not a component library") : QString::number(result)) << ")\n";
        return 1;
    }
    if (!silent) {
        QTextStream(stdout) << (unregister ? "Unregistered " : "Registered ") << path << '\n';
    }
    return 0;
}
