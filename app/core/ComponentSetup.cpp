#include "core/ComponentSetup.h"

#include "core/mLog.h"

#include "Component.h"
#include "Registry.h"

#include <QDir>
#include <QFileInfo>

namespace ComponentSetup {

const QList<ComponentLibrary>& Libraries()
{
    static const QList<ComponentLibrary> libraries{
        {QStringLiteral("Codevet.UPCObject"), QStringLiteral("libcodevet.so")},
    };
    return libraries;
}

QString RegisteredLibrary(const QString& progId)
{
    const auto defaultOf = [](const QString& key) {
        return Registry::ReadString(Registry::HKEY_CLASSES_ROOT, key, QString());
    };
    const QString clsid = defaultOf(progId + QStringLiteral("\\CLSID"));
    if (clsid.isEmpty() || clsid.contains(u'\\')) {
        return {};
    }
    return defaultOf(QStringLiteral("CLSID\\") + clsid + QStringLiteral("\\InprocServer32"));
}

QStringList RegisterMissing(const QString& folder)
{
    QStringList registered;
    for (const ComponentLibrary& library : Libraries()) {
        const QString path = QDir(folder).absoluteFilePath(library.fileName);
        if (!QFileInfo(path).isFile()) {
            continue; // not installed with this program
        }
        const QString current = RegisteredLibrary(library.progId);
        if (!current.isEmpty() && QFileInfo(current).isFile()) {
            continue;
        }
        const int result = Component::RegisterLibrary(path);
        if (result == 0) {
            registered << path;
        } else {
            qCWarning(lcApp) << "the component library" << path << "could not be registered:" << result;
        }
    }
    return registered;
}

} // namespace ComponentSetup
