#include "WebPage.h"

#include "SafeFile.h"

#include <QDesktopServices>
#include <QWebEngineNewWindowRequest>

namespace {

// The largest page the host writes that is read for its links; a page beyond it shows, but none of its links works.
constexpr qint64 kMaxPageBytes = 256LL * 1024 * 1024;

PageRules::Navigation Kind(QWebEnginePage::NavigationType type)
{
    switch (type) {
    case QWebEnginePage::NavigationTypeTyped:
        return PageRules::Navigation::Typed;
    case QWebEnginePage::NavigationTypeLinkClicked:
        return PageRules::Navigation::LinkClicked;
    case QWebEnginePage::NavigationTypeBackForward:
        return PageRules::Navigation::BackForward;
    case QWebEnginePage::NavigationTypeReload:
        return PageRules::Navigation::Reload;
    default:
        return PageRules::Navigation::Other;
    }
}

} // namespace

WebPage::WebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), m_opener([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    connect(this, &QWebEnginePage::newWindowRequested, this, &WebPage::OnNewWindowRequested);
    connect(this, &QWebEnginePage::loadStarted, this, [this] { m_sinceGesture.invalidate(); });
}

WebPage::~WebPage() = default;

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

bool WebPage::adoptPage(const QUrl& url)
{
    if (PageRules::IsBlankPage(url)) {
        return true;
    }
    if (!url.isLocalFile()) {
        return false;
    }
    // The file the host just wrote: what it says is what the page may link to. A page that could not be written
    // (the engine then shows its own page for a missing file) links nowhere.
    QByteArray markup;
    const SafeFile::ReadStatus read = SafeFile::Read(url.toLocalFile(), markup, kMaxPageBytes);
    if (read != SafeFile::ReadStatus::Ok && read != SafeFile::ReadStatus::Missing &&
        read != SafeFile::ReadStatus::TooLarge) {
        return false;
    }
    m_state.ownPages.insert(PageRules::PageLinks::Key(url), PageRules::ReadLinks(markup, url));
    return true;
}

PageRules::PageLinks WebPage::shownLinks() const
{
    return m_state.ownPages.value(PageRules::PageLinks::Key(url()));
}

void WebPage::OpenOutside(const QUrl& url)
{
    // The address as the page wrote it, not as the engine handed it on.
    const PageRules::PageLinks links = shownLinks();
    const QUrl written = links.links.value(PageRules::PageLinks::Key(url), url);
    if (m_opener) {
        m_opener(written);
    }
    emit externalUrlOpened(written);
}

bool WebPage::Act(const QUrl& url, PageRules::Verdict verdict)
{
    switch (verdict) {
    case PageRules::Verdict::Load:
        return true;
    case PageRules::Verdict::OpenOutside:
        OpenOutside(url);
        break;
    case PageRules::Verdict::ShowPicture:
        emit pictureRequested(url);
        return false;
    case PageRules::Verdict::Refuse:
        break;
    }
    emit navigationRefused(url);
    return false;
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    // A click counts for the one navigation that follows it, whatever becomes of that.
    const bool gesture = RecentGesture();
    m_sinceGesture.invalidate();
    m_state.shown = this->url();
    return Act(url, PageRules::Decide(url, Kind(type), isMainFrame, gesture, m_state));
}

QWebEnginePage* WebPage::createWindow(WebWindowType)
{
    return nullptr;
}

void WebPage::OnNewWindowRequested(QWebEngineNewWindowRequest& request)
{
    // A link with a target (the website field opens that way) is a click like any other; a window is never made.
    const QUrl url = request.requestedUrl();
    const bool gesture = request.isUserInitiated() && RecentGesture();
    m_sinceGesture.invalidate();
    m_state.shown = this->url();
    (void)Act(url, PageRules::Decide(url, PageRules::Navigation::LinkClicked, true, gesture, m_state));
}
