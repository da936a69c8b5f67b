// What the cover check costs: on large real pictures (a PNG, a baseline and a progressive JPEG, a GIF), with the share
// of it spent weighing a PNG's data before it is decoded; and on small pictures whose data costs seconds, the check's
// refusal beside what Qt's decoder alone takes over the same bytes. Prints "FIGURE <name> <value> <unit>" lines.

#include "BenchFigures.h"
#include "CostlyPictures.h"
#include "Picture.h"
#include "PictureCost.h"
#include "TestPictures.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 5;

// A photograph's worth of detail: smooth gradients with noise on them, so no encoder squeezes it to nothing.
QImage Photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 2026;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 28);
            line[x] = qRgb((x * 255 / width + noise) & 0xFF, (y * 255 / height + noise) & 0xFF, (x + y + noise) & 0xFF);
        }
    }
    return image;
}

QByteArray Encoded(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// The median of kRuns timings of `work`, in milliseconds.
double Milliseconds(const std::function<void()>& work, int runs = kRuns)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return TestSupport::Median(times);
}

void Figure(const char* name, double value, const char* unit)
{
    std::printf("FIGURE %s %.1f %s\n", name, value, unit);
}

// Qt's decoder alone over the bytes, as the check ran before it weighed them.
bool QtDecodes(const QByteArray& bytes, const char* format)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    QImage image;
    return reader.read(&image);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    bool taken = true;

    const QImage photo = Photo(3000, 2000);
    const QByteArray png = Encoded(photo, "png");
    const QByteArray jpeg = Encoded(photo, "jpeg");
    const QByteArray progressive = Encoded(photo, "jpeg", true);
    const QByteArray gif = TestSupport::GifPicture(1000, 1000);
    Figure("cover_check_png_3000x2000", Milliseconds([&] { taken &= Picture::Check(png) != Picture::Format::None; }),
           "ms");
    Figure("cover_check_png_weighing", Milliseconds([&] { taken &= PictureCost::PngWithinCost(png); }), "ms");
    Figure("cover_check_jpeg_3000x2000", Milliseconds([&] { taken &= Picture::Check(jpeg) != Picture::Format::None; }),
           "ms");
    Figure("cover_check_progressive_jpeg_3000x2000",
           Milliseconds([&] { taken &= Picture::Check(progressive) != Picture::Format::None; }), "ms");
    Figure("cover_check_gif_1000x1000", Milliseconds([&] { taken &= Picture::Check(gif) != Picture::Format::None; }),
           "ms");

    // Small pictures whose data costs seconds: refused by the check, decoded by Qt's decoder alone (once each).
    bool refused = true;
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char* format;
    } costly[] = {
        {"gif_256kb_of_long_codes", TestSupport::GifOfLongCodes(256 * 1024), "gif"},
        {"jpeg_2000x2000_1000_scans", TestSupport::JpegOfManyScans(2000, 1000), "jpeg"},
        {"png_100_compressed_texts", TestSupport::PngInflating(100, 0), "png"},
    };
    for (const auto& picture : costly) {
        const QByteArray name(picture.name);
        Figure(("cover_check_" + name).constData(),
               Milliseconds([&] { refused &= Picture::Check(picture.bytes) == Picture::Format::None; }), "ms");
        Figure(("qt_decode_" + name).constData(), Milliseconds([&] { QtDecodes(picture.bytes, picture.format); }, 1),
               "ms");
    }
    if (!taken || !refused) {
        std::fprintf(stderr, "bench_covers: a real picture was refused or a costly one taken\n");
        return 1;
    }
    return 0;
}
