#pragma once

#include <QByteArrayView>
#include <QSize>
#include <QString>

// The pixel size of a cover picture, read from the header of a PNG, GIF or JPEG file, so the cover can be shown with
// its own proportions. (0, 0) means the size is not known: a missing, unreadable, too short or foreign file, or a
// picture too large to be shown (beyond Picture::kMaxDecodedBytes decoded), which shows as missing.

// hi * 256 + lo, 0 to 65535.
int MakeWord(unsigned char lo, unsigned char hi);

// The size of the picture in the file at strPath. Only regular files are read, and only their first
// kMaxImageHeaderBytes bytes; a pipe or a device is never opened for a blocking read.
QSize GetImageSize(const QString& strPath);
// The same for a file's bytes already in memory.
QSize GetImageSizeFromBytes(QByteArrayView bytes);

// How much of a file GetImageSize looks at: the size fields of real pictures lie far inside it.
inline constexpr qint64 kMaxImageHeaderBytes = 16 * 1024 * 1024;

// The cover display box, in twips, that a cover is fitted into.
inline constexpr QSize kCoverBoxTwips{3135, 4290};

// The size a picture of the given pixel size is shown at inside box, keeping its proportions: the full width when
// the picture is relatively wider than the box, else the full height; the box itself when the size is not known.
// Halves round to the even neighbour.
QSize FitCoverSize(const QSize& picture, const QSize& box = kCoverBoxTwips);
