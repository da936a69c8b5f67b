// Covers told by their bytes, and pictures decoded within a bound (Picture.h, PictureImage.h).
#include "Picture.h"
#include "PictureImage.h"

#include "PictureCost.h"
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

// Whether the reader may be asked for the size: a PNG's reader inflates the compressed chunks before its image data.
bool HeaderAffordable(Format format, QByteArrayView bytes)
{
    return format != Format::Png || PictureCost::PngWithinCost(bytes);
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
    const Format kind = Sniff(bytes);
    const char* format = QtFormat(kind);
    if (!format || !HeaderAffordable(kind, bytes)) {
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
    if (!format || !HeaderAffordable(kind, bytes)) {
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
        const PictureCost::GifFrame frame = PictureCost::FirstGifFrame(bytes);
        const bool screenTooLarge =
            !frame.screen.isEmpty() && (!WithinLimit(frame.screen) || !Plausible(kind, frame.screen, bytes.size()));
        if (!frame.found || screenTooLarge || !frame.codesWithinFrame) {
            return {};
        }
    }
    if (kind == Format::Jpeg &&
        PictureCost::JpegScans(bytes) * declared.width() * declared.height() > PictureCost::kMaxJpegScanPixels) {
        return {};
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
