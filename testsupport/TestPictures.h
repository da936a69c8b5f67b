#pragma once

// Small real pictures for tests that need covers, made without Qt Gui (header-only): a cover is stored only when its
// bytes decode as a picture. Each varies with a salt, so two covers are never alike.

#include <QByteArray>
#include <QtEndian>

namespace TestSupport {

namespace PictureDetail {

inline void Append32(QByteArray& bytes, quint32 value, bool bigEndian)
{
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        bytes.append(char((value >> shift) & 0xFF));
    }
}

inline quint32 Crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

inline void Chunk(QByteArray& png, const char* type, const QByteArray& data)
{
    Append32(png, quint32(data.size()), true);
    const QByteArray typed = QByteArray(type, 4) + data;
    png += typed;
    Append32(png, Crc32(typed), true);
}

} // namespace PictureDetail

// A grey PNG of width x height pixels whose rows vary with salt.
inline QByteArray PngPicture(int width, int height, int salt = 0)
{
    using namespace PictureDetail;
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    Append32(header, quint32(width), true);
    Append32(header, quint32(height), true);
    header.append("\x08\x00\x00\x00\x00", 5); // 8-bit grey, no interlace
    Chunk(png, "IHDR", header);
    QByteArray raw;
    for (int y = 0; y < height; ++y) {
        raw.append('\0');
        for (int x = 0; x < width; ++x) {
            raw.append(char((x * 7 + y * 13 + salt * 31) & 0xFF));
        }
    }
    // qCompress gives the zlib stream after four bytes of length.
    Chunk(png, "IDAT", qCompress(raw, 0).mid(4));
    Chunk(png, "IEND", QByteArray());
    return png;
}

// An 8 x 8 grey JPEG, with the salt in a comment segment after its start.
inline QByteArray JpegPicture(int salt = 0)
{
    static const QByteArray kJpeg("\xFF\xD8\xFF\xE0\x00\x10\x4A\x46\x49\x46\x00\x01\x01\x01\x00\x64\x00\x64\x00\x00\xFF"
                                  "\xDB\x00\x43\x00\x10\x0B\x0C"
                                  "\x0E\x0C\x0A\x10\x0E\x0D\x0E\x12\x11\x10\x13\x18\x28\x1A\x18\x16\x16\x18\x31\x23\x25"
                                  "\x1D\x28\x3A\x33\x3D\x3C\x39"
                                  "\x33\x38\x37\x40\x48\x5C\x4E\x40\x44\x57\x45\x37\x38\x50\x6D\x51\x57\x5F\x62\x67\x68"
                                  "\x67\x3E\x4D\x71\x79\x70\x64"
                                  "\x78\x5C\x65\x67\x63\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x01\x01\x11\x00\xFF\xC4\x00"
                                  "\x1F\x00\x00\x01\x05\x01\x01"
                                  "\x01\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09"
                                  "\x0A\x0B\xFF\xC4\x00\xB5\x10"
                                  "\x00\x02\x01\x03\x03\x02\x04\x03\x05\x05\x04\x04\x00\x00\x01\x7D\x01\x02\x03\x00\x04"
                                  "\x11\x05\x12\x21\x31\x41\x06"
                                  "\x13\x51\x61\x07\x22\x71\x14\x32\x81\x91\xA1\x08\x23\x42\xB1\xC1\x15\x52\xD1\xF0\x24"
                                  "\x33\x62\x72\x82\x09\x0A\x16"
                                  "\x17\x18\x19\x1A\x25\x26\x27\x28\x29\x2A\x34\x35\x36\x37\x38\x39\x3A\x43\x44\x45\x46"
                                  "\x47\x48\x49\x4A\x53\x54\x55"
                                  "\x56\x57\x58\x59\x5A\x63\x64\x65\x66\x67\x68\x69\x6A\x73\x74\x75\x76\x77\x78\x79\x7A"
                                  "\x83\x84\x85\x86\x87\x88\x89"
                                  "\x8A\x92\x93\x94\x95\x96\x97\x98\x99\x9A\xA2\xA3\xA4\xA5\xA6\xA7\xA8\xA9\xAA\xB2\xB3"
                                  "\xB4\xB5\xB6\xB7\xB8\xB9\xBA"
                                  "\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xE1\xE2\xE3"
                                  "\xE4\xE5\xE6\xE7\xE8\xE9\xEA"
                                  "\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\xA7"
                                  "\xE0\xDF\xF9\x67\x5F\xFF\xD9",
                                  336);
    const QByteArray comment = QByteArray::number(salt);
    QByteArray segment("\xFF\xFE", 2);
    segment.append(char(0));
    segment.append(char(comment.size() + 2));
    return kJpeg.left(2) + segment + comment + kJpeg.mid(2);
}

// A PNG whose header declares width x height pixels, holding the data of a small picture only.
inline QByteArray PngDeclaring(int width, int height)
{
    using namespace PictureDetail;
    QByteArray png = PngPicture(4, 4);
    QByteArray header;
    Append32(header, quint32(width), true);
    Append32(header, quint32(height), true);
    header.append("\x08\x00\x00\x00\x00", 5);
    QByteArray declared("\x89PNG\r\n\x1A\n", 8);
    Chunk(declared, "IHDR", header);
    // The small picture's chunks after its own header (8 + 25 bytes).
    return declared + png.mid(33);
}

// A GIF of width x height grey pixels, one byte each in grey (row by row; missing ones vary with the position), with
// 9-bit codes that are all literals and a clear code often enough that the code size never grows.
inline QByteArray GifPicture(int width, int height, const QByteArray& grey = {})
{
    QByteArray bytes("GIF89a");
    const auto word = [&bytes](int value) {
        bytes.append(char(value & 0xFF));
        bytes.append(char((value >> 8) & 0xFF));
    };
    word(width);
    word(height);
    bytes.append("\xF7\x00\x00", 3); // a global table of 256 colours
    for (int i = 0; i < 256; ++i) {
        bytes.append(3, char(i));
    }
    bytes.append(',');
    word(0);
    word(0);
    word(width);
    word(height);
    bytes.append('\0');
    bytes.append(char(8));
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    const auto code = [&](int value) {
        bits |= quint32(value) << count;
        count += 9;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    int run = 0;
    code(256);
    for (int i = 0; i < width * height; ++i) {
        if (++run == 200) {
            code(256);
            run = 1;
        }
        code(i < grey.size() ? quint8(grey[i]) : (i * 7) & 0xFF);
    }
    code(257);
    if (count > 0) {
        data.append(char(bits & 0xFF));
    }
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        bytes.append(char(block.size()));
        bytes.append(block);
    }
    bytes.append('\0');
    bytes.append(';');
    return bytes;
}

// A 24-bit BMP of width x height pixels whose pixels vary with salt; its last byte is never a blank.
inline QByteArray BmpPicture(int width, int height, int salt = 0)
{
    using namespace PictureDetail;
    const int row = (width * 3 + 3) / 4 * 4;
    QByteArray bmp("BM");
    Append32(bmp, quint32(54 + row * height), false);
    Append32(bmp, 0, false);
    Append32(bmp, 54, false);
    Append32(bmp, 40, false);
    Append32(bmp, quint32(width), false);
    Append32(bmp, quint32(height), false);
    bmp.append("\x01\x00\x18\x00", 4); // one plane, 24 bits
    for (int i = 0; i < 6; ++i) {
        Append32(bmp, 0, false);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < row; ++x) {
            bmp.append(char((x * 5 + y * 11 + salt * 17) & 0xFF));
        }
    }
    bmp[bmp.size() - 1] = 'Z';
    return bmp;
}

} // namespace TestSupport
