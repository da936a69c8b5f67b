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
    m_error = 0;
    const QByteArray path = SafeFile::Encode(dbDir + u'/' + FileName());
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    bool readOnly = false;
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // A lock file this user may not write (made by another user, or on a read-only disk) still locks: a
        // descriptor open for reading holds the same locks.
        const int err = errno;
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        readOnly = true;
        if (fd < 0 && errno == ENOENT) {
            errno = err; // no lock file, and none can be made: the reason is the first one
        }
    }
    if (fd < 0) {
        m_error = errno;
        qCWarning(lcStore) << "cannot open the lock file" << SafeFile::Decode(path) << "-" << qt_error_string(m_error);
        return Result::Failed;
    }
    // Two locks of the open file itself (not of the process), so two opens in one program exclude each other too. A
    // record lock over the whole file: over NFS and SMB it becomes the share's own lock; a descriptor open for reading
    // can only take a shared one, which still keeps out every program holding or asking for the exclusive one. And
    // an exclusive flock, which any descriptor can take, so that two programs that can only read the lock file keep
    // each other out as well.
    struct flock lock
    {
    };
    lock.l_type = readOnly ? F_RDLCK : F_WRLCK;
    lock.l_whence = SEEK_SET;
    int rc = ::fcntl(fd, F_OFD_SETLK, &lock);
    if (rc != 0 && errno == EINVAL) {
        rc = 0; // a system without such locks: the flock alone
    }
    if (rc == 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // A share that keeps flock as a record lock refuses an exclusive one to a read-only descriptor; the shared
        // record lock taken above then holds alone.
        rc = (readOnly && errno == EBADF) ? 0 : -1;
    }
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        // A store in use is told to the user; any other failure only here.
        if (err == EAGAIN || err == EACCES || err == EWOULDBLOCK) {
            return Result::InUse;
        }
        m_error = err;
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

QString StoreLock::FailedMessage(const QString& dbDir) const
{
    return QStringLiteral("The collection %1 cannot be locked against a second Vidsora: the lock file %2 cannot be "
                          "opened or locked (%3).")
        .arg(dbDir, dbDir + u'/' + FileName(), qt_error_string(m_error));
}
