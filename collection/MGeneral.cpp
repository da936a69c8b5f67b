#include "MGeneral.h"

#include "AnsiText.h"

namespace MGeneral {
namespace {

constexpr qsizetype kMaxNameBytes = 255;

// Bytes of the code point starting at text[i] in UTF-8, the file system's encoding; width is set to its QChar count.
int Utf8Bytes(QStringView text, qsizetype i, int& width)
{
    const char16_t c = text[i].unicode();
    width = 1;
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        width = 2;
        return 4;
    }
    if (c < 0x80) {
        return 1;
    }
    if (c < 0x800) {
        return 2;
    }
    return 3;
}

} // namespace

QString MakeSafeName(QStringView name)
{
    QString safe = name.toString();
    for (QChar& c : safe) {
        // Control characters (an escape, a line break from an imported title) never reach a folder name either.
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = u'_';
            continue;
        }
        switch (c.unicode()) {
        case u'?':
        case u'/':
        case u'\\':
        case u'*':
        case u':':
        case u'"':
        case u'<':
        case u'>':
            c = u'_';
            break;
        default:
            break;
        }
    }
    return safe;
}

QString FlattenLine(QStringView value)
{
    QString flat = value.toString();
    for (QChar& c : flat) {
        if (c == u'\r' || c == u'\n') {
            c = u' ';
        }
    }
    return flat;
}

QString FormatMultiLine(QStringView key, QStringView text)
{
    QString result;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u"\r\n", start);
        if (end < 0) {
            end = text.size();
        }
        const QString entry = FlattenLine(text.mid(start, end - start));
        if (!AnsiText::Trim(entry).isEmpty()) {
            if (!result.isEmpty()) {
                result += u"\r\n";
            }
            result += key;
            result += u" = ";
            result += entry;
        }
        start = end + 2;
    }
    return result;
}

QString ItemFolderName(QStringView baseName, int variant, int id)
{
    QString suffix;
    if (variant > 1) {
        suffix = u'_' + QString::number(variant);
    }
    suffix += u'.' + QString::number(id);
    const QString safe = MakeSafeName(baseName);
    const qsizetype room = kMaxNameBytes - suffix.toUtf8().size();
    qsizetype bytes = 0;
    qsizetype keep = 0;
    while (keep < safe.size()) {
        int width = 1;
        const int n = Utf8Bytes(safe, keep, width);
        if (bytes + n > room) {
            break;
        }
        bytes += n;
        keep += width;
    }
    return safe.left(keep) + suffix;
}

} // namespace MGeneral
