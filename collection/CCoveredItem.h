#pragma once

#include "CItem.h"

// Boxes, media and movies keep a front and a back cover image file in their item folder, named "FrontCover." or
// "BackCover." and the image's extension, at most one of each.
class CCoveredItem : public CItem
{
    Q_OBJECT
    Q_PROPERTY(QString strFrontCover READ strFrontCover)
    Q_PROPERTY(QString strBackCover READ strBackCover)

public:
    // The cached cover file names (without folder), empty when there is none.
    QString strFrontCover() const;
    QString strBackCover() const;

    // Remove that side's cover files and empty its cache; nothing while Path is empty. True when no cover file of
    // that side is left.
    Q_INVOKABLE bool DeleteFrontCover();
    Q_INVOKABLE bool DeleteBackCover();
    // Replace that side's cover by a copy of strFile. The extension comes from the file name and must be 1 to 8
    // letters or digits; otherwise, while Path is empty, or when the copy fails, nothing changes. The new cover is on
    // disk before the old one is removed; an old name differing from the new one only in case is removed only while
    // the folder still lists both (on a file system that ignores case they are one file). True when the new cover is
    // on disk and the old ones are gone.
    Q_INVOKABLE bool AddFrontCover(const QString& strFile);
    Q_INVOKABLE bool AddBackCover(const QString& strFile);

    // The name a copy of strFile takes as that side's cover: "FrontCover." or "BackCover." and the extension of the
    // file's name; empty when that extension is not 1 to 8 letters or digits.
    static QString CoverFileName(bool front, const QString& strFile);

    void setPath(const QString& value) override;

    // Removes the cover files of each side but the one the item names (left by an interrupted cover change) when
    // they are really other files (see AddFrontCover); true when any went. The folder is not synced.
    bool RemoveOtherCovers();

protected:
    // lazyCovers: look a cover up on first read instead of when Path is set (movies).
    CCoveredItem(int initialId, bool lazyCovers, QObject* parent);

private:
    enum Side
    {
        Front,
        Back
    };
    QString Cover(Side side) const;
    void LookUp(Side side) const;
    bool DeleteCover(Side side);
    bool AddCover(Side side, const QString& strFile);
    // Whether the cover file `name` is another file than `kept`, by the folder's own listing.
    bool IsOtherFile(const QString& name, const QString& kept) const;

    bool m_lazyCovers;
    mutable QString m_cover[2];
};
