#pragma once

#include <QList>
#include <QString>

// The component libraries an installed program carries beside it, and their registration in the user's settings.
// An installer registered them once; a program copied or installed without one registers them on its first start,
// and again when the registered file has gone (an old install removed, a build tree deleted). A registration that
// names another library file that still exists is the user's choice and stays as it is.
namespace ComponentSetup {

struct ComponentLibrary
{
    QString progId;   // what the program creates it by
    QString fileName; // the library's file, beside the program
};

// The libraries the program creates by ProgID: Codevet ("Codevet.UPCObject", libcodevet.so).
const QList<ComponentLibrary>& Libraries();

// The library file the registration of progId names, or "" when it is not registered.
QString RegisteredLibrary(const QString& progId);

// Registers each library of Libraries() that lies in folder and whose registration is missing or names a file that
// no longer exists. Returns the libraries registered; one that fails is left out and leaves a warning.
QStringList RegisterMissing(const QString& folder);

} // namespace ComponentSetup
