// Feeds arbitrary bytes to the picture-size reader: it must neither read past the end nor loop, and a size it
// reports is one the header really holds.

#include "editors/ImageSize.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QSize result = GetImageSizeFromBytes(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
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
    return 0;
}
