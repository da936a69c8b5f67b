#pragma once

#include "editors/PendingCovers.h"

#include <QLabel>
#include <QPixmap>

class QPushButton;

// A cover picture of the movie, media and box editors. The picture is fitted into the cover box (209 x 286 pixels at
// 96 dpi, scaled with the screen) with its own proportions.
class CoverPicture : public QLabel
{
    Q_OBJECT

public:
    explicit CoverPicture(QWidget* parent = nullptr);

    // The cover box in pixels on this screen.
    QSize BoxSize() const;
    // Shows the picture in the file, fitted into the box by the size its header gives and decoded at most at that size
    // (Picture::LoadFileScaled); an unreadable picture, or one too large to decode, leaves the control empty at the
    // box's size. False when the file could not be loaded as a picture.
    bool ShowFile(const QString& path);
    void Clear();
    bool HasPicture() const { return !m_picture.isNull(); }

    QSize sizeHint() const override { return BoxSize(); }

private:
    QPixmap m_picture;
};

// Asks for a cover picture file; the empty string when the user cancels.
QString PickCoverFile(QWidget* parent);

// Shows an item's stored covers; a side without a cover is left as it is.
void ShowStoredCovers(const StoredCovers& covers, CoverPicture* front, CoverPicture* back);
// The add-cover button of the movie, media and box editors: asks for a file under the busy cursor, then shows it in
// the picture and keeps it pending for the save. A cancelled pick changes nothing.
void PickCoverInto(QWidget* parent, CoverPicture* picture, PendingCovers& covers, PendingCovers::Side side);
// The delete-cover button: empties the picture and marks the side's cover to be deleted on save.
void DeleteCoverFrom(CoverPicture* picture, PendingCovers& covers, PendingCovers::Side side);

// One side's picture with its add and delete buttons.
struct CoverSide
{
    CoverPicture* picture;
    QPushButton* add;
    QPushButton* remove;
};
// Wires both sides' buttons to PickCoverInto and DeleteCoverFrom for the dialog and its pending covers.
void ConnectCoverButtons(QWidget* dialog, PendingCovers& covers, const CoverSide& front, const CoverSide& back);
