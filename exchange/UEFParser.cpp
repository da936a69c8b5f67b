#include "UEFParser.h"

#include "AnsiText.h"
#include "Component.h"
#include "UEFFields.h"

#include <QHash>
#include <QVariant>

#include <optional>

namespace UEFParser {
namespace {

// Tag (trimmed of blanks, upper case) -> index into the kind's field table.
template <class T, size_t N>
QHash<QString, int> IndexFields(const std::array<UEFField<T>, N>& fields)
{
    QHash<QString, int> index;
    for (size_t i = 0; i < N; ++i) {
        index.insert(QLatin1String(fields[i].tag), int(i));
    }
    return index;
}

QString NormalTag(QStringView tag)
{
    return AnsiText::UCase(AnsiText::Trim(tag));
}

QString FieldValue(QStringView value)
{
    return AnsiText::Trim(UnescapeText(value));
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
                                    const QHash<QString, int>& index)
{
    std::optional<QStringView> contents;
    qsizetype pos = 0;
    Element element;
    while (pos < value.size()) {
        if (!NextTag(value, pos, element) || !element.hasValue) {
            continue;
        }
        const QString tag = NormalTag(element.tag);
        const auto found = index.constFind(tag);
        if (found != index.constEnd()) {
            (item.*fields[size_t(found.value())].set)(FieldValue(element.value));
        } else if (tag == QLatin1String("CONTENTS")) {
            contents = element.value;
        }
    }
    return contents;
}

} // namespace

bool NextTag(QStringView text, qsizetype& pos, Element& element)
{
    const qsizetype n = text.size();
    const char16_t* const data = text.utf16();
    qsizetype i = pos;
    // Skip to the first bracket of either kind.
    while (i < n && data[i] != u'[' && data[i] != u']') {
        ++i;
    }
    if (i == n) {
        pos = n;
        return false;
    }
    if (data[i] == u']') {
        // A closing bracket before any opening one: drop it with everything before it.
        pos = i + 1;
        return false;
    }
    const qsizetype inside = i + 1;
    int depth = 1;
    for (i = inside; i < n; ++i) {
        const char16_t c = data[i];
        if (c == u'[') {
            ++depth;
        } else if (c == u']' && --depth == 0) {
            break;
        }
    }
    if (i == n) {
        // The text ends inside the element: it is incomplete, so it is dropped, and nothing past the end is read.
        pos = n;
        return false;
    }
    const QStringView body = text.sliced(inside, i - inside);
    pos = i + 1;
    const qsizetype eq = body.indexOf(u'=');
    element.hasValue = eq >= 0;
    element.tag = element.hasValue ? body.first(eq) : body;
    element.value = element.hasValue ? body.sliced(eq + 1) : QStringView();
    return true;
}

QString UnescapeText(QStringView value)
{
    QString text = value.toString();
    if (!text.contains(u'&')) {
        return text;
    }
    // Three passes in this order, exactly undoing the writer's escaping.
    text.replace(QLatin1String("&1"), QLatin1String("["));
    text.replace(QLatin1String("&2"), QLatin1String("]"));
    text.replace(QLatin1String("&0"), QLatin1String("&"));
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
    while (pos < text.size()) {
        if (!NextTag(text, pos, element) || !element.hasValue) {
            continue;
        }
        const QString tag = NormalTag(element.tag);
        if (tag == QLatin1String("BOX")) {
            ParseBox(element.value, document, depth);
        } else if (tag == QLatin1String("MEDIA")) {
            ParseMedia(element.value, document, parent, depth);
        } else if (tag == QLatin1String("MOVIE")) {
            ParseMovie(element.value, document, parent);
        }
    }
}

void ParseBox(QStringView value, UEFCollection& document, int depth)
{
    static const QHash<QString, int> index = IndexFields(kBoxFields);
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
    static const QHash<QString, int> index = IndexFields(kMediaFields);
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
    static const QHash<QString, int> index = IndexFields(kMovieFields);
    // Picture flags of older texts: each "YES" adds its line to the picture text as it stands at that point.
    static const QHash<QString, QString> pictureFlags = {
        {QStringLiteral("ANAMORPHIC"), QStringLiteral("Anamorphic widescreen")},
        {QStringLiteral("WIDESCREEN"), QStringLiteral("Widescreen")},
        {QStringLiteral("FULLFRAME"), QStringLiteral("Fullframe")},
        {QStringLiteral("PAN&SCAN"), QStringLiteral("Pan & scan / Open matte")},
    };
    auto movie = std::make_shared<UEFMovie>();
    qsizetype pos = 0;
    Element element;
    while (pos < value.size()) {
        if (!NextTag(value, pos, element) || !element.hasValue) {
            continue;
        }
        const QString tag = NormalTag(element.tag);
        const auto found = index.constFind(tag);
        if (found != index.constEnd()) {
            (movie.get()->*kMovieFields[size_t(found.value())].set)(FieldValue(element.value));
            continue;
        }
        const auto flag = pictureFlags.constFind(tag);
        if (flag != pictureFlags.constEnd() && AnsiText::UCase(FieldValue(element.value)) == QLatin1String("YES")) {
            const QString& picture = movie->strPicture();
            movie->setStrPicture(picture.isEmpty() ? flag.value() : picture + QLatin1String("\r\n") + flag.value());
        }
    }
    if (!parent && !IsValidProductCode(movie->strUPC())) {
        return;
    }
    (parent ? *parent : document).Add(movie);
}

} // namespace UEFParser
