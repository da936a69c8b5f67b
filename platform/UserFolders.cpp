#include "UserFolders.h"

#include "PlatformLog.h"
#include "SafeFile.h"

#include <QDir>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace UserFolders {

QString XdgHome(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
        return value;
    }
    return QDir::homePath() + u'/' + fallback;
}

QString ConfigHome()
{
    return XdgHome("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString DataHome()
{
    return XdgHome("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString TempPath()
{
    const QString configured = qEnvironmentVariable("TMPDIR");
    return configured.isEmpty() ? QDir::tempPath() : QDir::cleanPath(QDir(configured).absolutePath());
}

Result<OwnFolder> MakeOwnFolder(const std::function<QString(int attempt)>& nameAt, int attempts)
{
    QString path;
    int err = EEXIST;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        path = nameAt(attempt);
        const QByteArray native = SafeFile::Encode(path);
        if (::mkdir(native.constData(), 0700) != 0) {
            err = errno;
            if (err == EEXIST) {
                continue; // taken, by anything: the next name instead
            }
            qCWarning(lcPlatform) << "cannot make the folder" << path << "-" << qt_error_string(err);
            break;
        }
        struct stat st;
        if (::lstat(native.constData(), &st) != 0) {
            err = errno;
            break;
        }
        if (!S_ISDIR(st.st_mode)) {
            err = ENOTDIR; // swapped for something else at once
            break;
        }
        ::chmod(native.constData(), 0700); // whatever the umask left
        return OwnFolder{path, st.st_dev, st.st_ino};
    }
    return Failure::OfErrno(err, path);
}

bool RemoveOwnFolder(const OwnFolder& folder)
{
    if (folder.IsNull()) {
        return false;
    }
    const QByteArray native = SafeFile::Encode(folder.path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(st.st_mode) || st.st_dev != folder.device || st.st_ino != folder.inode) {
        qCWarning(lcPlatform) << "the folder was replaced by another; left alone:" << folder.path;
        return false;
    }
    if (!SafeFile::RemoveTree(folder.path)) {
        qCWarning(lcPlatform) << "the folder could not be removed:" << folder.path;
        return false;
    }
    return true;
}

} // namespace UserFolders
