#pragma once

#include "editors/PendingCovers.h"

#include <QLabel>
#include <QPixmap>

// A cover picture of the movie, media and box editors. The picture is fitted into the cover box (209 x 286 pixels at
// 96 dpi, scaled with the screen) with its own proportions.
class CoverPicture : public QLabel
{
    Q_OBJECT

public:
    explicit CoverPicture(QWidget* parent = nullptr);

    // The cover box in pixels on this screen.
    QSize BoxSize() const;
    // Shows the picture in the file, fitted into the box by the size its header gives; an unreadable picture leaves
    // the control empty at the box's size. False when the file could not be loaded as a picture.
    bool ShowFile(const QString& path);
    void Clear();
    bool HasPicture() const { return !m_picture.isNull(); }

    QSize sizeHint() const override { return BoxSize(); }

private:
    QPixmap m_picture;
};

// Asks for a cover picture file; the empty string when the user cancels.
QString PickCoverFile(QWidget* parent);
