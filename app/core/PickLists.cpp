#include "core/PickLists.h"

#include "core/mFunctions.h"
#include "core/mLog.h"

#include "AnsiText.h"
#include "Registry.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

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

namespace {

// The bytes of the list's file: the user's, or when the user has none, the default. The path read (or the user's
// when there is none) and how the read went.
SafeFile::ReadStatus ReadBytes(PickList list, QByteArray* bytes, QString* path)
{
    for (const QString& candidate : {UserFilePath(list), DefaultFilePath(list)}) {
        *path = candidate;
        // Regular files only, within the cap: a pipe under a list's name never blocks the window that asked, and a
        // file of any size costs at most the cap.
        const SafeFile::ReadStatus status = SafeFile::Read(candidate, *bytes, kMaxPickListBytes);
        if (status != SafeFile::ReadStatus::Missing) {
            if (status != SafeFile::ReadStatus::Ok) {
                qCWarning(lcApp) << "cannot read the pick list" << candidate;
            }
            return status;
        }
    }
    *path = UserFilePath(list);
    return SafeFile::ReadStatus::Missing;
}

// The entries of a list's text (bytes or characters, one character per byte) within the limits; how many were cut,
// and whether any were left out.
template <typename View, typename Convert>
QStringList Entries(View text, Convert convert, qsizetype* cut = nullptr, bool* leftOut = nullptr)
{
    QStringList entries;
    qsizetype cutCount = 0;
    qsizetype chars = 0;
    bool more = false;
    const qsizetype n = text.size();
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start;
        while (end < n && text[end] != u'\r') {
            ++end;
        }
        qsizetype b = start;
        qsizetype e = end;
        while (b < e && text[b] == u' ') {
            ++b;
        }
        while (e > b && text[e - 1] == u' ') {
            --e;
        }
        start = end + 1;
        if (start < n && text[start] == u'\n') {
            ++start;
        }
        if (b == e) {
            continue;
        }
        const bool tooLong = e - b > kMaxEntryChars;
        if (tooLong) {
            e = b + kMaxEntryChars;
            while (e > b && text[e - 1] == u' ') {
                --e;
            }
        }
        if (entries.size() == kMaxEntries || chars + (e - b) > kMaxListChars) {
            more = true;
            break;
        }
        cutCount += tooLong ? 1 : 0;
        chars += e - b;
        entries.append(convert(text.sliced(b, e - b)));
    }
    if (cut != nullptr) {
        *cut = cutCount;
    }
    if (leftOut != nullptr) {
        *leftOut = more;
    }
    return entries;
}

QMutex g_noticeMutex;
QSet<QString> g_noted; // files whose notice was made this run
QStringList g_untold;  // notices not taken yet

// Notes, once per file and run, what the editors leave out of it.
void Note(const QString& path, const QString& sentence)
{
    const QMutexLocker locker(&g_noticeMutex);
    if (g_noted.contains(path)) {
        return;
    }
    g_noted.insert(path);
    g_untold.append(sentence);
    qCWarning(lcApp).noquote() << sentence;
}

} // namespace

PickListText ReadFileText(PickList list)
{
    PickListText result;
    QByteArray bytes;
    switch (ReadBytes(list, &bytes, &result.path)) {
    case SafeFile::ReadStatus::Ok:
        result.status = ReadStatus::Loaded;
        result.text = AnsiText::Decode(bytes);
        break;
    case SafeFile::ReadStatus::Missing:
        result.status = ReadStatus::Missing;
        break;
    case SafeFile::ReadStatus::NotRegular:
    case SafeFile::ReadStatus::TooLarge:
    case SafeFile::ReadStatus::Failed:
        result.status = ReadStatus::Unreadable;
        break;
    }
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
    return Entries(QStringView(text), [](QStringView entry) { return entry.toString(); });
}

QStringList ReadEntries(PickList list)
{
    // Split from the bytes, so only what is offered is ever turned into text.
    QByteArray bytes;
    QString path;
    const SafeFile::ReadStatus status = ReadBytes(list, &bytes, &path);
    if (status == SafeFile::ReadStatus::TooLarge) {
        Note(path, QStringLiteral("The pick list \"%1\" is larger than %2 MB, so none of its entries are offered.")
                       .arg(path)
                       .arg(kMaxPickListBytes / (1024 * 1024)));
    }
    if (status != SafeFile::ReadStatus::Ok) {
        return {};
    }
    qsizetype cut = 0;
    bool leftOut = false;
    QStringList entries = Entries(
        QByteArrayView(bytes), [](QByteArrayView entry) { return AnsiText::Decode(entry); }, &cut, &leftOut);
    if (cut > 0 || leftOut) {
        QStringList what;
        if (leftOut) {
            what.append(QStringLiteral("only its first %1 entries are offered").arg(entries.size()));
        }
        if (cut > 0) {
            what.append(
                QStringLiteral("%1 entries longer than %2 characters are cut there").arg(cut).arg(kMaxEntryChars));
        }
        Note(path, QStringLiteral("The pick list \"%1\" is larger than a list the editors offer whole: %2.")
                       .arg(path, what.join(QStringLiteral(", and "))));
    }
    return entries;
}

QString TakeNotice()
{
    const QMutexLocker locker(&g_noticeMutex);
    const QString notice = g_untold.join(u'\n');
    g_untold.clear();
    return notice;
}

} // namespace PickLists
