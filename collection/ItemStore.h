#pragma once

#include "CItem.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The on-disk store: one folder per item under its kind folder, with the text record "content.mdc", for movies
// "Notes.txt" and "Synopsis.txt", and the cover files. Only the collections call these.
namespace ItemStore {

// "Categories", "Groups", "Boxes", "Medias" or "Movies".
QString KindFolder(ItemKind kind);
// A new, empty item of the kind.
std::shared_ptr<CItem> NewItem(ItemKind kind);

// Every entry of a folder but "." and "..", files and folders alike, in name order; nothing when the folder cannot
// be listed.
std::optional<QStringList> ListEntries(const QString& folder);
// The number of entries ListEntries gives; 0 when the folder cannot be listed.
int CountEntries(const QString& folder);

// The text of "content.mdc" for the item.
QString RecordText(const CItem& item);
// Applies the lines of a record text to a new item (the id through its once-only setter); the bytes form reads the
// file's 8-bit text as it lies on disk.
void ApplyRecord(CItem& item, QStringView text);
void ApplyRecordBytes(CItem& item, QByteArrayView text);

// The item stored in folderPath, or null when its record cannot be read or holds no usable id.
std::shared_ptr<CItem> ReadItem(ItemKind kind, const QString& folderPath);
// Writes the item's record files. The first save (empty Path) creates the item folder under
// dbDir/<kind folder>/ exclusively, taking a free variant of the name when it exists, and sets Path. Each file is
// written to a temporary file and renamed over the old one, so a failed save leaves the old files. True when every
// record file was written.
bool SaveItem(CItem& item, const QString& dbDir);
// Deletes every file in the item's folder and the folder; nothing on disk when Path is empty.
void DeleteItemFolder(const CItem& item);

} // namespace ItemStore
