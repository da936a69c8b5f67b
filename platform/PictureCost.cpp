// What decoding a picture will cost (PictureCost.h).
#include "PictureCost.h"

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
        if (marker == 0xD9 || marker == 0xD8 || at + 2 > n || (p[at] << 8 | p[at + 1]) < 2) {
            break;
        }
        at += p[at] << 8 | p[at + 1];
        scans += marker == 0xDA ? 1 : 0;
    }
    return scans;
}

} // namespace PictureCost
