#pragma once

#include <QWebEngineUrlRequestInterceptor>

#include <atomic>

// What a shown page may fetch. Item pages are local files that need nothing but their own document and their cover
// pictures: a local image is read only when it is a picture within the decoding limit (PageRules::MayDecodeImage),
// so a document, an SVG or a picture declaring more pixels than may be decoded shows as missing and never reaches
// the engine's decoder; scripts, frames, style sheets, fonts and every other kind of request are refused, and so is
// anything beyond local files, inline data and built-in resources, so a page (or a cover address or field text
// inside it) cannot reach the network.
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
