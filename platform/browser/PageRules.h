#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QString>
#include <QUrl>

// What the browser pane lets a page do, apart from any window: the pane shows the pages its host wrote and nothing
// else. A page's links count only as the page's own markup writes them (read from the file the host named, never
// from the live document, which script can change): a web address the page wrote goes to the desktop from the
// user's click, a cover the page links is shown as a picture, and everything else (another file, data:,
// javascript:, blob:, a script's own address) is refused.
namespace PageRules {

// The addresses a page's markup writes: the targets of its links and the sources of its images, resolved against
// the page's own address.
struct PageLinks
{
    QHash<QString, QUrl> links; // by Key
    QSet<QString> images;       // Keys
    bool Links(const QUrl& url) const { return links.contains(Key(url)); }
    bool Shows(const QUrl& url) const { return images.contains(Key(url)); }

    // One spelling per address, as the engine and the markup may encode it differently; the fragment counts (it
    // could carry what a script read).
    static QString Key(const QUrl& url);
};

// Reads the links of markup (a page's bytes in the stored code page) whose address is base. Only <a href> and
// <img src> attributes count; character references in them are read as the browser reads them.
PageLinks ReadLinks(QByteArrayView markup, const QUrl& base);

enum class Navigation
{
    Typed, // the host's own load
    LinkClicked,
    BackForward,
    Reload,
    Other, // form posts, redirects, script-driven loads
};

enum class Verdict
{
    Load,        // the engine loads it as a document
    Refuse,      // nothing happens
    OpenOutside, // the desktop's opener gets the address; the pane stays
    ShowPicture, // the pane shows the file as a picture; no document is loaded
};

// What the pane's document is and what its host asked for.
struct PaneState
{
    QHash<QString, PageLinks> ownPages; // the pages the host loaded in this pane, by Key, with their links
    QUrl shown;                         // the document now shown
};

bool IsBlankPage(const QUrl& url);
bool IsWebAddress(const QUrl& url);

// The verdict on a navigation request. userGesture: the user clicked or pressed a key in the page just before.
Verdict Decide(const QUrl& url, Navigation type, bool mainFrame, bool userGesture, const PaneState& state);

// Whether the engine may read the local file as an image: a regular file whose first bytes are a picture in a
// format the page shows, of a declared size within the decoding limit. Anything else (a document, an SVG, a header
// declaring more pixels than may be decoded, a pipe) the page shows as a missing picture.
bool MayDecodeImage(const QString& path);

} // namespace PageRules
