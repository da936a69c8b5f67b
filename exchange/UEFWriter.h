#pragma once

#include "UEFCollection.h"

#include <QString>
#include <QStringView>

class UEFBox;
class UEFMedia;
class UEFMovie;

// Writes items as exchange text: per item an opener line, one "[TAG=value]" line per field, for a box or medium a
// "[CONTENTS=...]" line holding the nested items, and a closing "]". Values are escaped so the text's brackets
// always balance. Entries that are not items are skipped; contents deeper than UEFCollection::MaxDepth are left out.
namespace UEFWriter {

// The item texts of every entry of the collection, joined with nothing between them.
QString SerializeCollection(const UEFCollection& items);

QString WriteBox(const UEFBox& box);
QString WriteMedia(const UEFMedia& media);
QString WriteMovie(const UEFMovie& movie);

// "&" -> "&0", then "[" -> "&1", then "]" -> "&2"; nothing else changes.
QString EscapeText(QStringView value);

} // namespace UEFWriter
