#pragma once

#include <QString>

// The online service's web host: where the client looks the service up and where the collection page lives.
//
// It is the string value "OnlineHost" under the program's key. Without a usable value it is a name under the reserved
// top-level domain ".invalid", which no resolver answers, so nothing (a log-in above all) ever reaches a stranger
// who happens to hold a registrable name.
inline constexpr const char* kOnlineHostSetting = "OnlineHost";
inline constexpr const char* kDefaultOnlineHost = "online.vidsora.invalid";

// The host name to use: the setting when it is a plain host name (letters, digits, "-" and "." only, at most 253
// characters), else the default. It goes into request lines and addresses as it stands, so nothing else passes.
QString OnlineWebHost();

// Whether text is a plain host name as above.
bool IsPlainHostName(const QString& text);
