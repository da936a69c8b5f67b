#include "AnsiText.h"

#include "SafeFile.h"

#include <array>

namespace AnsiText {
namespace {

// 0x80..0x9F of Windows-1252; the undefined five keep their own value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Byte for a character, or -1 when the code page has none.
int ToByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return c;
    }
    for (int i = 0; i < int(kHigh.size()); ++i) {
        if (kHigh[i] == c) {
            return 0x80 + i;
        }
    }
    return -1;
}

} // namespace

QString Decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i) {
        const unsigned char b = in[i];
        out[i] = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b);
    }
    return text;
}

QByteArray Encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const char16_t* in = text.utf16();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out[i] = char(c);
        } else {
            const int b = ToByte(c);
            out[i] = b < 0 ? '?' : char(b);
        }
    }
    return bytes;
}

bool IsEncodable(QStringView text)
{
    for (QChar c : text) {
        if (ToByte(c.unicode()) < 0) {
            return false;
        }
    }
    return true;
}

bool ReadFile(const QString& path, QString& text)
{
    text.clear();
    QByteArray bytes;
    if (SafeFile::Read(path, bytes) != SafeFile::ReadStatus::Ok) {
        return false;
    }
    text = Decode(bytes);
    return true;
}

QString ReadFile(const QString& path)
{
    QString text;
    ReadFile(path, text);
    return text;
}

Result<> WriteFileBytes(const QString& path, QByteArrayView bytes)
{
    return SafeFile::Write(path, bytes);
}

Result<> WriteFile(const QString& path, QStringView text)
{
    return WriteFileBytes(path, Encode(text));
}

QStringList SplitRecordLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == u'\r') {
            lines.append(text.mid(start, i - start).toString());
            if (i + 1 < n && text[i + 1] == u'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < n) {
        lines.append(text.mid(start).toString());
    }
    return lines;
}

QString LTrim(QStringView text)
{
    qsizetype b = 0;
    while (b < text.size() && text[b] == u' ') {
        ++b;
    }
    return text.mid(b).toString();
}

QString RTrim(QStringView text)
{
    qsizetype e = text.size();
    while (e > 0 && text[e - 1] == u' ') {
        --e;
    }
    return text.left(e).toString();
}

QString Trim(QStringView text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b] == u' ') {
        ++b;
    }
    while (e > b && text[e - 1] == u' ') {
        --e;
    }
    return text.mid(b, e - b).toString();
}

QString UCase(QStringView text)
{
    // A character whose upper case the code page lacks ("µ", "ƒ") stays as it is: written out, the upper case would
    // become "?" in a sort key or a record.
    QString upper(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar u = c.toUpper();
        upper[i] = ToByte(u.unicode()) < 0 ? c : u;
    }
    return upper;
}

bool IsSafeExtension(QStringView ext)
{
    if (ext.isEmpty() || ext.size() > 8) {
        return false;
    }
    for (QChar c : ext) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))) {
            return false;
        }
    }
    return true;
}

} // namespace AnsiText
