#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
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
// the write failed, which leaves the old file as it was, and also when the new file is in place but the disk did not
// confirm it.
bool WriteFileText(const QString& strPath, const QString& strData);

// A new document holding the box ("B..."), medium ("E...") or movie ("M...") of strKey with everything inside it;
// empty for any other key. With blnEmbedCovers the cover images travel as bytes with their extension, otherwise as
// percent-encoded file URLs of the store's cover files, for the page view. Reads the collections and the box and
// medium child lists (BuildChildLists must have run since the last change of a parent); changes nothing.
std::shared_ptr<UEF> CreateUEF(const QString& strKey, bool blnEmbedCovers);

// What an import of exchange text came to.
struct ImportResult
{
    int added = 0;   // top-level items added
    int refused = 0; // items the product-code check left out (what lies inside them is never read, nor counted)
    int tooDeep = 0; // items nested deeper than the exchange format's limit, left out
    // Items inside one that cannot hold their kind, left out with what they hold: a medium in a medium, anything in a
    // movie.
    int misplaced = 0;
    // Covers that are no picture the program shows (GIF, JPEG, PNG or BMP it can decode, within the size limit), left
    // out; their items came in without them.
    int covers = 0;
    // Why the import was refused before anything was written, as a clause naming the count ("it holds 250000 items,
    // ..."): too many items, or too little room on the store's disk. Empty when it went ahead.
    QString tooLarge;
    QString error; // what could not be written (the folder or file, and why); then nothing was added
    int left = 0;  // after a failure or a stop: items made that could not be removed again and are in the store
    // The progress hook asked to stop: a failure whose error says "cancelled".
    bool cancelled = false;
};

// Told every few milliseconds while an import runs how many of how many items (boxes, media and movies, contents
// included) are written: (0, 0) while the text is read or another worker still holds the store, the last count
// again while the items go in place. Returning false stops the import at once, which then removes what it made in
// the background, as after a failed write.
using ImportProgress = std::function<bool(int done, int total)>;

// The most items (boxes, media and movies, contents included) one import takes: a file of a million tiny items would
// otherwise take many minutes and gigabytes before anything is shown.
inline constexpr int kMaxImportItems = 200000;

// What one import may cost. More items than maxItems, or items and covers that would not fit on the store's disk, and
// the import is refused before anything is written.
struct ImportBounds
{
    int maxItems = kMaxImportItems;
    // The free bytes and the free file entries of the store's disk; negative: asked of the disk.
    qint64 freeBytes = -1;
    qint64 freeFiles = -1;
};

// Parses exchange text and adds every box, medium and movie in it, with contents and covers, under strParentKey:
// each item whole, everything synced before and after it goes in place; when anything could not be written,
// everything made is removed again and the collection is as it was. Waits first until no other worker of the
// program holds the store (StoreGate), and holds it until what it wrote is in place or removed again. The child
// lists are out of date afterwards.
// Before any of that, the items are counted, and after the parse what they need on disk is weighed (see
// ImportBounds); a refused import sets tooLarge and changes nothing. An embedded cover is stored only when it is a
// picture (Picture::Check), under Picture::Extension of its own; others are counted in covers.
ImportResult ImportExchange(const QString& strUEF, const QString& strParentKey, const ImportProgress& progress = {},
                            const ImportBounds& bounds = {});
// The same for an exchange file's bytes: what ImportExchange makes of the text AnsiText decodes them to, byte for byte,
// without turning the file into text; the covers go from the file to the store as bytes.
ImportResult ImportExchangeBytes(const QByteArray& bytes, const QString& strParentKey,
                                 const ImportProgress& progress = {}, const ImportBounds& bounds = {});
// The same, giving the number of top-level items added (0: nothing imported) and, when asked, how many the
// product-code check left out.
int ImportUEF(const QString& strUEF, const QString& strParentKey, int* refused = nullptr);

// The items of an exchange text the parser leaves out: those whose product code it refuses (every box, and every
// medium and movie at the top level, is checked; what lies inside a refused item is not counted), and those nested
// deeper than UEFCollection::MaxDepth; and the covers of the items it would add that are no picture.
struct LeftOut
{
    int refused = 0;
    int tooDeep = 0;
    int misplaced = 0;
    int covers = 0;
};
LeftOut CountLeftOut(QStringView strUEF);

// One item of each kind, appended to the end of colTarget. A key that names no item still gives an empty entry.
void ExportMovie(const QString& strKey, UEFCollection& colTarget, bool blnEmbed);
void ExportMedia(const QString& strKey, UEFCollection& colTarget, bool blnEmbed);
void ExportBox(const QString& strKey, UEFCollection& colTarget, bool blnEmbed);

// One entry (and its contents) added under strParentKey, whole and synced; the new item's key, or empty when nothing
// was added (then nothing of it is kept).
QString ImportMovie(const UEFMovie& entry, const QString& strParentKey);
QString ImportMedia(const UEFMedia& entry, const QString& strParentKey);
QString ImportBox(const UEFBox& entry, const QString& strParentKey);
