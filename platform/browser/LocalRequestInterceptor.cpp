#include "LocalRequestInterceptor.h"

#include "PageRules.h"

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
    const QUrl url = info.requestUrl();
    bool allowed = IsLocalScheme(url.scheme());
    if (allowed) {
        switch (info.resourceType()) {
        case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
            // Which documents load is decided before the request (WebPage).
            break;
        case QWebEngineUrlRequestInfo::ResourceTypeImage:
            allowed = !url.isLocalFile() || PageRules::MayDecodeImage(url.toLocalFile());
            break;
        default:
            allowed = false;
            break;
        }
    }
    if (!allowed) {
        ++m_blocked;
        info.block(true);
    }
}
