#include "transfer/WholeFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace WholeFile {

namespace {

// Closes the descriptor on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

ReadResult Read(const QString& path, qint64 cap, QByteArray& bytes)
{
    bytes.clear();
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty()) {
        return ReadResult::Unreadable;
    }
    // Non-blocking, so opening a pipe with no writer returns at once instead of waiting for one.
    const Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        return ReadResult::Unreadable;
    }
    struct stat info = {};
    if (::fstat(fd.get(), &info) != 0) {
        return ReadResult::Unreadable;
    }
    if (!S_ISREG(info.st_mode)) {
        return ReadResult::NotRegularFile;
    }
    if (info.st_size > cap) {
        return ReadResult::TooLarge;
    }
    // The file may grow while it is read; one byte past the cap tells.
    QByteArray data;
    data.resize(qsizetype(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled > cap) {
                return ReadResult::TooLarge;
            }
            data.resize(std::min<qsizetype>(data.size() * 2, qsizetype(cap) + 1));
        }
        const ssize_t got = ::read(fd.get(), data.data() + filled, size_t(data.size() - filled));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadResult::Unreadable;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    if (filled > cap) {
        return ReadResult::TooLarge;
    }
    data.truncate(filled);
    bytes = std::move(data);
    return ReadResult::Ok;
}

} // namespace WholeFile
