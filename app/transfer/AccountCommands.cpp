#include "transfer/AccountCommands.h"

#include "core/mLog.h"

#include "Component.h"

namespace AccountCommands {

Outcome Call(const char* method)
{
    std::shared_ptr<QObject> component = Component::CreateObject(kProgId);
    if (!component) {
        qCWarning(lcApp) << "no online account component is registered under" << kProgId;
        return Outcome::NotInstalled;
    }
    bool called = false;
    Component::CallByName(component.get(), method, {}, &called);
    if (!called) {
        qCWarning(lcApp) << "the online account component has no method" << method;
        return Outcome::CallFailed;
    }
    return Outcome::Done;
}

QString NotInstalledMessage()
{
    return QStringLiteral("The online account component is not installed, so this command is not available.");
}

QString CallFailedMessage()
{
    return QStringLiteral("The online account component does not offer this command.");
}

} // namespace AccountCommands
