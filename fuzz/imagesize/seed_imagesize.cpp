// Writes a starting corpus for fuzz_imagesize: the headers of small PNG, GIF and JPEG files, one file each.

#include "AnsiText.h"

#include <QByteArray>
#include <QDir>

#include <cstdio>

namespace {

QByteArray Png(int width, int height)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (int value : {width, height}) {
        bytes.append(char(value >> 24)).append(char(value >> 16)).append(char(value >> 8)).append(char(value));
    }
    bytes.append("\x08\x02\0\0\0", 5);
    return bytes;
}

QByteArray Gif(int width, int height)
{
    QByteArray bytes("GIF89a");
    bytes.append(char(width & 0xFF)).append(char(width >> 8)).append(char(height & 0xFF)).append(char(height >> 8));
    bytes.append("\x80\0\0", 3);
    return bytes;
}

QByteArray Segment(unsigned char marker, const QByteArray& body)
{
    const int length = int(body.size()) + 2;
    return QByteArray("\xff", 1).append(char(marker)).append(char(length >> 8)).append(char(length)).append(body);
}

QByteArray Jpeg(int width, int height, bool fill)
{
    QByteArray bytes("\xff\xd8", 2);
    bytes.append(Segment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14)));
    if (fill) {
        bytes.append("\xff\xff\xff", 3);
    }
    QByteArray frame(1, '\x08');
    frame.append(char(height >> 8)).append(char(height)).append(char(width >> 8)).append(char(width));
    frame.append("\x03\x01\x22\0\x02\x11\x01\x03\x11\x01", 10);
    bytes.append(Segment(0xC0, frame));
    bytes.append("\xff\xd9", 2);
    return bytes;
}

bool Write(const QDir& dir, const char* name, const QByteArray& bytes)
{
    return bool(AnsiText::WriteFileBytes(dir.filePath(QString::fromLatin1(name)), bytes));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: seed_imagesize <outdir>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    ok &= Write(dir, "png", Png(600, 800));
    ok &= Write(dir, "gif", Gif(320, 200));
    ok &= Write(dir, "jpeg", Jpeg(500, 1000, false));
    ok &= Write(dir, "jpeg-fill", Jpeg(3135, 4290, true));
    // A long application segment first, its length above 32767.
    QByteArray big("\xff\xd8", 2);
    big.append(Segment(0xE1, QByteArray(40000, 'x')));
    big.append(Jpeg(64, 48, false).mid(2));
    ok &= Write(dir, "jpeg-app1", big);
    return ok ? 0 : 1;
}
