#include "StoreLock.h"

#include "SafeFile.h"
#include "StoreLog.h"

#include <QCoreApplication>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

StoreLock::~StoreLock()
{
    Release();
}

StoreLock::Result StoreLock::Acquire(const QString& dbDir)
{
    Release();
    const QByteArray path = SafeFile::Encode(dbDir + u'/' + FileName());
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        const int err = errno;
        qCWarning(lcStore) << "cannot open the lock file" << SafeFile::Decode(path) << "-" << qt_error_string(err);
        return Result::Failed;
    }
    // A lock of the open file itself (not of the process), so two opens in one program exclude each other too; over
    // NFS and SMB it becomes the share's own record lock.
    struct flock lock
    {
    };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    int rc = ::fcntl(fd, F_OFD_SETLK, &lock);
    if (rc != 0 && errno == EINVAL) {
        rc = ::flock(fd, LOCK_EX | LOCK_NB); // a system without such locks
    }
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        // A store in use is told to the user; any other failure only here.
        if (err == EAGAIN || err == EACCES || err == EWOULDBLOCK) {
            return Result::InUse;
        }
        qCWarning(lcStore) << "cannot lock" << SafeFile::Decode(path) << "-" << qt_error_string(err);
        return Result::Failed;
    }
    m_fd = fd;
    return Result::Locked;
}

void StoreLock::Release()
{
    if (m_fd >= 0) {
        ::close(m_fd); // closing frees the lock; the file stays for the next program
        m_fd = -1;
    }
}

QString StoreLock::FileName()
{
    return QStringLiteral("Vidsora.lock");
}

QString StoreLock::InUseMessage(const QString& dbDir)
{
    return QStringLiteral("The collection %1 is in use by another Vidsora.").arg(dbDir);
}
