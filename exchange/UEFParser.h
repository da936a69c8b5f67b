#pragma once

#include "UEFCollection.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <atomic>
#include <memory>

// Reads exchange text back into item objects. Lenient: unknown tags, stray text and stray closing brackets are
// skipped, nothing is reported. A box anywhere, and a medium or movie at the top level, enters the document only when
// "Codevet.UPCObject" accepts its product code; without that component such items are refused.
namespace UEFParser {

// One bracketed element, split at its first "=". Views into the scanned text.
struct Element
{
    QStringView tag;
    QStringView value;
    bool hasValue = false; // false for "[TAG]" and "[]"
};

// Takes the next element of text from position pos on and moves pos past it. Returns false when there is none: after
// a "]" that came before any "[" (pos then stands after it), when no bracket remains, and when the text ends inside
// an element (a cut-off element is dropped); in the last two cases pos becomes the end of the text. Every call with
// pos before the end moves pos forward.
bool NextTag(QStringView text, qsizetype& pos, Element& element);

// "&1" -> "[", then "&2" -> "]", then "&0" -> "&".
QString UnescapeText(QStringView value);
// The same on a file's bytes (the escapes are ASCII): the encoded UnescapeText of the text they decode to.
QByteArray UnescapeBytes(QByteArrayView value);

// Parses a run of items. document is the top-level collection (boxes always land there); parent is the collection
// of the enclosing item, or null at the top level; depth counts the contents levels around text.
void ParseItems(QStringView text, UEFCollection& document, UEFCollection* parent, int depth = 0);

// What a parse left out: the items whose product code was refused (what lies inside them is never read, nor counted),
// the items nested deeper than UEFCollection::MaxDepth, and the items inside a movie, which holds none.
struct LeftOut
{
    int refused = 0;
    int tooDeep = 0;
    int misplaced = 0;
};
// What whoever runs a parse hands it: a flag that stops it (looked at often; a stopped parse ends where it is, and what
// it read so far stays in the document), and the product-code checker to use (null: the parse makes one at its first
// check), so a parse on a worker thread needs nothing of the thread that started it.
struct ParseControl
{
    const std::atomic<bool>* stop = nullptr;
    std::shared_ptr<QObject> checker;
};
// A whole text parsed into document (ParseItems at the top level), counting what was left out.
void ParseDocument(QStringView text, UEFCollection& document, LeftOut& leftOut, const ParseControl& control = {});
// The same for a file's bytes: what ParseDocument makes of the text AnsiText decodes them to, without decoding the
// covers, which the items hold as where they stand in the bytes (UEFCover, which shares them).
void ParseDocument(const QByteArray& bytes, UEFCollection& document, LeftOut& leftOut,
                   const ParseControl& control = {});

// How many boxes, media and movies a whole text holds at any depth, without making any: at least as many as a parse
// of it makes. Cheap beside a parse: nothing is unescaped, nothing is allocated per item. 0 once stop is set.
int CountItems(QStringView text, const std::atomic<bool>* stop = nullptr);
int CountItems(const QByteArray& bytes, const std::atomic<bool>* stop = nullptr);

void ParseBox(QStringView value, UEFCollection& document, int depth);
void ParseMedia(QStringView value, UEFCollection& document, UEFCollection* parent, int depth);
void ParseMovie(QStringView value, UEFCollection& document, UEFCollection* parent);

} // namespace UEFParser
