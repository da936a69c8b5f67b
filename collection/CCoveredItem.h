#pragma once

#include "CItem.h"
#include "Result.h"

#include <QByteArray>
#include <QStringList>

#include <utility>
#include <vector>

// The items that carry covers (boxes, media and movies): their base class and what one save does to the covers.

// What one save of a box, medium or movie does to a side's cover.
struct CoverChange
{
    enum class Action
    {
        Keep,
        Delete,
        Replace, // by a copy of file
    };
    Action action = Action::Keep;
    QString file;

    static CoverChange Delete() { return {Action::Delete, {}}; }
    static CoverChange Replace(const QString& file) { return {Action::Replace, file}; }
};
struct CoverChanges
{
    CoverChange front;
    CoverChange back;

    bool IsEmpty() const
    {
        return front.action == CoverChange::Action::Keep && back.action == CoverChange::Action::Keep;
    }
};

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
    // that side is left and the disk confirmed it.
    Q_INVOKABLE bool DeleteFrontCover();
    Q_INVOKABLE bool DeleteBackCover();
    // Replace that side's cover by a copy of strFile. The extension comes from the file name and must be 1 to 8
    // letters or digits; otherwise, while Path is empty, or when the copy fails, nothing changes. The new cover and
    // the removal of the old ones are one step of the store (ItemStore::ChangeCovers); an old name differing from
    // the new one only in case is removed only while the folder still lists both (on a file system that ignores case
    // they are one file). True when the new cover is on disk, the old ones are gone and the disk confirmed it.
    Q_INVOKABLE bool AddFrontCover(const QString& strFile);
    Q_INVOKABLE bool AddBackCover(const QString& strFile);

    // What a save does on disk for the changes: the cover files to write (name, bytes) and the old cover files to
    // remove, by name. A picture that is the stored cover itself is kept. A failure, naming the file, when a picked
    // picture cannot be read or its name has no plain extension; then nothing is to change.
    struct CoverWrites
    {
        std::vector<std::pair<QString, QByteArray>> written;
        QStringList removed;
    };
    Result<CoverWrites> PlanCovers(const CoverChanges& changes) const;
    // After a save of the changes reached the disk: with confirmed, the covers as the folder lists them now; else as
    // the save's steps leave them once a later save or the next start has finished them.
    void CoversSaved(const CoverChanges& changes, bool confirmed);

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
    bool ChangeCover(Side side, const CoverChange& change);
    // Whether the cover file `name` is another file than `kept`, by the folder's own listing.
    bool IsOtherFile(const QString& name, const QString& kept) const;

    bool m_lazyCovers;
    mutable QString m_cover[2];
    // Set by a save whose steps are not all done yet: the name stands as the save leaves it, even an empty one,
    // rather than as the folder lists it now.
    mutable bool m_known[2] = {false, false};
};
