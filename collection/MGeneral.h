#pragma once

#include <QString>
#include <QStringView>

// Helpers that the five collections share for their folder names and record lines.
namespace MGeneral {

// The name with the characters a folder name cannot hold ("?", "/", "\", "*", ":", '"', "<", ">", and the control
// characters U+0000 to U+001F and U+007F) replaced by "_".
QString MakeSafeName(QStringView name);

// The record lines of a multi-valued field: one "key = entry" line per entry (entries are separated by CR LF) that
// is not blank, joined by CR LF, without a final CR LF; empty when there is no such entry. A lone CR or LF inside an
// entry is written as a space, so an entry never becomes a line of its own.
QString FormatMultiLine(QStringView key, QStringView text);

// A single-valued record value with CR and LF written as spaces.
QString FlattenLine(QStringView value);

// The item folder name from a base name, a variant number (0 or 1 for none, else "_<n>" after the base) and an id:
// MakeSafeName(base), the variant, "." and the id, with the base shortened at a character boundary so the whole
// name fits in 255 bytes of the file system's encoding.
QString ItemFolderName(QStringView baseName, int variant, int id);

} // namespace MGeneral
