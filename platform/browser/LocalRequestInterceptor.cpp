#include "LocalRequestInterceptor.h"

#include <QWebEngineUrlRequestInfo>

LocalRequestInterceptor::LocalRequestInterceptor(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}

bool LocalRequestInterceptor::IsLocalScheme(const QString& scheme)
{
    return scheme.compare(QLatin1String("file"), Qt::CaseInsensitive) == 0 ||
           scheme.compare(QLatin1String("data"), Qt::CaseInsensitive) == 0 ||
           scheme.compare(QLatin1String("qrc"), Qt::CaseInsensitive) == 0;
}

void LocalRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!IsLocalScheme(info.requestUrl().scheme())) {
        ++m_blocked;
        info.block(true);
    }
}
