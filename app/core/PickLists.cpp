#include "core/PickLists.h"

#include "core/mFunctions.h"

#include "AnsiText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PickLists {
namespace {

Q_LOGGING_CATEGORY(lcPickLists, "vidsora.picklists")

enum class FileRead
{
    Ok,
    Missing,
    Failed,
};

// Reads a whole regular file of at most maxBytes. The one place that touches the file, so it can move to the
// platform's bounded reader; O_NONBLOCK keeps a pipe from blocking the window that asked.
FileRead ReadBounded(const QString& path, qint64 maxBytes, QByteArray& bytes)
{
    bytes.clear();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    }
    FileRead result = FileRead::Failed;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= maxBytes) {
        // Read to the end, not to the size seen: a file that grows meanwhile is cut at the cap, never overrun.
        bytes.resize(qsizetype(st.st_size) + 1);
        qint64 got = 0;
        result = FileRead::Ok;
        for (;;) {
            if (got == bytes.size()) {
                if (got > maxBytes) {
                    result = FileRead::Failed;
                    break;
                }
                bytes.resize(qsizetype(qMin<qint64>(maxBytes + 1, got * 2 + 1)));
            }
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                result = FileRead::Failed;
                break;
            }
            if (n == 0) {
                break;
            }
            got += n;
        }
        bytes.truncate(qsizetype(got));
    }
    ::close(fd);
    if (result != FileRead::Ok) {
        bytes.clear();
    }
    return result;
}

} // namespace

const QList<PickList>& All()
{
    static const QList<PickList> lists{PickList::Picture, PickList::Soundmix, PickList::LangSpoken,
                                       PickList::LangSub, PickList::Extras,   PickList::Studios};
    return lists;
}

QString FileName(PickList list)
{
    switch (list) {
    case PickList::Picture:
        return QStringLiteral("picture.mld");
    case PickList::Soundmix:
        return QStringLiteral("soundmix.mld");
    case PickList::LangSpoken:
        return QStringLiteral("langspoken.mld");
    case PickList::LangSub:
        return QStringLiteral("langsub.mld");
    case PickList::Extras:
        return QStringLiteral("extras.mld");
    case PickList::Studios:
        return QStringLiteral("studios.mld");
    }
    return {};
}

QString UserFolder()
{
    // A relative XDG_DATA_HOME is to be ignored, as for every XDG variable.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/Halvorix/Vidsora/Resources");
}

QString DefaultsFolder()
{
    return ::ProgramFolder() + QStringLiteral("/Resources");
}

QString UserFilePath(PickList list)
{
    return UserFolder() + u'/' + FileName(list);
}

QString DefaultFilePath(PickList list)
{
    return DefaultsFolder() + u'/' + FileName(list);
}

PickListText ReadFileText(PickList list)
{
    PickListText result;
    QByteArray bytes;
    for (const QString& path : {UserFilePath(list), DefaultFilePath(list)}) {
        result.path = path;
        switch (ReadBounded(path, kMaxPickListBytes, bytes)) {
        case FileRead::Ok:
            result.status = ReadStatus::Loaded;
            result.text = AnsiText::Decode(bytes);
            return result;
        case FileRead::Failed:
            qCWarning(lcPickLists) << "cannot read the pick list" << path;
            result.status = ReadStatus::Unreadable;
            return result;
        case FileRead::Missing:
            break;
        }
    }
    result.status = ReadStatus::Missing;
    result.path = UserFilePath(list);
    return result;
}

bool WriteFileText(PickList list, const QString& text)
{
    if (!AnsiText::IsEncodable(text)) {
        qCWarning(lcPickLists) << "refused to write" << FileName(list) << "with characters the code page lacks";
        return false;
    }
    const QString folder = UserFolder();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcPickLists) << "cannot make the pick-list folder" << folder;
        return false;
    }
    if (!AnsiText::WriteFile(UserFilePath(list), text)) {
        qCWarning(lcPickLists) << "cannot write the pick list" << UserFilePath(list);
        return false;
    }
    return true;
}

QStringList EntriesOf(const QString& text)
{
    QStringList entries;
    for (const QString& line : AnsiText::SplitRecordLines(text)) {
        QString entry = AnsiText::Trim(line);
        if (!entry.isEmpty()) {
            entries.append(std::move(entry));
        }
    }
    return entries;
}

QStringList ReadEntries(PickList list)
{
    const PickListText file = ReadFileText(list);
    return file.status == ReadStatus::Loaded ? EntriesOf(file.text) : QStringList();
}

} // namespace PickLists
