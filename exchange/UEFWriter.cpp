#include "UEFWriter.h"

#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

namespace UEFWriter {
namespace {

const QLatin1String kLineEnd("\r\n");

void AppendEscaped(QString& out, QStringView value)
{
    const char16_t* p = value.utf16();
    const char16_t* const end = p + value.size();
    // Copy runs between special characters in one go; covers are long and rarely need an escape.
    const char16_t* run = p;
    for (; p != end; ++p) {
        const char16_t c = *p;
        if (c != u'&' && c != u'[' && c != u']') {
            continue;
        }
        out.append(QStringView(run, p));
        out.append(u'&');
        out.append(c == u'&' ? u'0' : c == u'[' ? u'1' : u'2');
        run = p + 1;
    }
    out.append(QStringView(run, end));
}

template <class T, size_t N> void AppendFields(QString& out, const T& item, const std::array<UEFField<T>, N>& fields)
{
    for (const UEFField<T>& field : fields) {
        out.append(u'[');
        out.append(QLatin1String(field.tag));
        out.append(u'=');
        AppendEscaped(out, (item.*field.get)());
        out.append(u']');
        out.append(kLineEnd);
    }
}

void AppendCollection(QString& out, const UEFCollection& items, int depth);

void AppendContents(QString& out, const UEFCollection& contents, int depth)
{
    out.append(QLatin1String("[CONTENTS="));
    AppendCollection(out, contents, depth + 1);
    out.append(u']');
    out.append(kLineEnd);
}

void AppendBox(QString& out, const UEFBox& box, int depth)
{
    out.append(QLatin1String("[BOX="));
    out.append(kLineEnd);
    AppendFields(out, box, kBoxFields);
    AppendContents(out, *box.colContents(), depth);
    out.append(u']');
}

void AppendMedia(QString& out, const UEFMedia& media, int depth)
{
    out.append(QLatin1String("[MEDIA="));
    out.append(kLineEnd);
    AppendFields(out, media, kMediaFields);
    AppendContents(out, *media.colContents(), depth);
    out.append(u']');
}

void AppendMovie(QString& out, const UEFMovie& movie)
{
    out.append(QLatin1String("[MOVIE="));
    out.append(kLineEnd);
    AppendFields(out, movie, kMovieFields);
    out.append(u']');
}

// depth is how many contents lines enclose the entries of items.
void AppendCollection(QString& out, const UEFCollection& items, int depth)
{
    if (depth > UEFCollection::MaxDepth) {
        return;
    }
    for (const std::shared_ptr<QObject>& entry : items) {
        QObject* object = entry.get();
        if (const auto* box = qobject_cast<const UEFBox*>(object)) {
            AppendBox(out, *box, depth);
        } else if (const auto* media = qobject_cast<const UEFMedia*>(object)) {
            AppendMedia(out, *media, depth);
        } else if (const auto* movie = qobject_cast<const UEFMovie*>(object)) {
            AppendMovie(out, *movie);
        }
    }
}

} // namespace

QString SerializeCollection(const UEFCollection& items)
{
    QString out;
    AppendCollection(out, items, 0);
    return out;
}

QString WriteBox(const UEFBox& box)
{
    QString out;
    AppendBox(out, box, 0);
    return out;
}

QString WriteMedia(const UEFMedia& media)
{
    QString out;
    AppendMedia(out, media, 0);
    return out;
}

QString WriteMovie(const UEFMovie& movie)
{
    QString out;
    AppendMovie(out, movie);
    return out;
}

QString EscapeText(QStringView value)
{
    QString out;
    out.reserve(value.size());
    AppendEscaped(out, value);
    return out;
}

} // namespace UEFWriter
