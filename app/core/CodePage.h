#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Text the user typed that the store's 8-bit code page (Windows-1252) cannot hold is refused at OK with a message
// naming the characters and the field, never turned into "?" on the way to disk.
namespace CodePage {

// The characters of text the code page has no byte for, each once, in order of first appearance. A character outside
// the basic plane is one entry of two UTF-16 units; a lone surrogate is an entry of its own.
QStringList UnencodableCharacters(QStringView text);

// One field a dialog checks at OK: its label as the user sees it, without "&" or ":", and its text.
struct Field
{
    QString name;
    QString text;
};

// The refusal for one field, or the empty string when the field's text can be stored. For example:
//   The field "Title" holds characters that cannot be stored: "ł" (U+0142), "✓" (U+2713).
QString RefusalMessage(const QString& fieldName, QStringView text);
// The refusals of every field that holds such characters, one line each, followed by a line asking to change them;
// the empty string when every field can be stored.
QString RefusalMessage(const QList<Field>& fields);

} // namespace CodePage
