#include "core/ComponentSetup.h"

#include "Component.h"

#include <QDir>

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
    return Component::RegisteredLibrary(progId);
}

QStringList RegisterMissing(const QString& folder)
{
    QStringList registered;
    for (const ComponentLibrary& library : Libraries()) {
        const QString path = QDir(folder).absoluteFilePath(library.fileName);
        if (Component::RegisterWhereMissing(library.progId, path)) {
            registered << path;
        }
    }
    return registered;
}

} // namespace ComponentSetup
