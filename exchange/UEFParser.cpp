#include "UEFParser.h"

#include "AnsiText.h"
#include "Component.h"
#include "UEFFields.h"

#include <QVariant>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>
#include <unordered_map>

namespace UEFParser {
namespace {

// Tags are short upper-case ASCII; longer or foreign tags match nothing.
constexpr qsizetype kMaxTag = 32;

// The parser reads exchange text, or a file's bytes before they are decoded. Every character the grammar looks at (the
// brackets, "=", "&", the digits of the escapes and the blank) is ASCII, which the code page keeps as it is, and no
// other byte decodes to an ASCII character: so the elements of the bytes lie exactly where those of the decoded text
// do, and only the values need decoding.

// Where the brackets of a file's bytes are, found in one pass: the searches for brackets at every level of nesting look
// them up instead of reading the bytes again. Not kept for bytes so full of brackets that the list would be large.
struct Brackets
{
    std::vector<quint32> open;
    std::vector<quint32> close;
    bool indexed = false;
};

Brackets FindBrackets(QByteArrayView bytes)
{
    Brackets brackets;
    // Four bytes a position; a quarter of the size at most.
    const size_t most = size_t(bytes.size() / 16 + 1024);
    if (bytes.size() >= qsizetype(UINT32_MAX)) {
        return brackets;
    }
    for (const char c : {'[', ']'}) {
        std::vector<quint32>& at = c == '[' ? brackets.open : brackets.close;
        const char* const begin = bytes.data();
        const char* const end = begin + bytes.size();
        for (const char* p = begin; p < end; ++p) {
            p = static_cast<const char*>(std::memchr(p, c, size_t(end - p)));
            if (!p) {
                break;
            }
            if (brackets.open.size() + brackets.close.size() >= most) {
                return Brackets();
            }
            at.push_back(quint32(p - begin));
        }
    }
    brackets.indexed = true;
    return brackets;
}

// A stretch of a file's bytes, with where it lies in the file and the file's brackets.
struct Bytes
{
    QByteArrayView view;
    qsizetype offset = 0;
    const Brackets* brackets = nullptr;
    const QByteArray* file = nullptr;

    qsizetype size() const { return view.size(); }
    Bytes sliced(qsizetype pos) const { return {view.sliced(pos), offset + pos, brackets, file}; }
    Bytes sliced(qsizetype pos, qsizetype n) const { return {view.sliced(pos, n), offset + pos, brackets, file}; }
    Bytes first(qsizetype n) const { return {view.first(n), offset, brackets, file}; }
};

template <class View> constexpr bool kBytes = std::is_same_v<View, Bytes>;

char16_t At(QStringView text, qsizetype i)
{
    return text[i].unicode();
}
char16_t At(const Bytes& text, qsizetype i)
{
    return static_cast<unsigned char>(text.view[i]);
}

// Position of the ASCII character c in text from `from` up to (not including) `to`, or -1.
qsizetype Find(QStringView text, char16_t c, qsizetype from, qsizetype to)
{
    if (from >= to) {
        return -1;
    }
    const qsizetype at = text.sliced(from, to - from).indexOf(QChar(c));
    return at < 0 ? -1 : from + at;
}
qsizetype Find(const Bytes& text, char16_t c, qsizetype from, qsizetype to)
{
    if (from >= to) {
        return -1;
    }
    if (text.brackets && text.brackets->indexed && (c == u'[' || c == u']')) {
        const std::vector<quint32>& at = c == u'[' ? text.brackets->open : text.brackets->close;
        const auto it = std::lower_bound(at.begin(), at.end(), quint32(text.offset + from));
        return it != at.end() && qsizetype(*it) < text.offset + to ? qsizetype(*it) - text.offset : -1;
    }
    const void* at = std::memchr(text.view.data() + from, int(c), size_t(to - from));
    return at ? static_cast<const char*>(at) - text.view.data() : -1;
}

struct ByteElement
{
    Bytes tag;
    Bytes value;
    bool hasValue = false;
};
template <class View> using ElementOf = std::conditional_t<kBytes<View>, ByteElement, Element>;

template <class View> bool NextTagIn(View text, qsizetype& pos, ElementOf<View>& element)
{
    const qsizetype n = text.size();
    // Each search covers a stretch the previous ones did not, so one call reads each character at most twice and
    // a whole text is scanned in linear time.
    qsizetype close = Find(text, u']', pos, n);
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
            close = Find(text, u']', i, n);
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
    const View body = text.sliced(inside, close - inside);
    pos = close + 1;
    const qsizetype eq = Find(body, u'=', 0, body.size());
    element.hasValue = eq >= 0;
    element.tag = element.hasValue ? body.first(eq) : body;
    element.value = element.hasValue ? body.sliced(eq + 1) : View();
    return true;
}

// The space-only trim, as a view: unescaping never makes or removes a blank at either end, so trimming the raw
// value first gives the same text and saves a copy of long values such as covers.
template <class View> View TrimSpaces(View text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && At(text, b) == u' ') {
        ++b;
    }
    while (e > b && At(text, e - 1) == u' ') {
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
// The same for bytes: no character the code page gives a byte of 0x80 or above has an ASCII upper case.
std::string_view TagKey(const Bytes& tag, char (&buffer)[kMaxTag])
{
    const QByteArrayView trimmed = TrimSpaces(tag).view;
    if (trimmed.isEmpty() || trimmed.size() > kMaxTag) {
        return {};
    }
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(trimmed[i]);
        if (b == 0 || b > 0x7F) {
            return {};
        }
        buffer[i] = b >= 'a' && b <= 'z' ? char(b - 'a' + 'A') : char(b);
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
QString FieldValue(const Bytes& value)
{
    return UnescapeText(AnsiText::Decode(TrimSpaces(value).view));
}

// One parse: the document the items go to, the product-code checker, made at the first check and used for every
// item (it keeps nothing between calls), and what was left out, when it is counted.
struct Parse
{
    explicit Parse(UEFCollection& into, LeftOut* counts = nullptr, const ParseControl& control = {})
        : document(into), leftOut(counts), stop(control.stop)
    {
        if (control.checker) {
            checker = control.checker;
        }
    }

    bool Stopped() const { return stop && stop->load(std::memory_order_relaxed); }

    UEFCollection& document;
    LeftOut* leftOut;
    const std::atomic<bool>* stop;
    std::optional<std::shared_ptr<QObject>> checker;
};

bool IsValidProductCode(Parse& parse, const QString& upc)
{
    if (!parse.checker) {
        parse.checker = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
    }
    const std::shared_ptr<QObject>& checker = *parse.checker;
    if (!checker) {
        return false;
    }
    bool called = false;
    const QVariant result = Component::CallByName(checker.get(), "CheckString", {upc}, &called);
    bool isNumber = false;
    const int kind = result.toInt(&isNumber);
    return called && isNumber && kind != 0;
}

// A refused item: counted when the parse counts.
void Refused(Parse& parse)
{
    if (parse.leftOut) {
        ++parse.leftOut->refused;
    }
}

// From bytes, a cover stays where it is in the file until it is wanted; true when tag named one.
template <class View, class T> bool SetCoverBytes(T& item, std::string_view tag, View value)
{
    if constexpr (kBytes<View>) {
        if (tag == "FRONTCOVER" || tag == "BACKCOVER") {
            const Bytes trimmed = TrimSpaces(value);
            (tag == "FRONTCOVER" ? item.frontCover() : item.backCover())
                .SetEscaped(*trimmed.file, trimmed.offset, trimmed.size());
            return true;
        }
    }
    return false;
}

// Fills the text fields of item from the elements of value; returns the raw value of its last CONTENTS element.
// Every other element is handed to other(tag, value).
template <class View, class T, size_t N, class Other>
std::optional<View> FillItem(T& item, View value, const std::array<UEFField<T>, N>& fields,
                             const std::unordered_map<std::string_view, size_t>& index, Other&& other)
{
    std::optional<View> contents;
    qsizetype pos = 0;
    ElementOf<View> element;
    char buffer[kMaxTag];
    while (pos < value.size()) {
        if (!NextTagIn(value, pos, element) || !element.hasValue) {
            continue;
        }
        const std::string_view tag = TagKey(element.tag, buffer);
        if (SetCoverBytes(item, tag, element.value)) {
            continue;
        }
        const auto found = index.find(tag);
        if (found != index.end()) {
            (item.*fields[found->second].set)(FieldValue(element.value));
        } else if (tag == "CONTENTS") {
            contents = element.value;
        } else {
            other(tag, element.value);
        }
    }
    return contents;
}

template <class View, class T, size_t N>
std::optional<View> FillItem(T& item, View value, const std::array<UEFField<T>, N>& fields,
                             const std::unordered_map<std::string_view, size_t>& index)
{
    return FillItem(item, value, fields, index, [](std::string_view, View) {});
}

// Every item in text and below it, without recursion: all of it lies beyond the nesting limit, where nothing is
// checked. A box or medium holds what its last CONTENTS element holds.
template <class View> int CountAllItems(View text)
{
    int count = 0;
    std::vector<View> pending{text};
    ElementOf<View> element;
    char buffer[kMaxTag];
    while (!pending.empty()) {
        const View run = pending.back();
        pending.pop_back();
        qsizetype pos = 0;
        while (pos < run.size()) {
            if (!NextTagIn(run, pos, element) || !element.hasValue) {
                continue;
            }
            const std::string_view tag = TagKey(element.tag, buffer);
            if (tag != "BOX" && tag != "MEDIA" && tag != "MOVIE") {
                continue;
            }
            ++count;
            if (tag == "MOVIE") {
                continue;
            }
            std::optional<View> contents;
            qsizetype at = 0;
            ElementOf<View> part;
            char partBuffer[kMaxTag];
            while (at < element.value.size()) {
                if (NextTagIn(element.value, at, part) && part.hasValue && TagKey(part.tag, partBuffer) == "CONTENTS") {
                    contents = part.value;
                }
            }
            if (contents) {
                pending.push_back(*contents);
            }
        }
    }
    return count;
}

template <class View> void ParseItemsIn(View text, Parse& parse, UEFCollection* parent, int depth);

template <class View> void ParseBoxIn(View value, Parse& parse, int depth)
{
    static const auto index = IndexFields(kBoxFields);
    auto box = std::make_shared<UEFBox>();
    const std::optional<View> contents = FillItem(*box, value, kBoxFields, index);
    // A box is always checked and never nests: it joins the document wherever it stood.
    if (!IsValidProductCode(parse, box->strUPC())) {
        Refused(parse);
        return;
    }
    parse.document.Add(box);
    if (contents) {
        ParseItemsIn(*contents, parse, box->colContents().get(), depth + 1);
    }
}

template <class View> void ParseMediaIn(View value, Parse& parse, UEFCollection* parent, int depth)
{
    static const auto index = IndexFields(kMediaFields);
    auto media = std::make_shared<UEFMedia>();
    const std::optional<View> contents = FillItem(*media, value, kMediaFields, index);
    if (!parent && !IsValidProductCode(parse, media->strUPC())) {
        Refused(parse);
        return;
    }
    (parent ? *parent : parse.document).Add(media);
    if (contents) {
        ParseItemsIn(*contents, parse, media->colContents().get(), depth + 1);
    }
}

template <class View> void ParseMovieIn(View value, Parse& parse, UEFCollection* parent)
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
    // A movie holds nothing: a CONTENTS element in it is ignored.
    FillItem(*movie, value, kMovieFields, index, [&movie](std::string_view tag, View flagValue) {
        const auto flag = pictureFlags.find(tag);
        if (flag != pictureFlags.end() && AnsiText::UCase(FieldValue(flagValue)) == QLatin1String("YES")) {
            const QString& picture = movie->strPicture();
            movie->setStrPicture(picture.isEmpty() ? flag->second : picture + QLatin1String("\r\n") + flag->second);
        }
    });
    if (!parent && !IsValidProductCode(parse, movie->strUPC())) {
        Refused(parse);
        return;
    }
    (parent ? *parent : parse.document).Add(movie);
}

template <class View> void ParseItemsIn(View text, Parse& parse, UEFCollection* parent, int depth)
{
    // Deeper contents are dropped, which keeps the recursion bounded whatever the text holds.
    if (depth > UEFCollection::MaxDepth) {
        if (parse.leftOut) {
            parse.leftOut->tooDeep += CountAllItems(text);
        }
        return;
    }
    qsizetype pos = 0;
    ElementOf<View> element;
    char buffer[kMaxTag];
    while (pos < text.size() && !parse.Stopped()) {
        if (!NextTagIn(text, pos, element) || !element.hasValue) {
            continue;
        }
        const std::string_view tag = TagKey(element.tag, buffer);
        if (tag == "BOX") {
            ParseBoxIn(element.value, parse, depth);
        } else if (tag == "MEDIA") {
            ParseMediaIn(element.value, parse, parent, depth);
        } else if (tag == "MOVIE") {
            ParseMovieIn(element.value, parse, parent);
        }
    }
}

} // namespace

bool NextTag(QStringView text, qsizetype& pos, Element& element)
{
    return NextTagIn(text, pos, element);
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

QByteArray UnescapeBytes(QByteArrayView value)
{
    QByteArray bytes(value.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const char* in = value.data();
    const qsizetype n = value.size();
    qsizetype w = 0;
    qsizetype r = 0;
    while (r < n) {
        const void* amp = std::memchr(in + r, '&', size_t(n - r));
        const qsizetype end = amp ? static_cast<const char*>(amp) - in : n;
        std::memcpy(out + w, in + r, size_t(end - r));
        w += end - r;
        r = end;
        if (r == n) {
            break;
        }
        const char code = r + 1 < n ? in[r + 1] : '\0';
        if (code == '0' || code == '1' || code == '2') {
            out[w++] = code == '0' ? '&' : code == '1' ? '[' : ']';
            r += 2;
        } else {
            out[w++] = '&';
            ++r;
        }
    }
    bytes.truncate(w);
    return bytes;
}

void ParseItems(QStringView text, UEFCollection& document, UEFCollection* parent, int depth)
{
    Parse parse(document);
    ParseItemsIn(text, parse, parent, depth);
}

void ParseDocument(QStringView text, UEFCollection& document, LeftOut& leftOut, const ParseControl& control)
{
    Parse parse(document, &leftOut, control);
    ParseItemsIn(text, parse, nullptr, 0);
}

void ParseDocument(const QByteArray& bytes, UEFCollection& document, LeftOut& leftOut, const ParseControl& control)
{
    Parse parse(document, &leftOut, control);
    const Brackets brackets = FindBrackets(bytes);
    ParseItemsIn(Bytes{bytes, 0, &brackets, &bytes}, parse, nullptr, 0);
}

void ParseBox(QStringView value, UEFCollection& document, int depth)
{
    Parse parse(document);
    ParseBoxIn(value, parse, depth);
}

void ParseMedia(QStringView value, UEFCollection& document, UEFCollection* parent, int depth)
{
    Parse parse(document);
    ParseMediaIn(value, parse, parent, depth);
}

void ParseMovie(QStringView value, UEFCollection& document, UEFCollection* parent)
{
    Parse parse(document);
    ParseMovieIn(value, parse, parent);
}

} // namespace UEFParser
