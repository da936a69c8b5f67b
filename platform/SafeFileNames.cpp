// The safe writer's names: a path's bytes and back, the temporary names it gives its files, a path's folder, and the
// log line that names the path of a failure.
#include "PlatformLog.h"
#include "SafeFileInternal.h"

#include <cerrno>

namespace SafeFile {
namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

} // namespace

QByteArray Encode(QStringView path)
{
    QByteArray out;
    out.reserve(path.size());
    const char16_t* s = path.utf16();
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t c = s[i];
        if (c < 0x80) {
            out.append(char(c));
        } else if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3F)));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            const char32_t cp = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
            out.append(char(0xF0 | (cp >> 18)));
            out.append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out.append(char(c - 0xDC00)); // a byte Decode kept aside
        } else if (c >= 0xD800 && c < 0xE000) {
            out.append('?'); // a lone surrogate no name can hold
        } else {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

QString Decode(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            out.append(QChar(c));
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
            min = 0x10000;
        }
        bool valid = len > 0 && i + len <= n;
        for (int k = 1; valid && k < len; ++k) {
            valid = (b[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (b[i + k] & 0x3F);
        }
        valid = valid && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp < 0xE000);
        if (!valid) {
            out.append(QChar(char16_t(0xDC00 + c)));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar(char16_t(0xD800 + ((cp - 0x10000) >> 10))));
            out.append(QChar(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += len;
    }
    return out;
}

bool IsTempName(QByteArrayView name)
{
    if (!name.startsWith('.') || !name.endsWith(".tmp")) {
        return false;
    }
    const QByteArrayView inner = name.sliced(1, name.size() - 5);
    const qsizetype dot = inner.lastIndexOf('.');
    if (dot < 1) {
        return false;
    }
    const QByteArrayView hex = inner.sliced(dot + 1);
    if (hex.isEmpty() || hex.size() > 16) {
        return false;
    }
    for (char c : hex) {
        if (!IsHexDigit(c)) {
            return false;
        }
    }
    return true;
}

namespace Internal {

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

void Trace(const char* what, QByteArrayView path, int err)
{
    const int saved = errno;
    qCWarning(lcPlatform) << what << Decode(path) << "-" << qt_error_string(err);
    errno = saved;
}

Failure Traced(const char* what, QByteArrayView path, int err)
{
    Trace(what, path, err);
    return Failure::OfErrno(err, Decode(path));
}

Failure Unconfirmed(Failure failure)
{
    if (!failure.unconfirmed) {
        failure.unconfirmed = true;
        failure.why = QStringLiteral("the disk did not confirm it: %1").arg(failure.why);
    }
    return failure;
}

} // namespace Internal

} // namespace SafeFile
