#include "Codevet.h"

#include "CodevetLog.h"
#include "Component.h"
#include "UPCObject.h"

#include <QFile>
#include <QtGlobal>

#include <dlfcn.h>

namespace {

Component::ClassRegistration Registration()
{
    return {QString::fromLatin1(Codevet::kClassId),        QString::fromLatin1(Codevet::kClassHelp),
            QString::fromLatin1(Codevet::kProgId),         QString::fromLatin1(Codevet::kVersionIndependentProgId),
            QString::fromLatin1(Codevet::kThreadingModel), QString::fromLatin1(Codevet::kTypeLibId)};
}

// The file this library was loaded from.
QString OwnPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&VidsoraRegisterServer), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return QFile::decodeName(info.dli_fname);
}

} // namespace

extern "C" {

Q_DECL_EXPORT QObject* VidsoraGetClassObject(const char* clsid)
{
    if (clsid == nullptr || qstricmp(clsid, Codevet::kClassId) != 0) {
        return nullptr;
    }
    return new UPCObject;
}

Q_DECL_EXPORT int VidsoraCanUnloadNow()
{
    return UPCObject::LiveObjects() == 0 ? 0 : 1;
}

Q_DECL_EXPORT int VidsoraRegisterServer(const char* libraryPath)
{
    const QString path = libraryPath != nullptr && *libraryPath != '\0' ? QFile::decodeName(libraryPath) : OwnPath();
    if (path.isEmpty()) {
        qCWarning(lcCodevet) << "the library's own file could not be found; nothing registered";
        return -1;
    }
    return int(Component::RegisterClassEntries(Registration(), path));
}

Q_DECL_EXPORT int VidsoraUnregisterServer()
{
    return int(Component::UnregisterClassEntries(Registration()));
}

} // extern "C"
