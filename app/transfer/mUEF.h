#pragma once

#include <QString>

#include <memory>

class UEF;
class UEFBox;
class UEFCollection;
class UEFMedia;
class UEFMovie;

// The mapping between collection items and exchange objects, in both directions. Boxes, media and movies travel;
// categories and groups never do. Nothing here shows a message: a failing step is skipped.

// The whole file, one character per byte; empty when it cannot be read.
QString ReadFileText(const QString& strPath);
// Writes strData, one byte per character, nothing added, through a temporary file renamed over strPath. False when
// the write failed; the old file is then left as it was.
bool WriteFileText(const QString& strPath, const QString& strData);

// A new document holding the box ("B..."), medium ("E...") or movie ("M...") of strKey with everything inside it;
// empty for any other key. With blnEmbedCovers the cover images travel as bytes with their extension, otherwise as
// percent-encoded file URLs of the store's cover files, for the page view. Reads the collections and the box and
// medium child lists (BuildChildLists must have run since the last change of a parent); changes nothing.
std::shared_ptr<UEF> CreateUEF(const QString& strKey, bool blnEmbedCovers);

// Parses exchange text and adds every box, medium and movie in it, with contents and covers, under strParentKey.
// Returns how many top-level items were added (0: nothing imported). The child lists are out of date afterwards.
// refused, when given, receives how many items of the text the parser left out (a product code it refused).
int ImportUEF(const QString& strUEF, const QString& strParentKey, int* refused = nullptr);

// How many items of an exchange text the parser puts to the product-code check: every box, and every medium and
// movie at the top level.
int CountCheckedItems(QStringView strUEF);

// One item of each kind, appended to the end of colTarget. A key that names no item still gives an empty entry.
void ExportMovie(const QString& strKey, UEFCollection& colTarget, bool blnEmbed);
void ExportMedia(const QString& strKey, UEFCollection& colTarget, bool blnEmbed);
void ExportBox(const QString& strKey, UEFCollection& colTarget, bool blnEmbed);

// One entry (and its contents) added under strParentKey; the new item's key, or empty when nothing was added.
QString ImportMovie(const UEFMovie& entry, const QString& strParentKey);
QString ImportMedia(const UEFMedia& entry, const QString& strParentKey);
QString ImportBox(const UEFBox& entry, const QString& strParentKey);
