#pragma once

#include "PageRules.h"

#include <QElapsedTimer>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>

class QWebEngineNewWindowRequest;

// The page behind the browser pane. It shows the pages its host loaded and nothing else (PageRules): the host's own
// pages and the blank page load; the user's click on a cover the page links asks the pane to show that file as a
// picture; the user's click on a web address the page itself wrote hands it to the desktop's browser; every other
// navigation and every new window is refused.
class WebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using UrlOpener = std::function<void(const QUrl&)>;

    explicit WebPage(QWebEngineProfile* profile, QObject* parent = nullptr);
    ~WebPage() override;

    // Who opens web addresses outside; by default the desktop's "Open" of the address.
    void setExternalOpener(UrlOpener opener);

    static bool IsWebAddress(const QUrl& url) { return PageRules::IsWebAddress(url); }
    static bool IsBlankPage(const QUrl& url) { return PageRules::IsBlankPage(url); }

    // The host is about to load url: a local page is read once for the links its markup writes, and from now on
    // counts as one of the pane's own pages. False for a local file that cannot be read as a page.
    bool adoptPage(const QUrl& url);
    // The links of the page now shown, as its markup wrote them; none when it is not one of the host's pages.
    PageRules::PageLinks shownLinks() const;

    // The user clicked or pressed a key in the page; a link followed right after counts as the user's.
    void noteUserGesture();

signals:
    void externalUrlOpened(const QUrl& url);
    void navigationRefused(const QUrl& url);
    // The user clicked a link of the page to a local file: the pane shows it as a picture.
    void pictureRequested(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    void OpenOutside(const QUrl& url);
    void OnNewWindowRequested(QWebEngineNewWindowRequest& request);
    bool Act(const QUrl& url, PageRules::Verdict verdict);
    bool RecentGesture() const;

    UrlOpener m_opener;
    QElapsedTimer m_sinceGesture;
    PageRules::PaneState m_state;
};
