#pragma once

#include <QByteArrayView>
#include <QSize>
#include <QString>
#include <QStringView>

// Which bytes may become a cover, and what a picture costs to read. A cover comes from strangers (exchange files, the
// online service, a file the user picked): it is stored only when its bytes are a picture in a format the item page
// shows, and it is decoded only when its declared size stays within the allocation limit, so a header that declares
// 60,000 x 60,000 pixels costs nothing. Qt Gui stays inside this file's source: callers need only Qt Core.
namespace Picture {

enum class Format
{
    None,
    Gif,
    Jpeg,
    Png,
    Bmp,
};

// The most a decoded picture may take, at 4 bytes a pixel; a larger one is never decoded and shows as missing.
inline constexpr qint64 kMaxDecodedBytes = 128LL * 1024 * 1024;
// The largest picture file that is read at all.
inline constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

// The format the bytes are in, told by their first bytes, never by a name; None for anything else.
Format Sniff(QByteArrayView bytes);
// The pixel size the header of a picture in a known format declares; invalid when it cannot be read.
QSize DeclaredSize(QByteArrayView bytes);
// Whether a picture of this size may be decoded (kMaxDecodedBytes).
bool WithinLimit(const QSize& size);

// The format of the bytes when they are a whole picture that may be stored as a cover: a known format, a declared
// size within the limit (and beyond 4 million pixels, at most 16,384 pixels a byte of the file, so a few bytes never
// cost seconds of decoding), data whose decoding costs what such a picture costs (PictureCost.h: a GIF's codes, a
// JPEG's scans), and bytes Qt decodes. None for anything else (HTML, SVG, a truncated or oversized picture).
Format Check(QByteArrayView bytes);
// The same for a file: only a regular file of at most kMaxFileBytes is read.
Format CheckFile(const QString& path);

// The extension a cover of format f is stored under: given as it stands (case kept) when it names f ("JPG", "jpeg",
// "jpe" for a JPEG), else f's own ("gif", "jpg", "png", "bmp"). Empty for None.
QString Extension(Format f, QStringView given);
// A name for the user: "GIF", "JPEG", "PNG", "BMP".
QString FormatName(Format f);

} // namespace Picture
