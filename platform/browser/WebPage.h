#pragma once

#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>
#include <memory>

class QWebEngineNewWindowRequest;

// The page behind the browser pane. It shows local item pages and nothing else: the host may load local files and the
// blank page; a click may follow to the page's own covers; a click on a web address (http, https) hands it to the
// desktop's browser; every other navigation and every new window is refused.
class WebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using UrlOpener = std::function<void(const QUrl&)>;

    explicit WebPage(QWebEngineProfile* profile, QObject* parent = nullptr);
    ~WebPage() override;

    // Who opens web addresses outside; by default the desktop's "Open" of the address.
    void setExternalOpener(UrlOpener opener);

    static bool IsWebAddress(const QUrl& url);
    static bool IsBlankPage(const QUrl& url);

    // The user clicked or pressed a key in the page; a web address that a link opens right after goes outside.
    void noteUserGesture();

    // The image addresses of the page now shown (known shortly after it has loaded).
    QSet<QString> coverUrls() const { return m_coversOf == url() ? m_covers : QSet<QString>(); }

signals:
    void externalUrlOpened(const QUrl& url);
    void navigationRefused(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    static QString Key(const QUrl& url);
    void OpenOutside(const QUrl& url);
    void OnNewWindowRequested(QWebEngineNewWindowRequest& request);
    void CollectCovers(bool ok);
    bool Refuse(const QUrl& url);

    bool RecentGesture() const;

    UrlOpener m_opener;
    QElapsedTimer m_sinceGesture;
    QSet<QString> m_covers;
    QUrl m_coversOf;
    // Cleared when the page goes, so a script answer that arrives late touches nothing.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
