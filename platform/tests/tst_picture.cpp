#include "CostlyPictures.h"
#include "Picture.h"
#include "PictureImage.h"
#include "TestPictures.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A picture with detail in it, so no encoder squeezes it to almost nothing.
QImage Noise(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            image.setPixel(x, y, state >> 8);
        }
    }
    return image;
}

QByteArray Encoded(const QImage& image, const char* format)
{
    if (qstrcmp(format, "gif") == 0) {
        // Qt has no GIF writer.
        QByteArray grey;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                grey.append(char(qGray(image.pixel(x, y))));
            }
        }
        return TestSupport::GifPicture(image.width(), image.height(), grey);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) {
        qFatal("no %s writer", format);
    }
    return bytes;
}

// The JPEG with the size its frame header declares replaced: the data stays that of a small picture.
QByteArray JpegDeclaring(int width, int height)
{
    QByteArray bytes = Encoded(Noise(32, 32), "jpeg");
    const qsizetype frame = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    if (frame < 0) {
        qFatal("no baseline frame header");
    }
    bytes[frame + 5] = char(height >> 8);
    bytes[frame + 6] = char(height & 0xFF);
    bytes[frame + 7] = char(width >> 8);
    bytes[frame + 8] = char(width & 0xFF);
    return bytes;
}

// The GIF with the screen size its header declares replaced.
QByteArray GifDeclaring(int width, int height)
{
    QByteArray bytes = Encoded(Noise(16, 16), "gif");
    bytes[6] = char(width & 0xFF);
    bytes[7] = char(width >> 8);
    bytes[8] = char(height & 0xFF);
    bytes[9] = char(height >> 8);
    return bytes;
}

} // namespace

class TestPicture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The cover formats must all be there to be told apart; a missing image plug-in would pass every refusal.
        for (const char* format : {"gif", "jpeg", "png", "bmp"}) {
            QVERIFY2(!Encoded(Noise(4, 4), format).isEmpty(), format);
        }
    }

    // Only bytes that decode as a GIF, JPEG, PNG or BMP picture within the size limit may become a cover, whatever
    // they are called; a name that says otherwise gives way to the format's own extension.
    void coversAreToldByTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("given");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("extension");
        using F = Picture::Format;
        const QByteArray png = Encoded(Noise(64, 48), "png");
        const QByteArray jpeg = Encoded(Noise(64, 48), "jpeg");
        QTest::newRow("gif") << Encoded(Noise(40, 30), "gif") << "gif" << int(F::Gif) << "gif";
        QTest::newRow("jpeg named JPG") << jpeg << "JPG" << int(F::Jpeg) << "JPG";
        QTest::newRow("jpeg named jpe") << jpeg << "jpe" << int(F::Jpeg) << "jpe";
        QTest::newRow("jpeg named html") << jpeg << "html" << int(F::Jpeg) << "jpg";
        QTest::newRow("png named Png") << png << "Png" << int(F::Png) << "Png";
        QTest::newRow("png named gif") << png << "gif" << int(F::Png) << "png";
        QTest::newRow("bmp without a name") << Encoded(Noise(20, 10), "bmp") << "" << int(F::Bmp) << "bmp";
        QTest::newRow("html") << QByteArray("<!DOCTYPE html><html><body><script>alert(1)</script></body></html>")
                              << "html" << int(F::None) << "";
        QTest::newRow("svg") << QByteArray("<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" "
                                           "width=\"10\" height=\"10\"><rect width=\"10\" height=\"10\"/></svg>")
                             << "svg" << int(F::None) << "";
        QTest::newRow("gif header on html")
            << QByteArray("GIF89a\x2F\x2A\x0A\x00<html><script>alert(1)</script>") << "html" << int(F::None) << "";
        QTest::newRow("truncated png") << png.left(png.size() / 2) << "png" << int(F::None) << "";
        QTest::newRow("png signature only") << png.left(8) << "png" << int(F::None) << "";
        QTest::newRow("jpeg declaring 60000x60000") << JpegDeclaring(60000, 60000) << "jpg" << int(F::None) << "";
        QTest::newRow("gif declaring 60000x60000") << GifDeclaring(60000, 60000) << "gif" << int(F::None) << "";
        // 23 bytes that declare 65,324 x 511 pixels: within the size limit, but seconds to decode.
        QTest::newRow("gif of a few bytes declaring millions of pixels")
            << QByteArray::fromHex("4749463839612cffff012c2c002c662c2c2c2c38376100") << "gif" << int(F::None) << "";
        // 55 bytes whose frame reaches 327 x 11,864 pixels: a quarter of a second to decode.
        QTest::newRow("gif of a few bytes declaring a tall frame")
            << QByteArray::fromBase64("R0lGODlhRwE5/yws/yws2CwsLCwsAgAAACwsLCwAAiwsLCwAPSwsAAAAAAAAAAAAAAAAAAAyAA==")
            << "gif" << int(F::None) << "";
        // 40 bytes with a small frame on a screen of 2,159 x 11,475 pixels, which the decoder paints whole.
        QTest::newRow("gif of a few bytes declaring a large screen")
            << QByteArray::fromBase64("R0lGODlhbwjTLCQsLCwjHg0AMQAAAMgBLAEAAAAAAAMAAB0oACxMAA==") << "gif"
            << int(F::None) << "";
        // 27 bytes with a screen declared zero wide and 11,264 high, which the decoder widens to the frame's 2,304.
        QTest::newRow("gif of a few bytes widening a screen declared empty")
            << QByteArray::fromBase64("R0lGODdhAAAALCwsLCwAAAIAAAkJADUAAGC8") << "gif" << int(F::None) << "";
        // 64 KB whose codes stand for some 170 million pixels of a frame of one million.
        QTest::newRow("gif whose codes stand for far more pixels than its frame")
            << TestSupport::GifOfLongCodes(64 * 1024) << "gif" << int(F::None) << "";
        QTest::newRow("jpeg of a few kilobytes with hundreds of scans")
            << TestSupport::JpegOfManyScans(2000, 300) << "jpg" << int(F::None) << "";
        // The decoder inflates each compressed chunk (up to 8 MB) before a pixel, and the image data to its end.
        QTest::newRow("png declaring 4294967295 x 4294967295")
            << TestSupport::PngDeclaring(-1, -1) << "png" << int(F::None) << "";
        QTest::newRow("png with a compressed text") << TestSupport::PngInflating(1, 0) << "png" << int(F::Png) << "png";
        QTest::newRow("png whose texts inflate to 56 MB")
            << TestSupport::PngInflating(8, 0) << "png" << int(F::None) << "";
        QTest::newRow("png whose data goes on for 20 MB past its rows")
            << TestSupport::PngInflating(0, 20000000) << "png" << int(F::None) << "";
        // A real picture as large as that stays a picture.
        QTest::newRow("large png") << Encoded(Noise(2000, 1500), "png") << "png" << int(F::Png) << "png";
        QTest::newRow("empty") << QByteArray() << "jpg" << int(F::None) << "";
    }
    void coversAreToldByTheirBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, given);
        QFETCH(int, format);
        QFETCH(QString, extension);
        const auto expected = Picture::Format(format);
        QCOMPARE(Picture::Check(bytes), expected);
        QCOMPARE(Picture::Extension(Picture::Check(bytes), given), extension);
        // The same verdict for the file, and what is shown is a picture exactly when it may be a cover.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath(QStringLiteral("cover.") + given));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        QCOMPARE(Picture::CheckFile(file.fileName()), expected);
        QCOMPARE(!Picture::LoadScaled(bytes, QSize(200, 200)).isNull(), expected != Picture::Format::None);
    }

    // A header that declares a huge picture is turned away on its declared size, before any decoding.
    void aHugeDeclaredSizeIsNeverDecoded()
    {
        const QByteArray bytes = JpegDeclaring(60000, 60000);
        QCOMPARE(Picture::DeclaredSize(bytes), QSize(60000, 60000));
        QVERIFY(!Picture::WithinLimit(Picture::DeclaredSize(bytes)));
        QVERIFY(Picture::LoadScaled(bytes, QSize()).isNull());
        QVERIFY(Picture::WithinLimit(Picture::DeclaredSize(JpegDeclaring(4000, 3000))));
    }

    // What is shown is scaled down into the box with its proportions, and never enlarged.
    void picturesAreShownWithinTheirBox()
    {
        for (const char* format : {"gif", "jpeg", "png", "bmp"}) {
            const QByteArray bytes = Encoded(Noise(400, 100), format);
            QCOMPARE(Picture::LoadScaled(bytes, QSize(200, 200)).size(), QSize(200, 50));
            QCOMPARE(Picture::LoadScaled(bytes, QSize(1000, 1000)).size(), QSize(400, 100));
            QCOMPARE(Picture::LoadScaled(bytes, QSize()).size(), QSize(400, 100));
        }
        // A GIF that decodes larger than the size its reader gives beforehand (44 x 44, then 44 x 16640) is still
        // shown within the box.
        const QByteArray taller =
            QByteArray::fromHex("4749463839612c0000412c2c002c2c2c2c000001000000000000002c2c2c2c474946383761"
                                "00");
        const QImage shown = Picture::LoadScaled(taller, QSize(64, 64));
        QVERIFY(!shown.isNull());
        QVERIFY(shown.width() <= 64 && shown.height() <= 64);
    }
};

QTEST_GUILESS_MAIN(TestPicture)
#include "tst_picture.moc"
