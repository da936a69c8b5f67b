#pragma once

// Small pictures whose data costs a decoder far more than their size says, for the tests and benchmarks of the cover
// check: each is a whole picture its format's decoder takes. Needs Qt Gui.

#include "TestPictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QtGlobal>

namespace TestSupport {

// A GIF of 1,024 x 1,024 pixels whose codes, dataBytes of them, stand for far more: each code after the first is the
// string before it and one more pixel, up to the last the table holds, which is then repeated (thousands of pixels a
// code). Its decoder would walk hundreds of pixels for every byte of the file.
inline QByteArray GifOfLongCodes(int dataBytes)
{
    QByteArray bytes("GIF89a\x00\x04\x00\x04\x80\x00\x00", 13);
    bytes.append(6, '\0'); // two colours
    bytes.append(",\0\0\0\0\x00\x04\x00\x04\0\x02", 11);
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    int width = 3;
    int next = 6; // clear 4, end 5
    const auto code = [&](int value) {
        bits |= quint32(value) << count;
        count += width;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    code(4);
    code(0);
    while (data.size() < dataBytes) {
        code(qMin(next, 4095));
        if (next < 4096 && ++next == 1 << width && width < 12) {
            ++width;
        }
    }
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        bytes.append(char(block.size()));
        bytes.append(block);
    }
    bytes.append("\0;", 2);
    return bytes;
}

// A progressive JPEG of side x side grey pixels with its last scan repeated `copies` times (some 14 bytes each):
// its decoder makes a pass over all the pixels for every scan.
inline QByteArray JpegOfManyScans(int side, int copies)
{
    QImage grey(side, side, QImage::Format_Grayscale8);
    grey.fill(128);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(grey)) {
        qFatal("no progressive jpeg writer");
    }
    const qsizetype last = bytes.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const QByteArray scan = bytes.mid(last, bytes.size() - 2 - last);
    bytes.chop(2);
    for (int i = 0; i < copies; ++i) {
        bytes.append(scan);
    }
    return bytes.append("\xFF\xD9", 2);
}

// A 16 x 16 grey PNG with `texts` compressed text chunks of 7,000,000 bytes each (7 KB in the file), and image data
// that goes on for `more` bytes past its rows.
inline QByteArray PngInflating(int texts, int more)
{
    using namespace PictureDetail;
    // The signature and header of a 16 x 16 grey picture (8 + 25 bytes).
    QByteArray png = PngPicture(16, 16).left(33);
    // qCompress gives the zlib stream after four bytes of length.
    const QByteArray text = QByteArray("Comment\0\0", 9) + qCompress(QByteArray(7000000, '\0'), 9).mid(4);
    for (int i = 0; i < texts; ++i) {
        Chunk(png, "zTXt", text);
    }
    QByteArray rows;
    for (int y = 0; y < 16; ++y) {
        rows.append('\0');
        rows.append(16, char(y * 16));
    }
    Chunk(png, "IDAT", qCompress(rows + QByteArray(more, '\0'), 9).mid(4));
    Chunk(png, "IEND", QByteArray());
    return png;
}

} // namespace TestSupport
