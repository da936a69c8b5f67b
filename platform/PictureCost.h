#pragma once

#include <QByteArrayView>
#include <QSize>

// What decoding a picture will cost, read from its bytes before the decoder sees them: a header of a few bytes may
// declare a small picture whose data still costs seconds.
namespace PictureCost {

// What a GIF's decoder does with its first frame: the screen it allocates and paints, and whether the frame's codes
// stand for no more pixels than the frame holds, and at most 4,096 more (an encoder ends on a code whose string may
// run past the frame's last pixel). The screen is the size the header declares, except that a width or height of
// zero, or ten times beyond both the frame's and 16,384, gives way to the frame's far edge. The decoder walks every
// pixel its codes stand for, inside the frame or not, and one code may stand for thousands: a megabyte of codes can
// cost seconds.
struct GifFrame
{
    bool found = false;
    QSize screen;
    bool codesWithinFrame = false;
};

// Walks the blocks to the first frame (a colour table, then extensions of sub-blocks) and counts its codes' pixels,
// up to one past what the frame allows.
GifFrame FirstGifFrame(QByteArrayView bytes);

// A JPEG's decoder reads every scan of the picture before it gives any pixel, and each scan costs a pass over all the
// picture's blocks: a progressive picture has some ten scans, and a file of a few kilobytes may have thousands. What a
// picture may cost, in pixels times scans: about half a second of decoding here.
constexpr qint64 kMaxJpegScanPixels = qint64(1) << 30;

// The scans in a JPEG, counted along its markers as its decoder reads them: segments by their lengths, and the coded
// data after each scan up to the next marker (not a restart marker, nor a 0xFF stuffed with 0x00). 0 for no JPEG.
qint64 JpegScans(QByteArrayView bytes);

// A PNG's decoder inflates its image data to the end of the stream, on past the last row if the stream goes on, and
// each compressed text or colour-profile chunk up to 8,000,000 bytes (its limit for one chunk); at up to 1,032 bytes
// for each byte of the file, a few kilobytes may stand for gigabytes. Whether the image data inflates to no more than
// the rows the header declares need, and the compressed chunks to no more than 32,000,000 bytes in all.
bool PngWithinCost(QByteArrayView bytes);

} // namespace PictureCost
