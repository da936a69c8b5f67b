#pragma once

#include "CCoveredItem.h"
#include "Result.h"

#include <QString>

class CItemList;

// The cover choices an editor holds until OK: for each side, empty keeps the stored cover, "/" deletes it, and any
// other value is the path of a picked picture that is copied in. The last choice before OK wins; Cancel drops them.
class PendingCovers
{
public:
    enum class Side
    {
        Front,
        Back,
    };

    // The value that deletes a stored cover on save.
    static inline const QString kDelete = QStringLiteral("/");

    QString front() const { return m_front; }
    QString back() const { return m_back; }
    QString Value(Side side) const { return side == Side::Front ? m_front : m_back; }
    bool IsEmpty() const { return m_front.isEmpty() && m_back.isEmpty(); }

    // Both sides back to "keep", as each opening of an editor starts.
    void Reset();
    // The user picked a picture file for a side (one PickRefusal accepts); an empty path changes nothing (a
    // cancelled pick).
    void Pick(Side side, const QString& path);
    // The user deleted a side's cover.
    void Delete(Side side);

    // Why a picked file cannot be a cover, naming it: not a GIF, JPEG, PNG or BMP picture that decodes within the size
    // limit (Picture::CheckFile), or a name whose extension does not name the picture's format (the store keeps the
    // cover under it). Empty when it can.
    static QString PickRefusal(const QString& path);

    // Saves the stored item `key` of collection, its fields set already, with the choices in the same one save as its
    // record (CItemList::Save): "/" deletes the cover, a path replaces it, empty keeps it. The save's answer: nothing
    // replaced, or replaced and perhaps not confirmed by the disk (Result::Reached).
    Result<> Apply(CItemList& collection, const QString& key) const;
    // The choices as the store takes them.
    CoverChanges Changes() const;
    // The covers a new item is created with: the picked files (a delete means no cover).
    QString NewFile(Side side) const;

private:
    QString m_front;
    QString m_back;
};

// The covers an item has stored, as its editor shows them when it opens: each side's file, empty where it has none.
struct StoredCovers
{
    QString front;
    QString back;

    friend bool operator==(const StoredCovers&, const StoredCovers&) = default;
};
StoredCovers StoredCoversOf(const CCoveredItem& item);

// The open dialog's filter for cover pictures. File names are case-sensitive here, so both cases are listed, and PNG
// is offered as well since its size can be read.
QString CoverFileFilter();
