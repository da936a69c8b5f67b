// What the browser pane lets a page do (PageRules.h).
#include "PageRules.h"

#include "AnsiText.h"
#include "Picture.h"
#include "SafeFile.h"

namespace PageRules {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Where the first case-insensitive occurrence of needle (lower case) starts at or after from; -1 when none.
qsizetype FindNoCase(QByteArrayView text, QByteArrayView needle, qsizetype from)
{
    for (qsizetype i = from; i + needle.size() <= text.size(); ++i) {
        bool same = true;
        for (qsizetype j = 0; j < needle.size() && same; ++j) {
            char c = text[i + j];
            if (c >= 'A' && c <= 'Z') {
                c = char(c - 'A' + 'a');
            }
            same = c == needle[j];
        }
        if (same) {
            return i;
        }
    }
    return -1;
}

// The character references the page builder writes, and numeric ones; anything else stays as it reads.
QString DecodeReferences(const QString& text)
{
    if (!text.contains(u'&')) {
        return text;
    }
    static const struct
    {
        const char* name;
        char16_t c;
    } kNamed[] = {{"amp;", u'&'}, {"lt;", u'<'}, {"gt;", u'>'}, {"quot;", u'"'}, {"apos;", u'\''}};
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
            continue;
        }
        bool done = false;
        for (const auto& named : kNamed) {
            const QLatin1String name(named.name);
            if (QStringView(text).mid(i + 1).startsWith(name, Qt::CaseSensitive)) {
                out += QChar(named.c);
                i += name.size();
                done = true;
                break;
            }
        }
        if (!done && i + 2 < text.size() && text[i + 1] == u'#') {
            const bool hex = text[i + 2] == u'x' || text[i + 2] == u'X';
            const qsizetype start = i + (hex ? 3 : 2);
            const qsizetype end = text.indexOf(u';', start);
            bool ok = false;
            const uint code =
                end > start && end - start <= 8 ? text.mid(start, end - start).toUInt(&ok, hex ? 16 : 10) : 0;
            if (ok && code > 0 && code <= 0x10FFFF) {
                out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                i = end;
                done = true;
            }
        }
        if (!done) {
            out += text[i];
        }
    }
    return out;
}

// The address an attribute value gives, as the browser reads it: outer blanks and inner line breaks and tabs go.
QUrl Resolve(const QUrl& base, QByteArrayView value)
{
    QString text = DecodeReferences(AnsiText::Decode(value)).trimmed();
    text.remove(u'\t').remove(u'\n').remove(u'\r');
    return base.resolved(QUrl(text, QUrl::TolerantMode));
}

// The value of one attribute of a tag; pos is just after the tag's name and ends just after its '>'.
struct Attribute
{
    QByteArrayView name;
    QByteArrayView value;
};

bool NextAttribute(QByteArrayView text, qsizetype& pos, Attribute& out)
{
    while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == '/')) {
        ++pos;
    }
    if (pos >= text.size() || text[pos] == '>') {
        ++pos;
        return false;
    }
    const qsizetype nameStart = pos;
    while (pos < text.size() && !IsSpace(text[pos]) && text[pos] != '=' && text[pos] != '>' &&
           (text[pos] != '/' || pos == nameStart)) {
        ++pos;
    }
    out.name = text.sliced(nameStart, pos - nameStart);
    out.value = {};
    qsizetype look = pos;
    while (look < text.size() && IsSpace(text[look])) {
        ++look;
    }
    if (look >= text.size() || text[look] != '=') {
        return true;
    }
    pos = look + 1;
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
        const char quote = text[pos];
        const qsizetype start = pos + 1;
        qsizetype end = start;
        while (end < text.size() && text[end] != quote) {
            ++end;
        }
        out.value = text.sliced(start, end - start);
        pos = qMin(end + 1, text.size());
        return true;
    }
    const qsizetype start = pos;
    while (pos < text.size() && !IsSpace(text[pos]) && text[pos] != '>') {
        ++pos;
    }
    out.value = text.sliced(start, pos - start);
    return true;
}

bool SameName(QByteArrayView name, const char* lower)
{
    const qsizetype n = qsizetype(qstrlen(lower));
    return name.size() == n && FindNoCase(name, QByteArrayView(lower, n), 0) == 0;
}

} // namespace

QString PageLinks::Key(const QUrl& url)
{
    QUrl u = url.adjusted(QUrl::NormalizePathSegments);
    if (IsWebAddress(u) && u.path().isEmpty()) {
        u.setPath(QStringLiteral("/"));
    }
    // Each part decoded: "%7E" and "~", or "%20" and a blank, are one address either way.
    QString key = u.scheme() + QLatin1Char(':');
    if (!u.authority().isEmpty() || u.isLocalFile()) {
        key += QLatin1String("//") + u.userName(QUrl::FullyDecoded) + QLatin1Char(':') +
               u.password(QUrl::FullyDecoded) + QLatin1Char('@') + u.host(QUrl::FullyDecoded) + QLatin1Char(':') +
               QString::number(u.port());
    }
    key += u.path(QUrl::FullyDecoded);
    if (u.hasQuery()) {
        key += QLatin1Char('?') + u.query(QUrl::FullyDecoded);
    }
    if (u.hasFragment()) {
        key += QLatin1Char('#') + u.fragment(QUrl::FullyDecoded);
    }
    return key;
}

PageLinks ReadLinks(QByteArrayView markup, const QUrl& base)
{
    PageLinks out;
    qsizetype pos = 0;
    while ((pos = markup.indexOf('<', pos)) >= 0) {
        ++pos;
        if (markup.sliced(pos).startsWith("!--")) {
            const qsizetype end = markup.indexOf("-->", pos + 3);
            pos = end < 0 ? markup.size() : end + 3;
            continue;
        }
        const qsizetype nameStart = pos;
        while (pos < markup.size() && IsLetter(markup[pos])) {
            ++pos;
        }
        const QByteArrayView tag = markup.sliced(nameStart, pos - nameStart);
        if (tag.isEmpty()) {
            continue;
        }
        // What a script or style block holds is not markup.
        if (SameName(tag, "script") || SameName(tag, "style")) {
            const qsizetype end = FindNoCase(markup, SameName(tag, "script") ? "</script" : "</style", pos);
            pos = end < 0 ? markup.size() : end + 2;
            continue;
        }
        const bool link = SameName(tag, "a");
        const bool image = SameName(tag, "img");
        const char* wanted = link ? "href" : "src";
        bool found = false;
        Attribute attribute;
        while (NextAttribute(markup, pos, attribute)) {
            // The first of an attribute's repeats is the one the browser keeps.
            if ((link || image) && !found && SameName(attribute.name, wanted)) {
                found = true;
                const QUrl url = Resolve(base, attribute.value);
                if (url.isValid()) {
                    if (link) {
                        out.links.insert(PageLinks::Key(url), url);
                    } else {
                        out.images.insert(PageLinks::Key(url));
                    }
                }
            }
        }
    }
    return out;
}

bool IsBlankPage(const QUrl& url)
{
    return url.scheme().compare(QLatin1String("about"), Qt::CaseInsensitive) == 0 &&
           url.path().compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0;
}

bool IsWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

Verdict Decide(const QUrl& url, Navigation type, bool mainFrame, bool userGesture, const PaneState& state)
{
    // The pages have no frames of their own: a frame is something else's.
    if (!mainFrame) {
        return Verdict::Refuse;
    }
    const bool ownPage = url.isLocalFile() && state.ownPages.contains(PageLinks::Key(url));
    switch (type) {
    case Navigation::Typed:
    case Navigation::BackForward:
    case Navigation::Reload:
        // Only what the host itself loaded in this pane (or the blank page) is ever a document here.
        return ownPage || IsBlankPage(url) ? Verdict::Load : Verdict::Refuse;
    case Navigation::LinkClicked: {
        // A link counts only when the page's own markup wrote it and the user clicked it: a script's click, or a
        // link a script made, is refused.
        const auto page = state.ownPages.constFind(PageLinks::Key(state.shown));
        if (!userGesture || page == state.ownPages.constEnd() || !page->Links(url)) {
            return Verdict::Refuse;
        }
        if (IsWebAddress(url)) {
            return Verdict::OpenOutside;
        }
        if (url.isLocalFile()) {
            return Verdict::ShowPicture;
        }
        return Verdict::Refuse;
    }
    case Navigation::Other:
        break;
    }
    return Verdict::Refuse;
}

bool MayDecodeImage(const QString& path)
{
    // The header first: a picture's size stands in its first bytes; a JPEG's may follow large metadata, so
    // failing that the whole file (within the reader's cap) is looked at.
    constexpr qint64 kHeadBytes = 256 * 1024;
    QByteArray head;
    qint64 fileSize = 0;
    if (SafeFile::ReadHead(path, head, kHeadBytes, &fileSize) != SafeFile::ReadStatus::Ok ||
        fileSize > Picture::kMaxFileBytes || Picture::Sniff(head) == Picture::Format::None) {
        return false;
    }
    QSize size = Picture::DeclaredSize(head);
    if (!size.isValid() && fileSize > head.size()) {
        QByteArray whole;
        if (SafeFile::Read(path, whole, Picture::kMaxFileBytes) == SafeFile::ReadStatus::Ok) {
            size = Picture::DeclaredSize(whole);
        }
    }
    return Picture::WithinLimit(size);
}

} // namespace PageRules
