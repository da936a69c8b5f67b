#pragma once

#include "core/mUEF.h"

#include "Result.h"

#include <QString>
#include <QtGlobal>

// The exchange-file commands without their windows: what the export writes and the import reads, and what the user
// is told. The file dialogs, the busy cursor and the messages themselves belong to the window (TransferCommands).
namespace UEFFile {

// The file dialogs' filter: one entry, both cases of the extension.
QString FileFilter();

// Whether an item of this key can be exported: a box, a medium or a movie.
bool IsExportable(const QString& strKey);
QString NotExportableMessage();

// The file's content for the item of strKey: its exchange text with the covers embedded, followed by CR LF.
QString ExportText(const QString& strKey);

// Writes text to path through the safe writer: a temporary file renamed over the target, so a failed write leaves
// an existing file as it was. A failure's why is what the user is told: it names the file. An unconfirmed failure
// (the folder's sync after the rename failed) has replaced the file, and its why says so.
Result<> WriteExport(const QString& path, const QString& text);

struct ImportOutcome
{
    int added = 0;       // top-level items added
    int refused = 0;     // items the product-code check left out
    int tooDeep = 0;     // items nested deeper than the exchange format's limit, left out
    int misplaced = 0;   // items inside one that cannot hold their kind, left out
    int covers = 0;      // covers that were no picture, left out
    bool failed = false; // a write failed: nothing was imported and the collection is as it was
    // Stopped by the progress hook: nothing was imported, and there is nothing to tell.
    bool cancelled = false;
    // What the user is told; empty when everything in the file was imported.
    QString message;
};

// What the user is told of the items an import left out by their cause, a paragraph each; empty when none was.
// The product-code paragraph is left to the caller when withRefused is false.
QString LeftOutText(const ImportResult& result, bool withRefused = true);

// The largest exchange file the import takes: covers travel inside, but never this much.
constexpr qint64 kExchangeFileCap = 64 * 1024 * 1024;

// Reads the file at path (regular files only, with a size cap) and imports its items under strParentKey, telling
// progress every few milliseconds (see ImportExchange).
ImportOutcome ImportFile(const QString& path, const QString& strParentKey, const ImportProgress& progress = {});

} // namespace UEFFile
