#pragma once

#include <QWebEngineUrlRequestInterceptor>

#include <atomic>

// Item pages are local files: whatever they ask for beyond local files, inline data and built-in resources is refused,
// so a page (or a cover address or field text inside it) cannot reach the network.
class LocalRequestInterceptor : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    explicit LocalRequestInterceptor(QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    static bool IsLocalScheme(const QString& scheme);
    // Requests refused so far (the engine may call from its own thread).
    int blockedCount() const { return m_blocked.load(); }

private:
    std::atomic<int> m_blocked{0};
};
