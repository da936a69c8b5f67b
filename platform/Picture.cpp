// Covers told by their bytes, and pictures decoded within a bound (Picture.h, PictureImage.h).
#include "Picture.h"
#include "PictureImage.h"

#include "SafeFile.h"

#include <QBuffer>
#include <QImageReader>

#include <cstring>

namespace Picture {

namespace {

bool StartsWith(QByteArrayView bytes, const char* magic, qsizetype n)
{
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, size_t(n)) == 0;
}

const char* QtFormat(Format f)
{
    switch (f) {
    case Format::Gif:
        return "gif";
    case Format::Jpeg:
        return "jpeg";
    case Format::Png:
        return "png";
    case Format::Bmp:
        return "bmp";
    case Format::None:
        break;
    }
    return nullptr;
}

// Whether a picture of this size can be held in that many bytes. No real picture packs more than some 8,000 pixels
// into a byte (a one-colour PNG of one bit a pixel), and a GIF, whose codes stand for at most 4,096 pixels each, far
// fewer; a header of a few bytes that declares millions of pixels would cost a decode of all of them for nothing, so
// beyond a small size the pixels must stay within the format's bound per byte.
bool Plausible(Format format, const QSize& size, qsizetype bytes)
{
    const bool gif = format == Format::Gif;
    const qint64 alwaysPixels = gif ? qint64(1) << 20 : qint64(1) << 22;
    const qint64 pixelsPerByte = gif ? 4096 : 16384;
    const qint64 pixels = qint64(size.width()) * size.height();
    return pixels <= alwaysPixels || pixels / pixelsPerByte <= bytes;
}

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

// Counts the pixels an LZW code stream stands for, reading it as the decoder does (codes of growing width, least
// significant bit first; a code stands for its entry's chain of prefixes, or for the previous code's and one more)
// and stopping where it stops: at the end code, or at a code or chain it refuses. It also stops once the count passes
// `most`, so counting costs no more than the pixels it allows.
class GifCodeCounter
{
public:
    GifCodeCounter(int rootBits, qint64 most) : m_rootBits(rootBits), m_clear(1 << rootBits), m_most(most)
    {
        Restart();
    }

    // Feeds one byte of the stream; false once the count is over.
    bool Feed(uchar byte)
    {
        m_accum |= quint32(byte) << m_bits;
        m_bits += 8;
        while (m_bits >= m_codeBits) {
            const int code = int(m_accum & ((1u << m_codeBits) - 1));
            m_accum >>= m_codeBits;
            m_bits -= m_codeBits;
            if (!Take(code)) {
                return false;
            }
        }
        return true;
    }

    qint64 Pixels() const { return m_pixels; }

private:
    static constexpr int kMaxCodes = 1 << 12;
    static constexpr int kMaxChain = 2 * kMaxCodes;

    void Restart()
    {
        m_codeBits = m_rootBits + 1;
        m_codeLimit = 2 * m_clear;
        m_next = m_clear + 2;
    }

    bool Take(int code)
    {
        if (code == m_clear) {
            if (!m_first) {
                Restart();
            }
            m_first = true;
            return true;
        }
        if (code == m_clear + 1) {
            return false;
        }
        if (m_first) {
            m_first = false;
            m_previous = code;
            return Add(1);
        }
        const int taken = code;
        qint64 length = 1;
        if (code >= m_next) {
            ++length;
            code = m_previous;
        }
        for (; code >= m_clear + 2; code = m_prefix[code]) {
            if (code >= m_next || code == m_prefix[code] || length >= kMaxChain) {
                return false;
            }
            ++length;
        }
        if (m_next < kMaxCodes) {
            m_prefix[m_next] = m_previous;
            ++m_next;
            if (m_next >= m_codeLimit && m_codeLimit < kMaxCodes) {
                m_codeLimit *= 2;
                ++m_codeBits;
            }
        }
        m_previous = taken;
        return Add(length);
    }

    bool Add(qint64 length)
    {
        m_pixels += length;
        return m_pixels <= m_most;
    }

    const int m_rootBits;
    const int m_clear;
    const qint64 m_most;
    int m_prefix[kMaxCodes] = {};
    int m_codeBits = 0;
    int m_codeLimit = 0;
    int m_next = 0;
    int m_previous = 0;
    bool m_first = true;
    quint32 m_accum = 0;
    int m_bits = 0;
    qint64 m_pixels = 0;
};

// More pixels than its frame holds that a GIF's codes may stand for: an encoder ends on a code whose string may run
// past the frame's last pixel.
constexpr qint64 kGifOverrun = 4096;

// Walks the blocks to the first frame (a colour table, then extensions of sub-blocks) and counts its codes' pixels,
// up to one past the frame's area and the overrun.
GifFrame FirstGifFrame(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    const auto word = [p](qsizetype at) { return int(p[at] | p[at + 1] << 8); };
    GifFrame frame;
    if (n < 13) {
        return frame;
    }
    qsizetype at = 13;
    if (p[10] & 0x80) {
        at += 3 * (qsizetype(2) << (p[10] & 7));
    }
    while (at < n && p[at] == '!') {
        // An extension: its label, then sub-blocks, each its length and its bytes, up to one of length zero.
        at += 2;
        while (at < n && p[at] != 0) {
            at += 1 + p[at];
        }
        ++at;
    }
    if (at + 10 > n || p[at] != ',') {
        return frame;
    }
    const int left = word(at + 1);
    const int top = word(at + 3);
    frame.size = QSize(word(at + 5), word(at + 7));
    int screenWidth = word(6);
    int screenHeight = word(8);
    if (screenWidth == 0 || screenWidth / 10 > qMax(frame.size.width(), 16384)) {
        screenWidth = left + frame.size.width();
    }
    if (screenHeight == 0 || screenHeight / 10 > qMax(frame.size.height(), 16384)) {
        screenHeight = top + frame.size.height();
    }
    frame.screen = QSize(screenWidth, screenHeight);
    frame.found = true;
    const uchar flags = p[at + 9];
    at += 10;
    if (flags & 0x80) {
        at += 3 * (qsizetype(2) << (flags & 7));
    }
    if (at >= n || p[at] > 12) {
        return frame;
    }
    const qint64 most = qint64(frame.size.width()) * frame.size.height() + kGifOverrun;
    GifCodeCounter counter(p[at++], most);
    for (bool going = true; going && at < n && p[at] != 0;) {
        const qsizetype end = qMin(n, at + 1 + p[at]);
        for (++at; going && at < end; ++at) {
            going = counter.Feed(p[at]);
        }
        at = end;
    }
    frame.pixels = counter.Pixels();
    return frame;
}

// A reader of bytes in memory, in the format they were sniffed as (never guessed again from a name).
struct BytesReader
{
    BytesReader(QByteArrayView bytes, const char* format)
        : copy(QByteArray::fromRawData(bytes.data(), bytes.size())), buffer(&copy)
    {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(format);
        reader.setAutoDetectImageFormat(false);
    }

    QByteArray copy;
    QBuffer buffer;
    QImageReader reader;
};

QByteArray ReadFile(const QString& path)
{
    QByteArray bytes;
    if (SafeFile::Read(path, bytes, kMaxFileBytes) != SafeFile::ReadStatus::Ok) {
        bytes.clear();
    }
    return bytes;
}

} // namespace

Format Sniff(QByteArrayView bytes)
{
    if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6)) {
        return Format::Gif;
    }
    if (StartsWith(bytes, "\xFF\xD8\xFF", 3)) {
        return Format::Jpeg;
    }
    if (StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8)) {
        return Format::Png;
    }
    // "BM", then a header of a size a reader knows (12 to 124 bytes) at offset 14.
    if (StartsWith(bytes, "BM", 2) && bytes.size() >= 18) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 14;
        const quint32 header = p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24);
        if (header >= 12 && header <= 124) {
            return Format::Bmp;
        }
    }
    return Format::None;
}

QSize DeclaredSize(QByteArrayView bytes)
{
    const char* format = QtFormat(Sniff(bytes));
    if (!format) {
        return {};
    }
    BytesReader source(bytes, format);
    QImageReader& reader = source.reader;
    const QSize size = reader.size();
    return size.isValid() && !size.isEmpty() ? size : QSize();
}

bool WithinLimit(const QSize& size)
{
    return size.isValid() && !size.isEmpty() && qint64(size.width()) * size.height() * 4 <= kMaxDecodedBytes;
}

QImage LoadScaled(QByteArrayView bytes, const QSize& box)
{
    const Format kind = Sniff(bytes);
    const char* format = QtFormat(kind);
    if (!format) {
        return {};
    }
    BytesReader source(bytes, format);
    QImageReader& reader = source.reader;
    // The declared size decides whether anything is decoded: a header may claim any size. (Qt's own allocation limit
    // is one setting for the whole program, so it is left as it is: setting it here, from an import's worker while
    // the window loads its icons, would race.)
    const QSize declared = reader.size();
    if (!WithinLimit(declared) || !Plausible(kind, declared, bytes.size())) {
        return {};
    }
    // A GIF's reader gives its first frame's size, but the decoder paints that frame on a screen of its own, and walks
    // every pixel the frame's codes stand for: both are held to bounds before anything is decoded. (Without a whole
    // frame there is nothing to decode.)
    if (kind == Format::Gif) {
        const GifFrame frame = FirstGifFrame(bytes);
        const bool screenTooLarge =
            !frame.screen.isEmpty() && (!WithinLimit(frame.screen) || !Plausible(kind, frame.screen, bytes.size()));
        const qint64 area = qint64(frame.size.width()) * frame.size.height();
        if (!frame.found || screenTooLarge || frame.pixels > area + kGifOverrun) {
            return {};
        }
    }
    if (!box.isEmpty() && (declared.width() > box.width() || declared.height() > box.height())) {
        reader.setScaledSize(declared.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        return {};
    }
    // A GIF may decode larger than its header says (a frame beyond the screen it declares), and its reader does not
    // scale: what comes out is held to the same limit and scaled here.
    if (!WithinLimit(image.size())) {
        return {};
    }
    if (!box.isEmpty() && (image.width() > box.width() || image.height() > box.height())) {
        const QSize shown = image.size().scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        image = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

QImage LoadFileScaled(const QString& path, const QSize& box)
{
    return LoadScaled(ReadFile(path), box);
}

Format Check(QByteArrayView bytes)
{
    // Decoded small: a JPEG is then decoded at an eighth of its size, and every format still reads all its data.
    const Format f = Sniff(bytes);
    if (f == Format::None || LoadScaled(bytes, QSize(256, 256)).isNull()) {
        return Format::None;
    }
    return f;
}

Format CheckFile(const QString& path)
{
    return Check(ReadFile(path));
}

QString Extension(Format f, QStringView given)
{
    const QString lower = given.toString().toLower();
    switch (f) {
    case Format::Gif:
        return lower == u"gif" ? given.toString() : QStringLiteral("gif");
    case Format::Jpeg:
        return lower == u"jpg" || lower == u"jpeg" || lower == u"jpe" ? given.toString() : QStringLiteral("jpg");
    case Format::Png:
        return lower == u"png" ? given.toString() : QStringLiteral("png");
    case Format::Bmp:
        return lower == u"bmp" ? given.toString() : QStringLiteral("bmp");
    case Format::None:
        break;
    }
    return {};
}

QString FormatName(Format f)
{
    switch (f) {
    case Format::Gif:
        return QStringLiteral("GIF");
    case Format::Jpeg:
        return QStringLiteral("JPEG");
    case Format::Png:
        return QStringLiteral("PNG");
    case Format::Bmp:
        return QStringLiteral("BMP");
    case Format::None:
        break;
    }
    return {};
}

} // namespace Picture
