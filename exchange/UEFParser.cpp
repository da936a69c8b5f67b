#include "UEFParser.h"

#include "AnsiText.h"
#include "Component.h"
#include "UEFFields.h"

#include <QVariant>

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace UEFParser {
namespace {

// Tags are short upper-case ASCII; longer or foreign tags match nothing.
constexpr qsizetype kMaxTag = 32;

// The space-only trim, as a view: unescaping never makes or removes a blank at either end, so trimming the raw
// value first gives the same text and saves a copy of long values such as covers.
QStringView TrimSpaces(QStringView text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b] == u' ') {
        ++b;
    }
    while (e > b && text[e - 1] == u' ') {
        --e;
    }
    return text.sliced(b, e - b);
}

// The tag trimmed and upper-cased per character, as the comparison key; empty when it cannot be a known tag.
std::string_view TagKey(QStringView tag, char (&buffer)[kMaxTag])
{
    const QStringView trimmed = TrimSpaces(tag);
    if (trimmed.isEmpty() || trimmed.size() > kMaxTag) {
        return {};
    }
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const char16_t upper = trimmed[i].toUpper().unicode();
        if (upper == 0 || upper > 0x7F) {
            return {};
        }
        buffer[i] = char(upper);
    }
    return std::string_view(buffer, size_t(trimmed.size()));
}

// Tag -> index into the kind's field table.
template <class T, size_t N>
std::unordered_map<std::string_view, size_t> IndexFields(const std::array<UEFField<T>, N>& fields)
{
    std::unordered_map<std::string_view, size_t> index;
    for (size_t i = 0; i < N; ++i) {
        index.emplace(fields[i].tag, i);
    }
    return index;
}

QString FieldValue(QStringView value)
{
    return UnescapeText(TrimSpaces(value));
}

// A fresh checker per item, released right after the call.
bool IsValidProductCode(const QString& upc)
{
    const std::shared_ptr<QObject> checker = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
    if (!checker) {
        return false;
    }
    bool called = false;
    const QVariant result = Component::CallByName(checker.get(), "CheckString", {upc}, &called);
    bool isNumber = false;
    const int kind = result.toInt(&isNumber);
    return called && isNumber && kind != 0;
}

// Fills the text fields of item from the elements of value; returns the raw value of its last CONTENTS element.
template <class T, size_t N>
std::optional<QStringView> FillItem(T& item, QStringView value, const std::array<UEFField<T>, N>& fields,
                                    const std::unordered_map<std::string_view, size_t>& index)
{
    std::optional<QStringView> contents;
    qsizetype pos = 0;
    Element element;
    char buffer[kMaxTag];
    while (pos < value.size()) {
        if (!NextTag(value, pos, element) || !element.hasValue) {
            continue;
        }
        const std::string_view tag = TagKey(element.tag, buffer);
        const auto found = index.find(tag);
        if (found != index.end()) {
            (item.*fields[found->second].set)(FieldValue(element.value));
        } else if (tag == "CONTENTS") {
            contents = element.value;
        }
    }
    return contents;
}

// Position of c in text from `from` up to (not including) `to`, or -1.
qsizetype Find(QStringView text, char16_t c, qsizetype from, qsizetype to)
{
    const qsizetype at = text.sliced(from, to - from).indexOf(QChar(c));
    return at < 0 ? -1 : from + at;
}

} // namespace

bool NextTag(QStringView text, qsizetype& pos, Element& element)
{
    const qsizetype n = text.size();
    // Each search covers a stretch the previous ones did not, so one call reads each character at most twice and
    // a whole text is scanned in linear time.
    qsizetype close = text.indexOf(u']', pos);
    qsizetype open = Find(text, u'[', pos, close < 0 ? n : close);
    if (open < 0) {
        // A closing bracket before any opening one is dropped with everything before it; no bracket ends the text.
        pos = close < 0 ? n : close + 1;
        return false;
    }
    const qsizetype inside = open + 1;
    qsizetype i = inside;
    int depth = 1;
    for (;;) {
        if (close < i && close >= 0) {
            close = text.indexOf(u']', i);
        }
        if (close < 0) {
            // The text ends inside the element: it is incomplete, so it is dropped, and nothing past the end is read.
            pos = n;
            return false;
        }
        open = Find(text, u'[', i, close);
        if (open >= 0) {
            ++depth;
            i = open + 1;
            continue;
        }
        i = close + 1;
        if (--depth == 0) {
            break;
        }
    }
    const QStringView body = text.sliced(inside, close - inside);
    pos = close + 1;
    const qsizetype eq = body.indexOf(u'=');
    element.hasValue = eq >= 0;
    element.tag = element.hasValue ? body.first(eq) : body;
    element.value = element.hasValue ? body.sliced(eq + 1) : QStringView();
    return true;
}

QString UnescapeText(QStringView value)
{
    // One pass gives what replacing "&1", then "&2", then "&0" gives: the three codes never overlap, and no
    // replacement forms a new code.
    const qsizetype first = value.indexOf(u'&');
    if (first < 0) {
        return value.toString();
    }
    QString text(value.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const char16_t* in = value.utf16();
    const qsizetype n = value.size();
    std::copy(in, in + first, out);
    qsizetype w = first;
    for (qsizetype r = first; r < n; ++r) {
        const char16_t c = in[r];
        if (c == u'&' && r + 1 < n) {
            const char16_t code = in[r + 1];
            if (code == u'0' || code == u'1' || code == u'2') {
                out[w++] = code == u'0' ? u'&' : code == u'1' ? u'[' : u']';
                ++r;
                continue;
            }
        }
        out[w++] = c;
    }
    text.truncate(w);
    return text;
}

void ParseItems(QStringView text, UEFCollection& document, UEFCollection* parent, int depth)
{
    // Deeper contents are dropped, which keeps the recursion bounded whatever the text holds.
    if (depth > UEFCollection::MaxDepth) {
        return;
    }
    qsizetype pos = 0;
    Element element;
    char buffer[kMaxTag];
    while (pos < text.size()) {
        if (!NextTag(text, pos, element) || !element.hasValue) {
            continue;
        }
        const std::string_view tag = TagKey(element.tag, buffer);
        if (tag == "BOX") {
            ParseBox(element.value, document, depth);
        } else if (tag == "MEDIA") {
            ParseMedia(element.value, document, parent, depth);
        } else if (tag == "MOVIE") {
            ParseMovie(element.value, document, parent);
        }
    }
}

void ParseBox(QStringView value, UEFCollection& document, int depth)
{
    static const auto index = IndexFields(kBoxFields);
    auto box = std::make_shared<UEFBox>();
    const std::optional<QStringView> contents = FillItem(*box, value, kBoxFields, index);
    // A box is always checked and never nests: it joins the document wherever it stood.
    if (!IsValidProductCode(box->strUPC())) {
        return;
    }
    document.Add(box);
    if (contents) {
        ParseItems(*contents, document, box->colContents().get(), depth + 1);
    }
}

void ParseMedia(QStringView value, UEFCollection& document, UEFCollection* parent, int depth)
{
    static const auto index = IndexFields(kMediaFields);
    auto media = std::make_shared<UEFMedia>();
    const std::optional<QStringView> contents = FillItem(*media, value, kMediaFields, index);
    if (!parent && !IsValidProductCode(media->strUPC())) {
        return;
    }
    (parent ? *parent : document).Add(media);
    if (contents) {
        ParseItems(*contents, document, media->colContents().get(), depth + 1);
    }
}

void ParseMovie(QStringView value, UEFCollection& document, UEFCollection* parent)
{
    static const auto index = IndexFields(kMovieFields);
    // Picture flags of older texts: each "YES" adds its line to the picture text as it stands at that point.
    static const std::unordered_map<std::string_view, QString> pictureFlags = {
        {"ANAMORPHIC", QStringLiteral("Anamorphic widescreen")},
        {"WIDESCREEN", QStringLiteral("Widescreen")},
        {"FULLFRAME", QStringLiteral("Fullframe")},
        {"PAN&SCAN", QStringLiteral("Pan & scan / Open matte")},
    };
    auto movie = std::make_shared<UEFMovie>();
    qsizetype pos = 0;
    Element element;
    char buffer[kMaxTag];
    while (pos < value.size()) {
        if (!NextTag(value, pos, element) || !element.hasValue) {
            continue;
        }
        const std::string_view tag = TagKey(element.tag, buffer);
        const auto found = index.find(tag);
        if (found != index.end()) {
            (movie.get()->*kMovieFields[found->second].set)(FieldValue(element.value));
            continue;
        }
        const auto flag = pictureFlags.find(tag);
        if (flag != pictureFlags.end() && AnsiText::UCase(FieldValue(element.value)) == QLatin1String("YES")) {
            const QString& picture = movie->strPicture();
            movie->setStrPicture(picture.isEmpty() ? flag->second : picture + QLatin1String("\r\n") + flag->second);
        }
    }
    if (!parent && !IsValidProductCode(movie->strUPC())) {
        return;
    }
    (parent ? *parent : document).Add(movie);
}

} // namespace UEFParser
