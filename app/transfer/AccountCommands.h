#pragma once

#include <QString>

// The online account commands: each creates the account component by its ProgID, calls one method of it by name
// without arguments and lets it go. The component is not part of this program; where it is not installed the user is
// told so.
namespace AccountCommands {

inline const QString kProgId = QStringLiteral("Vidlink.CComCenter");

enum class Outcome
{
    Done,
    NotInstalled, // no component registered under the ProgID (or its library would not load)
    CallFailed,   // the component has no such method
};

// "NewUser", "UserLogin" or "Announcements".
Outcome Call(const char* method);

QString NotInstalledMessage();
QString CallFailedMessage();

} // namespace AccountCommands
