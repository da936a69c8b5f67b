#include "UEFParser.h"

#include "AnsiText.h"
#include "Component.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QVariant>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace UEFParser {
namespace {

// Tags are short upper-case ASCII; longer or foreign tags match nothing.
constexpr qsizetype kMaxTag = 32;

// The parser reads exchange text, or a file's bytes before they are decoded. Every character the grammar looks at (the
// brackets, "=", "&", the digits of the escapes and the blank) is ASCII, which the code page keeps as it is, and no
// other byte decodes to an ASCII character: so the elements of the bytes lie exactly where those of the decoded text
// do, and only the values need decoding. The same code reads both, one unit (char16_t or byte) at a time.

template <class Unit> constexpr bool kBytes = std::is_same_v<Unit, char>;

// How far the bracket depth moves at c.
template <class Unit> int Step(Unit c)
{
    return int(c == Unit('[')) - int(c == Unit(']'));
}

// Whether any of the units of the 8-byte word that starts at `at` is a bracket: a text's long stretches without any
// (the escaped covers, plain text) are passed over a word at a time.
template <class Unit> bool WordHasBracket(const Unit* at)
{
    constexpr int kBits = 8 * int(sizeof(Unit));
    constexpr quint64 kOnes = ~quint64(0) / ((quint64(1) << kBits) - 1);
    constexpr quint64 kHigh = kOnes << (kBits - 1);
    quint64 word;
    std::memcpy(&word, at, sizeof(word));
    const quint64 open = word ^ (kOnes * quint64('['));
    const quint64 close = word ^ (kOnes * quint64(']'));
    return (((open - kOnes) & ~open) | ((close - kOnes) & ~close)) & kHigh;
}
template <class Unit> constexpr qsizetype kWordUnits = qsizetype(sizeof(quint64) / sizeof(Unit));

// The same for n units, n fixed, in a loop the compiler makes vector instructions of.
template <qsizetype n, class Unit> bool HasBracket(const Unit* at)
{
    std::make_unsigned_t<Unit> found = 0;
    for (qsizetype i = 0; i < n; ++i) {
        found |= std::make_unsigned_t<Unit>((at[i] == Unit('[')) | (at[i] == Unit(']')));
    }
    return found != 0;
}

// How many units a scan reads between two looks at the stop flag.
constexpr qsizetype kStopEvery = qsizetype(1) << 16;

bool IsSet(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// Where each element of a whole text ends, however deep the nesting: an element's "]" is the first place after its
// "[" where the depth falls below the depth inside it. The depth is kept per block of kBlock units (the depth before
// the block and the lowest one inside it), with the lowest depth of every kFan blocks above that, and so on up. An end
// is found by reading what is left of the element's block, a walk up and down those levels, and at most one more
// block, so the walks over nested elements never read their insides again. About eight bytes a block: 8.3 MB for a
// 64 MB file, whatever it holds. Without it (a text beyond the depths' range) the depth is counted from the "[".
class Nesting
{
public:
    // False when stop was set meanwhile.
    template <class Unit> bool Build(const Unit* text, qsizetype size, const std::atomic<bool>* stop)
    {
        if (size > std::numeric_limits<qint32>::max()) {
            return true;
        }
        const qsizetype blocks = (size + kBlock - 1) / kBlock;
        m_start.resize(size_t(blocks));
        std::vector<qint32> lowest(static_cast<size_t>(blocks));
        qint32 depth = 0;
        for (qsizetype block = 0; block < blocks; ++block) {
            if (block % (kStopEvery / kBlock) == 0 && IsSet(stop)) {
                return false;
            }
            m_start[size_t(block)] = depth;
            // The depth before the block counts as one inside it: it is the one after the block before, so no
            // search is led astray by it.
            qint32 low = depth;
            const Unit* at = text + block * kBlock;
            const Unit* const end = text + std::min(size, (block + 1) * kBlock);
            if (end - at == kBlock && !HasBracket<kBlock>(at)) {
                at = end;
            }
            for (; at < end; ++at) {
                depth += Step(*at);
                low = std::min(low, depth);
            }
            lowest[size_t(block)] = low;
        }
        m_lowest.push_back(std::move(lowest));
        while (m_lowest.back().size() > size_t(kFan)) {
            const std::vector<qint32>& below = m_lowest.back();
            std::vector<qint32> above((below.size() + kFan - 1) / kFan, std::numeric_limits<qint32>::max());
            for (size_t i = 0; i < below.size(); ++i) {
                above[i / kFan] = std::min(above[i / kFan], below[i]);
            }
            m_lowest.push_back(std::move(above));
        }
        return true;
    }

    // The position of the "]" that closes the "[" at open, or -1 when the text ends first.
    template <class Unit> qsizetype Close(const Unit* text, qsizetype size, qsizetype open) const
    {
        const qsizetype block = open / kBlock;
        const qsizetype next = block + 1;
        const qsizetype scanned = m_start.empty() ? size : std::min(size, next * kBlock);
        // The depth from just after the "[": the end is where it first falls below zero.
        qint32 rise = 0;
        for (qsizetype i = open + 1; i < scanned; ++i) {
            rise += Step(text[i]);
            if (rise < 0) {
                return i;
            }
        }
        if (next >= qsizetype(m_start.size())) {
            return -1;
        }
        // The depth inside the element: where the next block starts, less what the rest of this one rose.
        const qint32 inside = m_start[size_t(next)] - rise;
        const qsizetype found = FirstReaching(next, inside - 1);
        if (found < 0) {
            return -1;
        }
        qint32 depth = m_start[size_t(found)];
        for (qsizetype i = found * kBlock;; ++i) {
            depth += Step(text[i]);
            if (depth < inside) {
                return i;
            }
        }
    }

private:
    static constexpr qsizetype kBlock = 64;
    static constexpr qsizetype kFan = 16;

    // The first block from `from` on whose depth reaches down to target, or -1.
    qsizetype FirstReaching(qsizetype from, qint32 target) const
    {
        size_t level = 0;
        qsizetype at = from;
        // Up: the rest of the group at hand, then the groups after it, a level higher.
        for (;;) {
            const std::vector<qint32>& lowest = m_lowest[level];
            const qsizetype size = qsizetype(lowest.size());
            const qsizetype groupEnd = std::min(size, (at / kFan + 1) * kFan);
            while (at < groupEnd && lowest[size_t(at)] > target) {
                ++at;
            }
            if (at < groupEnd) {
                break;
            }
            if (at >= size || level + 1 == m_lowest.size()) {
                return -1;
            }
            at /= kFan;
            ++level;
        }
        // Down: the first of the group below that reaches it.
        while (level > 0) {
            --level;
            at *= kFan;
            while (m_lowest[level][size_t(at)] > target) {
                ++at;
            }
        }
        return at;
    }

    std::vector<qint32> m_start;
    std::vector<std::vector<qint32>> m_lowest;
};

// The whole text a parse reads: its units, where its elements end, and for bytes the array the covers share.
template <class Unit> struct Source
{
    const Unit* text = nullptr;
    qsizetype size = 0;
    Nesting nesting;
    const QByteArray* file = nullptr;
    const std::atomic<bool>* stop = nullptr;
};

// A stretch [begin, end) of a source, by position in the whole text.
template <class Unit> struct Span
{
    const Source<Unit>* source = nullptr;
    qsizetype begin = 0;
    qsizetype end = 0;

    qsizetype size() const { return end - begin; }
    Unit At(qsizetype i) const { return source->text[i]; }
};

QStringView View(const Span<char16_t>& span)
{
    return QStringView(span.source->text + span.begin, span.size());
}
QByteArrayView View(const Span<char>& span)
{
    return QByteArrayView(span.source->text + span.begin, span.size());
}

// The first position in [from, to) whose unit `is` accepts, or -1; -1 too when the parse was stopped meanwhile. A long
// stretch is read a piece at a time, with a look at the stop flag between pieces.
template <class Unit, class Is> qsizetype FindFirst(const Source<Unit>& source, qsizetype from, qsizetype to, Is is)
{
    while (from < to) {
        const qsizetype piece = std::min(to, from + kStopEvery);
        for (qsizetype i = from; i < piece; ++i) {
            if (is(source.text[i])) {
                return i;
            }
        }
        from = piece;
        if (from < to && IsSet(source.stop)) {
            return -1;
        }
    }
    return -1;
}
// The same from the end: the last such position, or -1.
template <class Unit, class Is> qsizetype FindLast(const Source<Unit>& source, qsizetype from, qsizetype to, Is is)
{
    while (to > from) {
        const qsizetype piece = std::max(from, to - kStopEvery);
        for (qsizetype i = to - 1; i >= piece; --i) {
            if (is(source.text[i])) {
                return i;
            }
        }
        to = piece;
        if (to > from && IsSet(source.stop)) {
            return -1;
        }
    }
    return -1;
}

template <class Unit> qsizetype FindAny(const Source<Unit>& source, qsizetype from, qsizetype to, Unit a, Unit b)
{
    return FindFirst(source, from, to, [a, b](Unit c) { return c == a || c == b; });
}

// The first bracket in [from, to), or -1.
template <class Unit> qsizetype FindBracket(const Source<Unit>& source, qsizetype from, qsizetype to)
{
    while (from < to) {
        const qsizetype piece = std::min(to, from + kStopEvery);
        while (piece - from >= kWordUnits<Unit> && !WordHasBracket(source.text + from)) {
            from += kWordUnits<Unit>;
        }
        const qsizetype found = FindAny(source, from, std::min(piece, from + kWordUnits<Unit>), Unit('['), Unit(']'));
        if (found >= 0) {
            return found;
        }
        from = std::min(piece, from + kWordUnits<Unit>);
        if (from == piece && from < to && IsSet(source.stop)) {
            return -1;
        }
    }
    return -1;
}

template <class Unit> struct Part
{
    Span<Unit> tag;
    Span<Unit> value;
    bool hasValue = false;
};

// The element at or after pos in span (see NextTag); pos moves past it. With exactTag false an element whose tag
// would hold a "[" is taken as one without a value: such a tag is no known one, and its "=" is not looked for among
// the nested elements.
template <class Unit> bool NextTagIn(const Span<Unit>& span, qsizetype& pos, Part<Unit>& element, bool exactTag = false)
{
    const Source<Unit>& source = *span.source;
    const qsizetype open = FindBracket(source, pos, span.end);
    if (open < 0) {
        // No bracket ends the text.
        pos = span.end;
        return false;
    }
    if (source.text[open] == Unit(']')) {
        // A closing bracket before any opening one is dropped with everything before it.
        pos = open + 1;
        return false;
    }
    const qsizetype close = source.nesting.Close(source.text, source.size, open);
    if (close < 0 || close >= span.end) {
        // The text ends inside the element: it is incomplete, so it is dropped, and nothing past the end is read.
        pos = span.end;
        return false;
    }
    pos = close + 1;
    const qsizetype inside = open + 1;
    const qsizetype eq = exactTag ? FindAny(source, inside, close, Unit('='), Unit('='))
                                  : FindAny(source, inside, close, Unit('='), Unit('['));
    element.hasValue = eq >= 0 && source.text[eq] == Unit('=');
    element.tag = {&source, inside, element.hasValue ? eq : close};
    element.value = element.hasValue ? Span<Unit>{&source, eq + 1, close} : Span<Unit>{&source, close, close};
    return true;
}

// The space-only trim: unescaping never makes or removes a blank at either end, so trimming the raw value first gives
// the same text and saves a copy of long values such as covers.
template <class Unit> Span<Unit> TrimSpaces(Span<Unit> text)
{
    const auto isText = [](Unit c) { return c != Unit(' '); };
    const qsizetype first = FindFirst(*text.source, text.begin, text.end, isText);
    if (first < 0) {
        return {text.source, text.end, text.end};
    }
    return {text.source, first, FindLast(*text.source, first, text.end, isText) + 1};
}

// The tag trimmed and upper-cased per character, as the comparison key; empty when it cannot be a known tag.
std::string_view TagKey(const Span<char16_t>& tag, char (&buffer)[kMaxTag])
{
    const QStringView trimmed = View(TrimSpaces(tag));
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
std::string_view TagKey(const Span<char>& tag, char (&buffer)[kMaxTag])
{
    const QByteArrayView trimmed = View(TrimSpaces(tag));
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

QString Unescaped(QStringView value)
{
    return UnescapeText(value);
}
QString Unescaped(QByteArrayView value)
{
    return UnescapeText(AnsiText::Decode(value));
}

// The value trimmed and unescaped. A long one is unescaped a piece at a time, so a stop is seen inside it too; no
// piece ends with an "&", which could start an escape the next piece ends.
template <class Unit> QString FieldValue(const Span<Unit>& value)
{
    const Span<Unit> trimmed = TrimSpaces(value);
    if (trimmed.size() <= kStopEvery) {
        return Unescaped(View(trimmed));
    }
    QString text;
    text.reserve(trimmed.size());
    for (qsizetype from = trimmed.begin; from < trimmed.end && !IsSet(value.source->stop);) {
        qsizetype to = std::min(trimmed.end, from + kStopEvery);
        while (to < trimmed.end && trimmed.At(to - 1) == Unit('&')) {
            ++to;
        }
        text += Unescaped(View(Span<Unit>{value.source, from, to}));
        from = to;
    }
    return text;
}

// Whether the value reads "YES" in any case. Unescaping makes at most one character of two, so a longer value is no
// "YES" and is not unescaped at all.
template <class Unit> bool IsYes(const Span<Unit>& value)
{
    const Span<Unit> trimmed = TrimSpaces(value);
    return trimmed.size() <= 6 && AnsiText::UCase(Unescaped(View(trimmed))) == QLatin1String("YES");
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

    bool Stopped() const { return IsSet(stop); }

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
template <class Unit, class T> bool SetCoverBytes(T& item, std::string_view tag, const Span<Unit>& value)
{
    if constexpr (kBytes<Unit>) {
        if (tag == "FRONTCOVER" || tag == "BACKCOVER") {
            const Span<char> trimmed = TrimSpaces(value);
            (tag == "FRONTCOVER" ? item.frontCover() : item.backCover())
                .SetEscaped(*trimmed.source->file, trimmed.begin, trimmed.size());
            return true;
        }
    }
    return false;
}

// Fills the text fields of item from the elements of value; returns the raw value of its last CONTENTS element.
// Every other element is handed to other(tag, value).
template <class Unit, class T, size_t N, class Other>
std::optional<Span<Unit>> FillItem(T& item, const Span<Unit>& value, const std::array<UEFField<T>, N>& fields,
                                   const std::unordered_map<std::string_view, size_t>& index, Other&& other)
{
    std::optional<Span<Unit>> contents;
    qsizetype pos = value.begin;
    Part<Unit> element;
    char buffer[kMaxTag];
    while (pos < value.end && !IsSet(value.source->stop)) {
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

template <class Unit, class T, size_t N>
std::optional<Span<Unit>> FillItem(T& item, const Span<Unit>& value, const std::array<UEFField<T>, N>& fields,
                                   const std::unordered_map<std::string_view, size_t>& index)
{
    return FillItem(item, value, fields, index, [](std::string_view, const Span<Unit>&) {});
}

// Every item in text and below it, without recursion: all of it lies beyond the nesting limit, where nothing is
// checked. A box or medium holds what its last CONTENTS element holds.
template <class Unit> int CountAllItems(const Span<Unit>& text)
{
    const Source<Unit>& source = *text.source;
    int count = 0;
    // Stretches still to be read: of an item's contents and the rest of its run, the smaller is read first and the
    // other waits here. Each stretch waiting is larger than everything read before it is taken up, so however the
    // items lie, at most log2 of the text's size of them wait at once.
    std::vector<std::pair<qsizetype, qsizetype>> waiting;
    Span<Unit> run = text;
    qsizetype pos = run.begin;
    Part<Unit> element;
    Part<Unit> part;
    char buffer[kMaxTag];
    while (!IsSet(source.stop)) {
        if (pos >= run.end) {
            if (waiting.empty()) {
                break;
            }
            run = {&source, waiting.back().first, waiting.back().second};
            pos = run.begin;
            waiting.pop_back();
            continue;
        }
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
        std::optional<Span<Unit>> contents;
        qsizetype at = element.value.begin;
        while (at < element.value.end && !IsSet(source.stop)) {
            if (NextTagIn(element.value, at, part) && part.hasValue && TagKey(part.tag, buffer) == "CONTENTS") {
                contents = part.value;
            }
        }
        if (contents) {
            const Span<Unit> rest{&source, pos, run.end};
            const bool contentsFirst = contents->size() <= rest.size();
            const Span<Unit>& later = contentsFirst ? rest : *contents;
            if (later.size() > 0) {
                waiting.emplace_back(later.begin, later.end);
            }
            run = contentsFirst ? *contents : rest;
            pos = run.begin;
        }
    }
    return count;
}

template <class Unit> void ParseItemsIn(const Span<Unit>& text, Parse& parse, UEFCollection* parent, int depth);

template <class Unit> void ParseBoxIn(const Span<Unit>& value, Parse& parse, int depth)
{
    static const auto index = IndexFields(kBoxFields);
    auto box = std::make_shared<UEFBox>();
    const std::optional<Span<Unit>> contents = FillItem(*box, value, kBoxFields, index);
    if (parse.Stopped()) {
        return;
    }
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

template <class Unit> void ParseMediaIn(const Span<Unit>& value, Parse& parse, UEFCollection* parent, int depth)
{
    static const auto index = IndexFields(kMediaFields);
    auto media = std::make_shared<UEFMedia>();
    const std::optional<Span<Unit>> contents = FillItem(*media, value, kMediaFields, index);
    if (parse.Stopped()) {
        return;
    }
    if (!parent && !IsValidProductCode(parse, media->strUPC())) {
        Refused(parse);
        return;
    }
    (parent ? *parent : parse.document).Add(media);
    if (contents) {
        ParseItemsIn(*contents, parse, media->colContents().get(), depth + 1);
    }
}

template <class Unit> void ParseMovieIn(const Span<Unit>& value, Parse& parse, UEFCollection* parent)
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
    // A movie holds nothing: what a CONTENTS element in it holds is left out.
    const std::optional<Span<Unit>> contents =
        FillItem(*movie, value, kMovieFields, index, [&movie](std::string_view tag, const Span<Unit>& flagValue) {
            const auto flag = pictureFlags.find(tag);
            if (flag != pictureFlags.end() && IsYes(flagValue)) {
                const QString& picture = movie->strPicture();
                movie->setStrPicture(picture.isEmpty() ? flag->second : picture + QLatin1String("\r\n") + flag->second);
            }
        });
    if (parse.Stopped()) {
        return;
    }
    if (!parent && !IsValidProductCode(parse, movie->strUPC())) {
        Refused(parse);
        return;
    }
    (parent ? *parent : parse.document).Add(movie);
    if (contents && parse.leftOut) {
        parse.leftOut->misplaced += CountAllItems(*contents);
    }
}

template <class Unit> void ParseItemsIn(const Span<Unit>& text, Parse& parse, UEFCollection* parent, int depth)
{
    // Deeper contents are dropped, which keeps the recursion bounded whatever the text holds.
    if (depth > UEFCollection::MaxDepth) {
        if (parse.leftOut) {
            parse.leftOut->tooDeep += CountAllItems(text);
        }
        return;
    }
    qsizetype pos = text.begin;
    Part<Unit> element;
    char buffer[kMaxTag];
    while (pos < text.end && !parse.Stopped()) {
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

// Runs read on the whole of text (of size units), with where its elements end found first.
template <class Unit, class Read>
void ReadWhole(const Unit* text, qsizetype size, const QByteArray* file, const std::atomic<bool>* stop, Read read)
{
    Source<Unit> source;
    source.text = text;
    source.size = size;
    source.file = file;
    source.stop = stop;
    if (source.nesting.Build(text, size, stop)) {
        read(Span<Unit>{&source, 0, size});
    }
}

} // namespace

bool NextTag(QStringView text, qsizetype& pos, Element& element)
{
    // One element is asked for: its end is counted from its "[", not looked up in a summary of the whole text.
    Source<char16_t> source;
    source.text = text.utf16();
    source.size = text.size();
    Part<char16_t> part;
    const bool found = NextTagIn(Span<char16_t>{&source, 0, text.size()}, pos, part, true);
    if (found) {
        element.hasValue = part.hasValue;
        element.tag = View(part.tag);
        element.value = part.hasValue ? View(part.value) : QStringView();
    }
    return found;
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
    ReadWhole(text.utf16(), text.size(), nullptr, nullptr,
              [&](const Span<char16_t>& whole) { ParseItemsIn(whole, parse, parent, depth); });
}

void ParseDocument(QStringView text, UEFCollection& document, LeftOut& leftOut, const ParseControl& control)
{
    Parse parse(document, &leftOut, control);
    ReadWhole(text.utf16(), text.size(), nullptr, control.stop,
              [&](const Span<char16_t>& whole) { ParseItemsIn(whole, parse, nullptr, 0); });
}

void ParseDocument(const QByteArray& bytes, UEFCollection& document, LeftOut& leftOut, const ParseControl& control)
{
    Parse parse(document, &leftOut, control);
    ReadWhole(bytes.constData(), bytes.size(), &bytes, control.stop,
              [&](const Span<char>& whole) { ParseItemsIn(whole, parse, nullptr, 0); });
}

int CountItems(QStringView text, const std::atomic<bool>* stop)
{
    int count = 0;
    ReadWhole(text.utf16(), text.size(), nullptr, stop,
              [&](const Span<char16_t>& whole) { count = CountAllItems(whole); });
    return IsSet(stop) ? 0 : count;
}

int CountItems(const QByteArray& bytes, const std::atomic<bool>* stop)
{
    int count = 0;
    ReadWhole(bytes.constData(), bytes.size(), &bytes, stop,
              [&](const Span<char>& whole) { count = CountAllItems(whole); });
    return IsSet(stop) ? 0 : count;
}

void ParseBox(QStringView value, UEFCollection& document, int depth)
{
    Parse parse(document);
    ReadWhole(value.utf16(), value.size(), nullptr, nullptr,
              [&](const Span<char16_t>& whole) { ParseBoxIn(whole, parse, depth); });
}

void ParseMedia(QStringView value, UEFCollection& document, UEFCollection* parent, int depth)
{
    Parse parse(document);
    ReadWhole(value.utf16(), value.size(), nullptr, nullptr,
              [&](const Span<char16_t>& whole) { ParseMediaIn(whole, parse, parent, depth); });
}

void ParseMovie(QStringView value, UEFCollection& document, UEFCollection* parent)
{
    Parse parse(document);
    ReadWhole(value.utf16(), value.size(), nullptr, nullptr,
              [&](const Span<char16_t>& whole) { ParseMovieIn(whole, parse, parent); });
}

} // namespace UEFParser
