#include "core/PickLists.h"

#include "core/mFunctions.h"
#include "core/mLog.h"

#include "AnsiText.h"
#include "Registry.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>

namespace PickLists {

std::span<const PickListNames> Table()
{
    static constexpr PickListNames table[] = {
        {PickList::Picture, "picture.mld", "Picture", "&Picture formats", "fraPicture", "txtPicture", "cboPicture"},
        {PickList::Audio, "soundmix.mld", "Soundmix", "&Soundmix", "fraSoundmix", "txtSoundmix", "cboSoundmix"},
        {PickList::LangSpoken, "langspoken.mld", "Spoken", "Spo&ken language", "fraSpoken", "txtSpoken",
         "cboSpokenLanguage"},
        {PickList::LangSub, "langsub.mld", "Subtitles", "Su&btitles", "fraSubtitles", "txtSubtitles", "cboSubtitles"},
        {PickList::Extras, "extras.mld", "Extras", "E&xtras", "fraExtras", "txtExtras", "cboExtras"},
        {PickList::Studios, "studios.mld", "Studios", "S&tudios", "fraStudios", "txtStudios", "cboStudios"},
    };
    return table;
}

const PickListNames& NamesOf(PickList list)
{
    for (const PickListNames& names : Table()) {
        if (names.list == list) {
            return names;
        }
    }
    return Table().front();
}

const QList<PickList>& All()
{
    static const QList<PickList> lists = [] {
        QList<PickList> all;
        for (const PickListNames& names : Table()) {
            all.append(names.list);
        }
        return all;
    }();
    return lists;
}

QString FileName(PickList list)
{
    return QLatin1String(NamesOf(list).file);
}

QString UserFolder()
{
    return Registry::DataFolder() + QStringLiteral("/Resources");
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
        // Regular files only, within the cap: a pipe under a list's name never blocks the window that asked.
        switch (SafeFile::Read(path, bytes, kMaxPickListBytes)) {
        case SafeFile::ReadStatus::Ok:
            result.status = ReadStatus::Loaded;
            result.text = AnsiText::Decode(bytes);
            return result;
        case SafeFile::ReadStatus::Missing:
            break;
        case SafeFile::ReadStatus::NotRegular:
        case SafeFile::ReadStatus::TooLarge:
        case SafeFile::ReadStatus::Failed:
            qCWarning(lcApp) << "cannot read the pick list" << path;
            result.status = ReadStatus::Unreadable;
            return result;
        }
    }
    result.status = ReadStatus::Missing;
    result.path = UserFilePath(list);
    return result;
}

Result<> WriteFileText(PickList list, const QString& text)
{
    if (!AnsiText::IsEncodable(text)) {
        qCWarning(lcApp) << "refused to write" << FileName(list) << "with characters the code page lacks";
        return Failure::OfErrno(EILSEQ, UserFilePath(list));
    }
    const QString folder = UserFolder();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcApp) << "cannot make the pick-list folder" << folder;
        return Failure::OfErrno(EIO, folder);
    }
    auto written = AnsiText::WriteFile(UserFilePath(list), text);
    if (!written) {
        qCWarning(lcApp) << "cannot write the pick list" << UserFilePath(list) << "-" << written.why();
    }
    return written;
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
