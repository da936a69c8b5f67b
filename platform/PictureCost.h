#pragma once

#include <QByteArrayView>
#include <QSize>

// What decoding a picture will cost, read from its bytes before the decoder sees them: a header of a few bytes may
// declare a small picture whose data still costs seconds.
namespace PictureCost {

// What a GIF's decoder does with its first frame: the screen it allocates and paints, and how many pixels the frame's
// codes stand for. The screen is the size the header declares, except that a width or height of zero, or ten times
// beyond both the frame's and 16,384, gives way to the frame's far edge. The decoder walks every pixel its codes stand
// for, inside the frame or not, and one code may stand for thousands: a megabyte of codes can cost seconds.
struct GifFrame
{
    bool found = false;
    QSize screen;
    QSize size;
    qint64 pixels = 0;
};

// More pixels than its frame holds that a GIF's codes may stand for: an encoder ends on a code whose string may run
// past the frame's last pixel.
constexpr qint64 kGifOverrun = 4096;

// Walks the blocks to the first frame (a colour table, then extensions of sub-blocks) and counts its codes' pixels,
// up to one past the frame's area and the overrun.
GifFrame FirstGifFrame(QByteArrayView bytes);

} // namespace PictureCost
