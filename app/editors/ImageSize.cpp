#include "editors/ImageSize.h"

#include "Picture.h"
#include "SafeFile.h"

#include <cmath>

namespace {

// Bytes addressed from 1, as the header layouts are given; nothing past the end is ever read.
class Bytes
{
public:
    explicit Bytes(QByteArrayView data) : m_data(data) {}
    qint64 Length() const { return m_data.size(); }
    bool Has(qint64 pos) const { return pos >= 1 && pos <= Length(); }
    unsigned char At(qint64 pos) const { return Has(pos) ? static_cast<unsigned char>(m_data[pos - 1]) : 0; }
    int Word(qint64 hiPos, qint64 loPos) const { return MakeWord(At(loPos), At(hiPos)); }

private:
    QByteArrayView m_data;
};

// Whether a picture of this many pixels may be decoded to be shown (Picture::kMaxDecodedBytes at 4 bytes a pixel).
bool Showable(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= Picture::kMaxDecodedBytes / 4 / height;
}

// The size when it is known and the picture may be shown; a larger one is not shown, so its size is not known.
QSize Known(int width, int height)
{
    return Showable(width, height) ? QSize(width, height) : QSize(0, 0);
}

QSize JpegSize(const Bytes& file)
{
    const qint64 length = file.Length();
    qint64 pos = 3;
    for (;;) {
        // Find the next marker: a 255 followed by something other than 255 (fill bytes are skipped). Every pass
        // advances, so the walk ends at the end of the file.
        unsigned char first = 0;
        unsigned char second = 0;
        do {
            first = file.At(pos);
            second = file.At(pos + 1);
            ++pos;
        } while ((first != 255 || second == 255) && pos <= length);
        if (first != 255 || second == 255 || !file.Has(pos)) {
            return {0, 0};
        }
        // pos stands on the marker code, followed by the segment length (high byte first).
        const unsigned char marker = file.At(pos);
        if (marker >= 192 && marker <= 195) {
            if (!file.Has(pos + 7)) {
                return {0, 0};
            }
            return Known(file.Word(pos + 6, pos + 7), file.Word(pos + 4, pos + 5));
        }
        if (!file.Has(pos + 2)) {
            return {0, 0};
        }
        const int segment = file.Word(pos + 1, pos + 2);
        // A length counts its own two bytes; anything shorter is no segment and would stall the walk.
        if (segment < 2) {
            return {0, 0};
        }
        pos += segment + 1;
        if (pos >= length) {
            return {0, 0};
        }
    }
}

} // namespace

int MakeWord(unsigned char lo, unsigned char hi)
{
    return int(hi) * 256 + int(lo);
}

QSize GetImageSizeFromBytes(QByteArrayView data)
{
    const Bytes file(data);
    if (file.Length() < 4) {
        return {0, 0};
    }
    if (file.At(1) == 137 && file.At(2) == 'P' && file.At(3) == 'N' && file.At(4) == 'G') {
        // The low two bytes of the header chunk's width and height.
        if (!file.Has(24)) {
            return {0, 0};
        }
        // Whether it may be shown is judged by the whole fields: the low bytes of a huge picture may look small.
        const qint64 width = qint64(file.Word(17, 18)) << 16 | file.Word(19, 20);
        const qint64 height = qint64(file.Word(21, 22)) << 16 | file.Word(23, 24);
        if (!Showable(width, height)) {
            return {0, 0};
        }
        return Known(file.Word(19, 20), file.Word(23, 24));
    }
    if (file.At(1) == 'G' && file.At(2) == 'I' && file.At(3) == 'F' && file.At(4) == '8') {
        // The logical screen size, low byte first.
        if (!file.Has(10)) {
            return {0, 0};
        }
        return Known(file.Word(8, 7), file.Word(10, 9));
    }
    if (file.At(1) == 255 && file.At(2) == 216 && file.At(3) == 255) {
        return JpegSize(file);
    }
    return {0, 0};
}

QSize GetImageSize(const QString& strPath)
{
    // Only a regular file is looked at, and only as far as a header can reach; anything else has no size.
    QByteArray head;
    (void)SafeFile::ReadHead(strPath, head, kMaxImageHeaderBytes);
    return GetImageSizeFromBytes(head);
}

QSize FitCoverSize(const QSize& picture, const QSize& box)
{
    const double w = picture.width();
    const double h = picture.height();
    if (w <= 0 || h <= 0 || box.width() <= 0 || box.height() <= 0) {
        return box;
    }
    // nearbyint rounds halves to even in the default rounding mode.
    if (double(box.height()) / double(box.width()) >= h / w) {
        return QSize(box.width(), int(std::nearbyint(h * box.width() / w)));
    }
    return QSize(int(std::nearbyint(w * box.height() / h)), box.height());
}
