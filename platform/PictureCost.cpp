// What decoding a picture will cost (PictureCost.h).
#include "PictureCost.h"

#include <QtEndian>

#include <zlib.h>

#include <cstring>

namespace PictureCost {

namespace {

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

} // namespace

// How many more pixels than its frame holds a GIF's codes may stand for.
constexpr qint64 kGifOverrun = 4096;

// Walks the blocks to the first frame (a colour table, then extensions of sub-blocks) and counts its codes' pixels,
// up to one past the frame's area and the overrun.
GifFrame FirstGifFrame(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    const auto word = [p](qsizetype at) { return int(qFromLittleEndian<quint16>(p + at)); };
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
    const int width = word(at + 5);
    const int height = word(at + 7);
    int screenWidth = word(6);
    int screenHeight = word(8);
    if (screenWidth == 0 || screenWidth / 10 > qMax(width, 16384)) {
        screenWidth = left + width;
    }
    if (screenHeight == 0 || screenHeight / 10 > qMax(height, 16384)) {
        screenHeight = top + height;
    }
    frame.screen = QSize(screenWidth, screenHeight);
    frame.found = true;
    const uchar flags = p[at + 9];
    at += 10;
    if (flags & 0x80) {
        at += 3 * (qsizetype(2) << (flags & 7));
    }
    frame.codesWithinFrame = true;
    if (at >= n || p[at] > 12) {
        return frame;
    }
    const qint64 most = qint64(width) * height + kGifOverrun;
    GifCodeCounter counter(p[at++], most);
    for (bool going = true; going && at < n && p[at] != 0;) {
        const qsizetype end = qMin(n, at + 1 + p[at]);
        for (++at; going && at < end; ++at) {
            going = counter.Feed(p[at]);
        }
        at = end;
    }
    frame.codesWithinFrame = counter.Pixels() <= most;
    return frame;
}

qint64 JpegScans(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    if (n < 2 || p[0] != 0xFF || p[1] != 0xD8) {
        return 0;
    }
    qint64 scans = 0;
    qsizetype at = 2;
    while (at < n) {
        // To the next marker: past coded data or bytes the decoder discards, then past the fill bytes.
        while (at < n && p[at] != 0xFF) {
            ++at;
        }
        while (at < n && p[at] == 0xFF) {
            ++at;
        }
        if (at >= n) {
            break;
        }
        const uchar marker = p[at++];
        const bool bare = marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
        if (bare) {
            continue;
        }
        // The end, a second start (which the decoder refuses), or a segment too short to hold its own length.
        const int length = at + 2 <= n ? qFromBigEndian<quint16>(p + at) : 0;
        if (marker == 0xD9 || marker == 0xD8 || length < 2) {
            break;
        }
        at += length;
        scans += marker == 0xDA ? 1 : 0;
    }
    return scans;
}

namespace {

// The most a byte of deflated data inflates to.
constexpr qint64 kDeflateRatio = 1032;
// The decoder's limit on what one compressed chunk other than the image data inflates to.
constexpr qint64 kPngChunkInflateMax = 8000000;
constexpr qint64 kPngChunksInflateMax = 32000000;
constexpr qint64 kPngSideMax = qint64(1) << 24;

// The bytes a PNG's rows take before they are deflated: each row a filter byte and its pixels, plus what an
// interlaced picture's seven passes add (a filter byte and a partly filled byte for each row of each pass). -1 for a
// size or depth no decoder takes (it refuses sides past a million pixels).
qint64 PngRowBytes(const uchar* header)
{
    const qint64 width = qFromBigEndian<quint32>(header);
    const qint64 height = qFromBigEndian<quint32>(header + 4);
    const int depth = header[8];
    if (width > kPngSideMax || height > kPngSideMax || depth > 16) {
        return -1;
    }
    int channels = 1;
    switch (header[9]) {
    case 2:
        channels = 3;
        break;
    case 4:
        channels = 2;
        break;
    case 6:
        channels = 4;
        break;
    default:
        break;
    }
    const qint64 rowBytes = (width * channels * depth + 7) / 8;
    return height * (rowBytes + 1) + 14 * height;
}

// Whether a deflated stream, fed in pieces, inflates to at most `most` bytes; inflating stops at its end, at an error
// (where the decoder stops too) or one byte past `most`.
class InflateCounter
{
public:
    explicit InflateCounter(qint64 most) : m_most(most) { m_ok = inflateInit(&m_stream) == Z_OK; }
    ~InflateCounter()
    {
        if (m_ok) {
            inflateEnd(&m_stream);
        }
    }
    InflateCounter(const InflateCounter&) = delete;
    InflateCounter& operator=(const InflateCounter&) = delete;

    void Feed(const uchar* data, qsizetype size)
    {
        m_stream.next_in = const_cast<uchar*>(data);
        m_stream.avail_in = uInt(size);
        while (m_ok && !m_ended && m_stream.avail_in > 0) {
            m_stream.next_out = m_scratch;
            m_stream.avail_out = sizeof m_scratch;
            const int status = inflate(&m_stream, Z_NO_FLUSH);
            m_inflated += qint64(sizeof m_scratch - m_stream.avail_out);
            m_ended = status != Z_OK || m_inflated > m_most;
        }
    }

    bool Within() const { return m_inflated <= m_most; }

private:
    const qint64 m_most;
    z_stream m_stream = {};
    bool m_ok = false;
    bool m_ended = false;
    qint64 m_inflated = 0;
    uchar m_scratch[64 * 1024];
};

} // namespace

bool PngWithinCost(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    // The chunks: their length, type, data and check; each fed to `visit` with its data as far as the file holds it.
    const auto walk = [p, n](auto visit) {
        for (qsizetype at = 8; at + 8 <= n;) {
            const qint64 length = qFromBigEndian<quint32>(p + at);
            const qsizetype start = at + 8;
            const qsizetype size = qsizetype(qMin<qint64>(length, n - start));
            visit(p + at + 4, p + start, size);
            if (length > n - start) {
                break;
            }
            at = start + length + 4;
        }
    };
    bool header = false;
    qint64 rows = -1;
    qint64 imageData = 0;
    qint64 chunks = 0;
    walk([&](const uchar* type, const uchar* data, qsizetype size) {
        const QByteArrayView name(reinterpret_cast<const char*>(type), 4);
        if (name == "IHDR" && size >= 13 && !header) {
            header = true;
            rows = PngRowBytes(data);
        } else if (name == "IDAT") {
            imageData += size;
        } else if (name == "zTXt" || name == "iCCP" || name == "iTXt") {
            // An international text is compressed only when the byte after its keyword says so.
            const auto* keyEnd = static_cast<const uchar*>(std::memchr(data, 0, size_t(qMin<qsizetype>(size, 80))));
            const bool compressed = name != "iTXt" || (keyEnd && keyEnd + 1 < data + size && keyEnd[1] != 0);
            chunks += compressed ? qMin(qint64(size) * kDeflateRatio, kPngChunkInflateMax) : 0;
        }
    });
    if (rows < 0 || chunks > kPngChunksInflateMax) {
        return false;
    }
    const qint64 most = rows + 65536;
    if (imageData * kDeflateRatio <= most) {
        return true;
    }
    InflateCounter counter(most);
    walk([&](const uchar* type, const uchar* data, qsizetype size) {
        if (QByteArrayView(reinterpret_cast<const char*>(type), 4) == "IDAT") {
            counter.Feed(data, size);
        }
    });
    return counter.Within();
}

} // namespace PictureCost
