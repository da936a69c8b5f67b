#include "core/CodePage.h"

#include "AnsiText.h"

namespace CodePage {
namespace {

// The character, quoted, with its code point, so an invisible or look-alike character can still be found.
QString Describe(const QString& character)
{
    // Computed by hand: a conversion would show a lone surrogate as U+FFFD.
    const char32_t point = character.size() == 2 ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                                                 : char32_t(character.at(0).unicode());
    const QString code = QStringLiteral("U+%1").arg(uint(point), point > 0xFFFF ? 5 : 4, 16, QChar(u'0')).toUpper();
    const bool loneSurrogate = character.size() == 1 && character.at(0).isSurrogate();
    if (loneSurrogate || !QChar::isPrint(point)) {
        return code;
    }
    return QStringLiteral("\"%1\" (%2)").arg(character, code);
}

} // namespace

QStringList UnencodableCharacters(QStringView text)
{
    QStringList found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            length = 2;
        }
        const QStringView character = text.mid(i, length);
        i += length - 1;
        if (AnsiText::IsEncodable(character)) {
            continue;
        }
        const QString one = character.toString();
        if (!found.contains(one)) {
            found.append(one);
        }
    }
    return found;
}

QString RefusalMessage(const QString& fieldName, QStringView text)
{
    const QStringList characters = UnencodableCharacters(text);
    if (characters.isEmpty()) {
        return {};
    }
    QStringList described;
    for (const QString& character : characters) {
        described.append(Describe(character));
    }
    return QStringLiteral("The field \"%1\" holds characters that cannot be stored: %2.")
        .arg(fieldName, described.join(QStringLiteral(", ")));
}

QString RefusalMessage(const QList<Field>& fields)
{
    QStringList lines;
    for (const Field& field : fields) {
        const QString line = RefusalMessage(field.name, field.text);
        if (!line.isEmpty()) {
            lines.append(line);
        }
    }
    if (lines.isEmpty()) {
        return {};
    }
    lines.append(QStringLiteral("Please change or remove them."));
    return lines.join(u'\n');
}

} // namespace CodePage
