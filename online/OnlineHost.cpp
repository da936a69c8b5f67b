#include "OnlineHost.h"

#include "OnlineLog.h"
#include "Registry.h"

namespace {

const QString kProgramKey = QStringLiteral("Software\\Halvorix\\Vidsora");

bool IsHostCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

} // namespace

bool IsPlainHostName(const QString& text)
{
    if (text.isEmpty() || text.size() > 253 || text.startsWith(QLatin1Char('.')) || text.startsWith(QLatin1Char('-')) ||
        text.contains(QLatin1String(".."))) {
        return false;
    }
    for (const QChar c : text) {
        if (!IsHostCharacter(c)) {
            return false;
        }
    }
    return true;
}

QString OnlineWebHost()
{
    const QString fallback = QString::fromLatin1(kDefaultOnlineHost);
    const QString setting = Registry::ReadString(Registry::HKEY_CURRENT_USER, kProgramKey,
                                                 QString::fromLatin1(kOnlineHostSetting), QString());
    if (setting.isEmpty()) {
        return fallback;
    }
    if (!IsPlainHostName(setting)) {
        qCWarning(lcOnline) << "the setting" << kOnlineHostSetting << "is no plain host name; the default is used";
        return fallback;
    }
    return setting;
}
