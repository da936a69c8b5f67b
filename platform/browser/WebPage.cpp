#include "WebPage.h"

#include <QDesktopServices>
#include <QVariant>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>

WebPage::WebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), m_opener([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    connect(this, &QWebEnginePage::newWindowRequested, this, &WebPage::OnNewWindowRequested);
    connect(this, &QWebEnginePage::loadStarted, this, [this] { m_sinceGesture.invalidate(); });
    connect(this, &QWebEnginePage::loadFinished, this, &WebPage::CollectCovers);
}

WebPage::~WebPage()
{
    *m_alive = false;
}

void WebPage::setExternalOpener(UrlOpener opener)
{
    m_opener = std::move(opener);
}

void WebPage::noteUserGesture()
{
    m_sinceGesture.start();
}

bool WebPage::RecentGesture() const
{
    // Long enough for a click to become a navigation, short enough that a script's later redirect is not one.
    constexpr qint64 kGestureWindowMs = 1500;
    return m_sinceGesture.isValid() && m_sinceGesture.elapsed() <= kGestureWindowMs;
}

bool WebPage::IsWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool WebPage::IsBlankPage(const QUrl& url)
{
    return url.scheme().compare(QLatin1String("about"), Qt::CaseInsensitive) == 0 &&
           url.path().compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0;
}

QString WebPage::Key(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments).toString(QUrl::FullyEncoded);
}

void WebPage::OpenOutside(const QUrl& url)
{
    if (m_opener) {
        m_opener(url);
    }
    emit externalUrlOpened(url);
}

bool WebPage::Refuse(const QUrl& url)
{
    emit navigationRefused(url);
    return false;
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    const bool local = url.isLocalFile();
    // A click counts for the one navigation that follows it, whatever becomes of that.
    const bool gesture = RecentGesture();
    m_sinceGesture.invalidate();
    switch (type) {
    case NavigationTypeTyped:
        // Only the host loads addresses this way; it shows its own local pages.
        if (local || IsBlankPage(url)) {
            return true;
        }
        return Refuse(url);
    case NavigationTypeLinkClicked:
        if (IsWebAddress(url)) {
            // Only the user's own click in the page goes outside; a script that sets the location gets nothing.
            if (isMainFrame && gesture) {
                OpenOutside(url);
            }
            return Refuse(url);
        }
        if (local && (Key(url) == Key(this->url()) || coverUrls().contains(Key(url)))) {
            return true;
        }
        return Refuse(url);
    case NavigationTypeBackForward:
    case NavigationTypeReload:
        // Back to (or again) what was shown before, all of it local.
        if (local || IsBlankPage(url)) {
            return true;
        }
        return Refuse(url);
    default:
        // Form posts, redirects and script-driven loads.
        return Refuse(url);
    }
}

QWebEnginePage* WebPage::createWindow(WebWindowType)
{
    return nullptr;
}

void WebPage::OnNewWindowRequested(QWebEngineNewWindowRequest& request)
{
    // A link with a target (the website field opens that way) is a click on a web address; a window that the page's
    // script asks for without the user's click is never made.
    const QUrl url = request.requestedUrl();
    if (request.isUserInitiated() && RecentGesture() && IsWebAddress(url)) {
        m_sinceGesture.invalidate();
        OpenOutside(url);
    } else {
        emit navigationRefused(url);
    }
}

void WebPage::CollectCovers(bool ok)
{
    if (!ok) {
        return;
    }
    // Read in a world of its own, so the page's script cannot add to the list.
    const QUrl shown = url();
    const std::weak_ptr<bool> alive = m_alive;
    runJavaScript(QStringLiteral("Array.prototype.map.call(document.images, function (i) { return i.src; })"),
                  QWebEngineScript::ApplicationWorld, [this, shown, alive](const QVariant& result) {
                      const auto flag = alive.lock();
                      if (!flag || !*flag || url() != shown) {
                          return;
                      }
                      m_covers.clear();
                      m_coversOf = shown;
                      for (const QVariant& src : result.toList()) {
                          const QUrl cover(src.toString());
                          if (cover.isLocalFile()) {
                              m_covers.insert(Key(cover));
                          }
                      }
                  });
}
