// Whole-file reads: regular files only, with a size cap, and reads started without waiting for the disk.
#include "PlatformLog.h"
#include "SafeFileInternal.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace SafeFile {

using namespace Internal;

namespace {

// Asks for large pages under a large buffer before it is first written: fresh memory is otherwise had one small page
// at a time, which for a file of tens of megabytes costs more than reading it. Only a hint; without it nothing changes.
void PreferLargePages(QByteArray& buffer)
{
#ifdef MADV_HUGEPAGE
    constexpr qsizetype kLarge = 4 * 1024 * 1024;
    if (buffer.size() < kLarge) {
        return;
    }
    const auto page = quintptr(::sysconf(_SC_PAGESIZE));
    const auto begin = (quintptr(buffer.data()) + page - 1) & ~(page - 1);
    const auto end = (quintptr(buffer.data()) + quintptr(buffer.size())) & ~(page - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#else
    Q_UNUSED(buffer);
#endif
}

// Opens name inside dirFd for a whole-file read and sizes out one byte past the file's size; -1 with the status when
// the file cannot be read.
int OpenForRead(int dirFd, const char* name, QByteArray& out, qint64 cap, ReadStatus& status)
{
    out.resize(0);
    // Non-blocking, so a pipe or a device under a record's name cannot hold the open up.
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        status = (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        status = ReadStatus::Failed;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        status = ReadStatus::NotRegular;
        return -1;
    }
    if (st.st_size > cap) {
        ::close(fd);
        status = ReadStatus::TooLarge;
        return -1;
    }
    // One byte more than the size tells the end without a second call when the file did not grow.
    out.resize(qsizetype(st.st_size) + 1);
    PreferLargePages(out);
    status = ReadStatus::Ok;
    return fd;
}

// Reads the open file fd on from its position (used bytes of out hold what came before) to its end, and closes it.
ReadStatus ReadRest(int fd, QByteArray& out, qsizetype used, qint64 cap)
{
    for (;;) {
        if (used == out.size()) {
            if (used > cap) {
                ::close(fd);
                out.resize(0);
                return ReadStatus::TooLarge;
            }
            out.resize(std::min<qsizetype>(qsizetype(cap) + 1, used * 2 + 4096));
        }
        const ssize_t n = ::read(fd, out.data() + used, size_t(out.size() - used));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            out.resize(0);
            errno = err;
            return ReadStatus::Failed;
        }
        if (n == 0) {
            break;
        }
        used += n;
    }
    ::close(fd);
    if (used > cap) {
        out.resize(0);
        return ReadStatus::TooLarge;
    }
    out.resize(used);
    return ReadStatus::Ok;
}

ReadStatus ReadFileAt(int dirFd, const char* name, QByteArray& out, qint64 cap)
{
    ReadStatus status = ReadStatus::Failed;
    const int fd = OpenForRead(dirFd, name, out, cap, status);
    return fd < 0 ? status : ReadRest(fd, out, 0, cap);
}

// The full path of name inside the open folder dirFd, for a trace.
QByteArray PathAt(int dirFd, const char* name)
{
    if (dirFd == AT_FDCWD || name[0] == '/') {
        return name;
    }
    char folder[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(dirFd);
    const ssize_t n = ::readlink(link.constData(), folder, sizeof folder);
    return (n > 0 ? QByteArray(folder, n) : QByteArray("?")) + '/' + name;
}

// The log line of a read that did not give the file; errno is the failure's.
void ReportRead(ReadStatus status, int dirFd, const char* name, qint64 cap)
{
    if (status == ReadStatus::NotRegular) {
        qCWarning(lcPlatform) << "cannot read" << Decode(PathAt(dirFd, name)) << "- it is no regular file";
    } else if (status == ReadStatus::TooLarge) {
        qCWarning(lcPlatform) << "cannot read" << Decode(PathAt(dirFd, name)) << "- larger than" << cap << "bytes";
    } else if (status == ReadStatus::Failed) {
        const int err = errno;
        Trace("cannot read", PathAt(dirFd, name), err);
        errno = err;
    }
}

} // namespace

ReadStatus Read(const QString& path, QByteArray& out, qint64 cap)
{
    return ReadNative(Encode(path).constData(), out, cap);
}

ReadStatus ReadNative(const char* path, QByteArray& out, qint64 cap)
{
    return ReadAt(AT_FDCWD, path, out, cap);
}

ReadStatus ReadHead(const QString& path, QByteArray& out, qint64 maxBytes, qint64* size)
{
    out.resize(0);
    const int fd = ::open(Encode(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::NotRegular;
    }
    if (size) {
        *size = st.st_size;
    }
    out.resize(qsizetype(std::clamp<qint64>(st.st_size, 0, maxBytes)));
    qsizetype got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, size_t(out.size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            out.resize(0);
            return ReadStatus::Failed;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    ::close(fd);
    out.truncate(got);
    return ReadStatus::Ok;
}

ReadStatus ReadAt(int dirFd, const char* name, QByteArray& out, qint64 cap)
{
    const ReadStatus status = ReadFileAt(dirFd, name, out, cap);
    // A missing file is an answer, not a failure: optional files are read this way.
    ReportRead(status, dirFd, name, cap);
    return status;
}

StartedRead::StartedRead(int dirFd, const char* name, qint64 cap) : m_dirFd(dirFd), m_name(name), m_cap(cap)
{
    m_fd = OpenForRead(dirFd, name, m_data, cap, m_status);
    if (m_fd < 0) {
        m_errno = errno;
        return;
    }
    // Takes what the page cache holds without waiting; for pages it does not hold the kernel starts the disk read
    // and answers EAGAIN, and Finish waits for them. A kernel or file system without this answers otherwise, and
    // Finish reads it all.
    iovec part{m_data.data(), size_t(m_data.size())};
    const ssize_t n = ::preadv2(m_fd, &part, 1, -1, RWF_NOWAIT);
    m_used = n > 0 ? qsizetype(n) : 0;
}

StartedRead::StartedRead(StartedRead&& other) noexcept
{
    *this = std::move(other);
}

StartedRead& StartedRead::operator=(StartedRead&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_dirFd = other.m_dirFd;
        m_name = std::move(other.m_name);
        m_cap = other.m_cap;
        m_fd = std::exchange(other.m_fd, -1);
        m_status = other.m_status;
        m_errno = other.m_errno;
        m_data = std::move(other.m_data);
        m_used = other.m_used;
    }
    return *this;
}

StartedRead::~StartedRead()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

ReadStatus StartedRead::Finish(QByteArray& out)
{
    ReadStatus status = m_status;
    if (m_fd >= 0) {
        status = ReadRest(std::exchange(m_fd, -1), m_data, m_used, m_cap);
        m_status = ReadStatus::Failed; // the data went to out; a second Finish gives nothing
    } else {
        errno = m_errno;
    }
    out = std::move(m_data);
    if (status != ReadStatus::Ok) {
        out.resize(0);
    }
    ReportRead(status, m_dirFd, m_name.constData(), m_cap);
    return status;
}

} // namespace SafeFile
