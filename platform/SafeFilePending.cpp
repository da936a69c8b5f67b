// The pending write: a file written in pieces into a temporary file beside its target and put in place at Commit.
#include "SafeFileInternal.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

using namespace Internal;

Pending::Pending(const QString& target, unsigned mode) : m_target(Encode(target)), m_mode(mode) {}

Pending::~Pending()
{
    Cancel();
}

Result<> Pending::Open()
{
    if (m_fd >= 0 || m_committed) {
        return Failure::OfErrno(EINVAL, Decode(m_target)); // open already, or done
    }
    const qsizetype slash = m_target.lastIndexOf('/');
    // The temporary name stays within a file name's 255 bytes, whatever the target's length.
    const QByteArray name = m_target.mid(slash + 1).left(200);
    struct stat st;
    const bool exists = ::stat(m_target.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        return Traced("cannot write", m_target, EISDIR); // the rename could never replace it
    }
    // In a batch a new file is synced with the batch; a file that was there before is synced on its own, so its old
    // version stays whole until the new one is on disk.
    m_deferred = DefersToBatch(m_target, m_target.left(slash), exists);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = m_target.left(slash + 1) + '.' + name + '.' +
                 QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        if (Injected(Faults::Create)) {
            const Failure failed = Traced("cannot create a temporary file to write", m_target, errno);
            m_temp.clear();
            return failed;
        }
        m_fd = ::open(m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(m_mode));
        if (m_fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        const Failure failed = Traced("cannot create a temporary file to write", m_target, errno);
        m_temp.clear();
        return failed;
    }
    if (exists && S_ISREG(st.st_mode)) {
        // The new version keeps the old one's permissions, except that a private file (one asked for without group
        // or other bits, the settings with the password) stays private even when someone opened the old one up.
        mode_t keep = st.st_mode & 07777;
        if ((m_mode & 077) == 0) {
            keep &= mode_t(m_mode);
        }
        ::fchmod(m_fd, keep);
    }
    m_failure.reset();
    m_finished = false;
    return {};
}

Result<> Pending::Append(QByteArrayView bytes)
{
    if (m_failure) {
        return *m_failure;
    }
    if (m_fd < 0) {
        return Failure::OfErrno(EBADF, Decode(m_target)); // not open
    }
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        size_t chunk = size_t(left);
        if (Injected(Faults::WriteBytes)) {
            return Keep(Traced("cannot write", m_target, errno));
        }
        const qint64 budget = Budget();
        if (budget >= 0) {
            if (budget == 0) {
                errno = ENOSPC;
                return Keep(Traced("cannot write", m_target, errno));
            }
            chunk = size_t(std::min<qint64>(budget, qint64(chunk)));
        }
        const ssize_t n = ::write(m_fd, data, chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Keep(Traced("cannot write", m_target, n < 0 ? errno : ENOSPC));
        }
        if (budget >= 0) {
            SpendBudget(n);
        }
        data += n;
        left -= n;
    }
    return {};
}

Result<> Pending::Finish()
{
    if (m_failure) {
        return *m_failure;
    }
    if (m_fd < 0) {
        return Failure::OfErrno(EBADF, Decode(m_target)); // not open
    }
    bool ok = true;
    if (m_deferred) {
        DeferFile(m_target);
    } else {
        ok = !Injected(Faults::Sync) && (SyncsSkipped() || ::fdatasync(m_fd) == 0);
    }
    int err = ok ? 0 : errno;
    // On Linux the descriptor is gone even when close is interrupted; the data was synced above.
    const bool closed = ::close(m_fd) == 0 || errno == EINTR;
    if (!closed && err == 0) {
        err = errno;
    }
    m_fd = -1;
    ok = !Injected(Faults::Close) && closed && ok;
    if (!ok) {
        return Keep(Traced("cannot sync and close", m_target, err != 0 ? err : errno));
    }
    m_finished = true;
    return {};
}

Result<> Pending::Commit()
{
    if (m_failure) {
        return *m_failure;
    }
    if (!m_finished || m_committed) {
        return Failure::OfErrno(EINVAL, Decode(m_target)); // not finished, or done
    }
    if (Injected(Faults::Rename) || ::rename(m_temp.constData(), m_target.constData()) != 0) {
        return Traced("cannot put in place", m_target, errno);
    }
    m_committed = true;
    m_temp.clear();
    return {};
}

Result<> Pending::Keep(Failure failure)
{
    m_failure = failure;
    return failure;
}

void Pending::Cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty() && !m_committed) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
    m_finished = false;
}

} // namespace SafeFile
