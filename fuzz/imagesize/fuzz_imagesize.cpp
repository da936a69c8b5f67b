// Feeds arbitrary bytes to the picture-size reader: it must neither read past the end nor loop, and a size it
// reports is one the header really holds. Then to the cover check: whatever it takes as a cover is a picture shown
// within the size limit, and which decodes to no more pixels than its bytes can stand for.

#include "editors/ImageSize.h"

#include "Picture.h"
#include "PictureImage.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QSize result = GetImageSizeFromBytes(bytes);
    // Either unknown or a real size of 16-bit fields.
    const bool unknown = result.width() == 0 && result.height() == 0;
    const bool known = result.width() > 0 && result.width() <= 65535 && result.height() > 0 && result.height() <= 65535;
    if (!unknown && !known) {
        std::abort();
    }
    if (!unknown) {
        const QSize shown = FitCoverSize(result);
        if (shown.width() > kCoverBoxTwips.width() || shown.height() > kCoverBoxTwips.height()) {
            std::abort();
        }
    }
    const Picture::Format format = Picture::Check(bytes);
    if (format != Picture::Format::None) {
        // What is taken costs what its bytes can stand for: decoded whole, as Qt's decoder alone gives it, it holds
        // no more pixels than the loosest bound a cover's bytes are held to, and stays within the limit.
        QByteArray copy = QByteArray::fromRawData(bytes.data(), bytes.size());
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAutoDetectImageFormat(false);
        reader.setFormat(Picture::FormatName(format).toLatin1()); // "GIF", "JPEG", "PNG", "BMP"
        QImage whole;
        if (reader.read(&whole)) {
            const qint64 pixels = qint64(whole.width()) * whole.height();
            if (!Picture::WithinLimit(whole.size()) ||
                pixels > std::max<qint64>(qint64(1) << 22, 16384 * qint64(size))) {
                std::abort();
            }
        }
        const QImage shown = Picture::LoadScaled(bytes, QSize(64, 64));
        if (format != Picture::Sniff(bytes) || shown.isNull() || shown.width() > 64 || shown.height() > 64 ||
            Picture::Extension(format, u"html").isEmpty()) {
            std::abort();
        }
    }
    return 0;
}
