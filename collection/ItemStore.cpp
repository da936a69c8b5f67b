#include "ItemStore.h"

#include "AnsiText.h"
#include "CBox.h"
#include "CCategory.h"
#include "CCoveredItem.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"
#include "MGeneral.h"
#include "SafeFile.h"
#include "StoreLog.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ItemStore {
namespace {

const QString kHeader = QStringLiteral("'Vidsora 3.3 Databasefile - DO NOT EDIT");
const QString kRecord = QStringLiteral("content.mdc");
const QString kNotes = QStringLiteral("Notes.txt");
const QString kSynopsis = QStringLiteral("Synopsis.txt");
constexpr int kMaxVariants = 10000;

enum Field
{
    ID,
    NAME,
    TITLE,
    LABEL,
    SORTKEY,
    UPC,
    MEDIA,
    DVDREGION,
    DVDTYPE,
    DVDCASE,
    LDTYPE,
    PICTURE,
    SOUNDMIX,
    SUBTITLES,
    COLORSYSTEM,
    COUNTRY,
    YEAR,
    LENGTH,
    STUDIO,
    WEBSITE,
    EXTRAS,
    WRITER,
    DIRECTOR,
    PRODUCER,
    CAST,
    PARENTTYPE,
    PARENTID,
    FieldCount
};

// Keys of the record in Field order.
const QByteArrayView kKeys[FieldCount] = {
    "ID",      "NAME",    "TITLE",   "LABEL",    "SORTKEY",   "UPC",         "MEDIA",   "DVDREGION",  "DVDTYPE",
    "DVDCASE", "LDTYPE",  "PICTURE", "SOUNDMIX", "SUBTITLES", "COLORSYSTEM", "COUNTRY", "YEAR",       "LENGTH",
    "STUDIO",  "WEBSITE", "EXTRAS",  "WRITER",   "DIRECTOR",  "PRODUCER",    "CAST",    "PARENTTYPE", "PARENTID",
};

// The field of a key, matched with case; FieldCount when there is none. Keys are told apart by length and first
// letter before one comparison, since this runs for every record line of a load.
Field FieldOf(QByteArrayView key)
{
    static const auto index = [] {
        // For each (length, first letter) the fields with that shape; no two keys share both here but a few.
        std::array<std::array<std::array<int8_t, 3>, 26>, 12> table{};
        for (auto& byLength : table) {
            for (auto& slot : byLength) {
                slot.fill(-1);
            }
        }
        for (int f = 0; f < FieldCount; ++f) {
            auto& slot = table[size_t(kKeys[f].size())][size_t(kKeys[f][0] - 'A')];
            *std::find(slot.begin(), slot.end(), -1) = int8_t(f);
        }
        return table;
    }();
    const qsizetype n = key.size();
    if (n < 2 || n > 11) {
        return FieldCount;
    }
    const char first = key[0];
    if (first < 'A' || first > 'Z') {
        return FieldCount;
    }
    for (int8_t f : index[size_t(n)][size_t(first - 'A')]) {
        if (f < 0) {
            break;
        }
        if (key == kKeys[f]) {
            return Field(f);
        }
    }
    return FieldCount;
}

// Calls f with each line of text as the record reader splits it: CR LF or a lone CR ends a line, a lone LF stays
// inside; a final line end yields no empty last line.
template <class F> void ForEachLine(QByteArrayView text, F&& f)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        const char* cr = static_cast<const char*>(std::memchr(text.data() + start, '\r', size_t(n - start)));
        if (!cr) {
            f(text.sliced(start));
            return;
        }
        const qsizetype at = cr - text.data();
        f(text.sliced(start, at - start));
        start = (at + 1 < n && text[at + 1] == '\n') ? at + 2 : at + 1;
    }
}

// Removes the space character (only it) at both ends.
QByteArrayView TrimSpaces(QByteArrayView v)
{
    qsizetype b = 0;
    qsizetype e = v.size();
    while (b < e && v[b] == ' ') {
        ++b;
    }
    while (e > b && v[e - 1] == ' ') {
        --e;
    }
    return v.sliced(b, e - b);
}

bool IsMulti(Field f)
{
    switch (f) {
    case PICTURE:
    case SOUNDMIX:
    case SUBTITLES:
    case EXTRAS:
    case WRITER:
    case DIRECTOR:
    case PRODUCER:
    case CAST:
        return true;
    default:
        return false;
    }
}

// The keys each kind reads and writes.
bool KindHas(ItemKind kind, Field f)
{
    switch (kind) {
    case ItemKind::Category:
        return f == ID || f == NAME || f == SORTKEY;
    case ItemKind::Group:
        return f == ID || f == NAME || f == SORTKEY || f == PARENTTYPE || f == PARENTID;
    case ItemKind::Box:
        return f == ID || f == NAME || f == SORTKEY || f == EXTRAS || f == UPC || f == PARENTTYPE || f == PARENTID;
    case ItemKind::Media:
        return f == ID || f == NAME || f == SORTKEY || f == UPC || (f >= MEDIA && f <= LDTYPE) || f == EXTRAS ||
               f == PARENTTYPE || f == PARENTID;
    case ItemKind::Movie:
        return f != NAME && f != FieldCount;
    }
    return false;
}

class RecordWriter
{
public:
    RecordWriter()
    {
        m_text.reserve(1024);
        m_text += kHeader;
        m_text += u"\r\n";
    }
    void Number(QStringView key, int value)
    {
        m_text += key;
        m_text += u" = ";
        m_text += QString::number(value);
        m_text += u"\r\n";
    }
    void Text(QStringView key, QStringView value)
    {
        m_text += key;
        m_text += u" = ";
        m_text += MGeneral::FlattenLine(value);
        m_text += u"\r\n";
    }
    void Multi(QStringView key, QStringView value)
    {
        m_text += MGeneral::FormatMultiLine(key, value);
        m_text += u"\r\n";
    }
    QString Finish()
    {
        m_text += u"\r\n";
        return m_text;
    }

private:
    QString m_text;
};

void WriteMedia(RecordWriter& w, const mTypMediaInfo& m)
{
    w.Text(u"MEDIA", m.strMedia);
    w.Text(u"DVDREGION", m.strDVDRegion);
    w.Text(u"DVDTYPE", m.strDVDType);
    w.Text(u"DVDCASE", m.strDVDCase);
    w.Text(u"LDTYPE", m.strLDType);
}

// A decimal 32-bit signed number with an optional sign; nothing for any other text or a value out of range.
std::optional<int> ToInt(QByteArrayView value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        negative = value[i] == '-';
        ++i;
    }
    if (i == value.size()) {
        return std::nullopt;
    }
    qint64 n = 0;
    for (; i < value.size(); ++i) {
        const char c = value[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        n = n * 10 + (c - '0');
        if (n > qint64(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    n = negative ? -n : n;
    if (n > INT_MAX || n < INT_MIN) {
        return std::nullopt;
    }
    return int(n);
}

// The text of a movie's notes or synopsis file, line by line as the record reader splits them: leading empty lines
// are dropped, the others joined by CR LF.
QString ReadTextFile(SafeFile::StartedRead& read, QByteArray& file)
{
    if (read.Finish(file) != SafeFile::ReadStatus::Ok) {
        return {};
    }
    QByteArrayView raw = file;
    // Without a lone CR the line-by-line join only drops leading empty lines and the final line end.
    bool loneCr = false;
    for (qsizetype i = raw.indexOf('\r'); i >= 0 && !loneCr; i = raw.indexOf('\r', i + 1)) {
        loneCr = i + 1 == raw.size() || raw[i + 1] != '\n';
    }
    if (!loneCr) {
        while (raw.startsWith("\r\n")) {
            raw = raw.sliced(2);
        }
        if (raw.endsWith("\r\n")) {
            raw.chop(2);
        }
        return AnsiText::Decode(raw);
    }
    QByteArray text;
    text.reserve(raw.size());
    ForEachLine(raw, [&](QByteArrayView line) {
        if (!text.isEmpty()) {
            text += "\r\n";
        }
        text += line;
    });
    return AnsiText::Decode(text);
}

// The record files of the item, by name: "content.mdc", and for movies "Notes.txt" and "Synopsis.txt".
std::vector<std::pair<QString, QByteArray>> RecordFiles(const CItem& item)
{
    std::vector<std::pair<QString, QByteArray>> files;
    files.emplace_back(kRecord, AnsiText::Encode(RecordText(item)));
    if (item.Kind() == ItemKind::Movie) {
        const auto& movie = static_cast<const CMovie&>(item);
        files.emplace_back(kNotes, AnsiText::Encode(movie.strNotes() + QStringLiteral("\r\n")));
        files.emplace_back(kSynopsis, AnsiText::Encode(movie.strSynopsis() + QStringLiteral("\r\n")));
    }
    return files;
}

// Why a cover source could not be read.
QString ReadFailure(SafeFile::ReadStatus status, int err)
{
    switch (status) {
    case SafeFile::ReadStatus::Missing:
        return QStringLiteral("it does not exist");
    case SafeFile::ReadStatus::NotRegular:
        return QStringLiteral("it is not a regular file");
    case SafeFile::ReadStatus::TooLarge:
        return QStringLiteral("it is too large");
    case SafeFile::ReadStatus::Failed:
    case SafeFile::ReadStatus::Ok:
        break;
    }
    return qt_error_string(err);
}

// What a listing of an item folder tells: the stray temporary files of an interrupted save, and the names under
// which the movie text files lie (another system may have written them in another case).
struct FolderScan
{
    std::vector<QByteArray> temps;
    QByteArray notes;                       // the name of the notes file, "Notes.txt" first when several cases exist
    QByteArray synopsis;                    // the same for the synopsis
    std::vector<QByteArray> variants[2];    // other-case names of "Notes.txt" and "Synopsis.txt"
    std::vector<QByteArray> recordVariants; // other-case names of "content.mdc"
    bool record = false;                    // "content.mdc" itself is listed
};

// Lists the open folder dirFd (which stays open), in one system call for a small folder and without a directory
// stream: a load lists every item folder.
FolderScan ScanFolder(int dirFd)
{
    FolderScan scan;
    static const char* const kTexts[2] = {"Notes.txt", "Synopsis.txt"};
    const auto visit = [&](const char* name) {
        if (name[0] == '.') {
            if (SafeFile::IsTempName(name)) {
                scan.temps.emplace_back(name);
            }
            return;
        }
        for (int t = 0; t < 2; ++t) {
            if (::strcasecmp(name, kTexts[t]) != 0) {
                continue;
            }
            QByteArray& found = t == 0 ? scan.notes : scan.synopsis;
            if (std::strcmp(name, kTexts[t]) == 0) {
                if (!found.isEmpty()) {
                    scan.variants[t].push_back(found);
                }
                found = name;
            } else if (found.isEmpty()) {
                found = name;
            } else {
                scan.variants[t].emplace_back(name);
            }
        }
        if (::strcasecmp(name, "content.mdc") == 0) {
            if (std::strcmp(name, "content.mdc") != 0) {
                scan.recordVariants.emplace_back(name);
            } else {
                scan.record = true;
            }
        }
    };
    alignas(8) char buffer[8192];
    ::lseek(dirFd, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = ::getdents64(dirFd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            visit(entry->d_name);
            at += entry->d_reclen;
        }
    }
    return scan;
}

FolderScan ScanFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    FolderScan scan = ScanFolder(fd);
    ::close(fd);
    return scan;
}

// Removes the stray temporary files a scan found; true when any went.
bool RemoveTemps(const QByteArray& folder, const FolderScan& scan)
{
    bool removed = false;
    for (const QByteArray& name : scan.temps) {
        const QString path = SafeFile::Decode(folder + '/' + name);
        struct stat st;
        if (::lstat((folder + '/' + name).constData(), &st) == 0) {
            const auto gone = S_ISDIR(st.st_mode) ? SafeFile::RemoveTree(path) : SafeFile::Remove(path);
            if (!gone) {
                qCWarning(lcStore) << "cannot remove" << path << "left by an interrupted save or delete";
            }
            removed = gone || removed;
        }
    }
    return removed;
}

// After a save: removes stray temporary files, and the other-case copies of the files just written, but only those
// that are really other files: the listing taken after the write shows both names (on a file system that ignores case
// it shows one entry for the file just written, whatever its inode numbers) and they are not links to one file. Keeps
// the cover the item names and removes other covers of the same side (left by an interrupted cover change).
void TidyFolder(CItem& item, const QString& folder)
{
    const QByteArray native = SafeFile::Encode(folder);
    const FolderScan scan = ScanFolder(native);
    bool changed = RemoveTemps(native, scan);
    // Called only for names the scan listed beside `kept` itself.
    const auto removeIfOther = [&](const QByteArray& name, const QString& kept) {
        const QString path = folder + u'/' + SafeFile::Decode(name);
        if (SafeFile::SameFile(path, folder + u'/' + kept)) {
            return;
        }
        if (SafeFile::Remove(path)) {
            changed = true;
        } else {
            qCWarning(lcStore) << "cannot remove" << path << "which differs from" << kept << "only in case";
        }
    };
    if (scan.record) {
        for (const QByteArray& name : scan.recordVariants) {
            removeIfOther(name, kRecord);
        }
    }
    if (item.Kind() == ItemKind::Movie) {
        for (int t = 0; t < 2; ++t) {
            const QString kept = t == 0 ? kNotes : kSynopsis;
            // The scan names the exact spelling first when it is listed; when it is not, the one entry listed is
            // the file just written under its old spelling.
            if ((t == 0 ? scan.notes : scan.synopsis) != SafeFile::Encode(kept)) {
                continue;
            }
            for (const QByteArray& name : scan.variants[t]) {
                removeIfOther(name, kept);
            }
        }
    }
    if (auto* covered = dynamic_cast<CCoveredItem*>(&item)) {
        changed = covered->RemoveOtherCovers() || changed;
    }
    if (changed) {
        (void)SafeFile::SyncFolder(folder);
    }
}

} // namespace

QString KindFolder(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return QStringLiteral("Categories");
    case ItemKind::Group:
        return QStringLiteral("Groups");
    case ItemKind::Box:
        return QStringLiteral("Boxes");
    case ItemKind::Media:
        return QStringLiteral("Medias");
    case ItemKind::Movie:
        return QStringLiteral("Movies");
    }
    return {};
}

std::shared_ptr<CItem> NewItem(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return std::make_shared<CCategory>();
    case ItemKind::Group:
        return std::make_shared<CGroup>();
    case ItemKind::Box:
        return std::make_shared<CBox>();
    case ItemKind::Media:
        return std::make_shared<CMedia>();
    case ItemKind::Movie:
        return std::make_shared<CMovie>();
    }
    return {};
}

std::optional<QStringList> ListEntries(const QString& folder)
{
    DIR* dir = ::opendir(SafeFile::Encode(folder).constData());
    if (!dir) {
        return std::nullopt;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        // What an interrupted save or delete left is no item; the next load removes it.
        if (SafeFile::IsTempName(name)) {
            continue;
        }
        // Every byte of the name is kept, so a name that is not UTF-8 opens again.
        names.append(SafeFile::Decode(name));
    }
    ::closedir(dir);
    // Name order keeps loads deterministic; plain code-unit order, no locale.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
    });
    return names;
}

namespace {

// The temporary folders that a live worker of this program is building or taking apart (a staged item, a withdrawn
// one): the sweep leaves them alone. Known by device and inode, which a rename keeps, so no spelling of the store's
// path can hide one; by path too, to be let go once the folder is gone.
struct LiveFolders
{
    std::mutex mutex;
    std::set<std::pair<dev_t, ino_t>> ids;
    std::map<QByteArray, std::pair<dev_t, ino_t>> byPath;
};

// Never destroyed: a worker may still let go of a folder while the statics go.
LiveFolders& Live()
{
    static auto* const live = new LiveFolders;
    return *live;
}

// Under Live().mutex: takes the folder at path as live.
void ClaimLocked(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) == 0) {
        Live().ids.insert({st.st_dev, st.st_ino});
        Live().byPath[path] = {st.st_dev, st.st_ino};
    }
}

void Unclaim(const QString& path)
{
    LiveFolders& live = Live();
    const std::lock_guard<std::mutex> lock(live.mutex);
    const auto it = live.byPath.find(SafeFile::Encode(path));
    if (it != live.byPath.end()) {
        live.ids.erase(it->second);
        live.byPath.erase(it);
    }
}

// Whether the entry name of the open folder dirFd is a live worker's.
bool IsLive(int dirFd, const QByteArray& name)
{
    struct stat st;
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    LiveFolders& live = Live();
    const std::lock_guard<std::mutex> lock(live.mutex);
    return live.ids.count({st.st_dev, st.st_ino}) > 0;
}

// Whether a file of an item folder is one the program itself writes there.
bool IsOwnFile(const char* name)
{
    if (SafeFile::IsTempName(name) || ::strcasecmp(name, "Notes.txt") == 0 || ::strcasecmp(name, "Synopsis.txt") == 0) {
        return true;
    }
    for (const char* prefix : {"FrontCover.", "BackCover."}) {
        const size_t n = std::strlen(prefix);
        if (::strncasecmp(name, prefix, n) == 0) {
            return AnsiText::IsSafeExtension(QString::fromLatin1(name + n));
        }
    }
    return false;
}

// Whether the item folder `name` of the open kind folder kindFd is what an interrupted creation left: no record, or
// an empty one, and nothing but files the program writes. strangers gets the names of other entries.
bool IsDebris(int kindFd, const QByteArray& name, QList<QByteArray>& strangers)
{
    struct stat st;
    if (::fstatat(kindFd, (name + "/content.mdc").constData(), &st, 0) == 0 &&
        (st.st_size > 0 || !S_ISREG(st.st_mode))) {
        return false; // a record: the load reads it (or tells why it cannot)
    }
    const int fd = ::openat(kindFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* file = entry->d_name;
        if (file[0] == '.' && (file[1] == '\0' || (file[1] == '.' && file[2] == '\0'))) {
            continue;
        }
        const bool regular = ::fstatat(::dirfd(dir), file, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
        if (!regular || (std::strcmp(file, "content.mdc") != 0 && !IsOwnFile(file))) {
            strangers.append(file);
        }
    }
    ::closedir(dir);
    return strangers.isEmpty();
}

} // namespace

int RemoveDebris(const QString& kindFolder)
{
    const QByteArray native = SafeFile::Encode(kindFolder);
    const int kindFd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (kindFd < 0) {
        return 0;
    }
    DIR* dir = ::fdopendir(kindFd);
    if (!dir) {
        ::close(kindFd);
        return 0;
    }
    std::vector<QByteArray> temps;
    std::vector<QByteArray> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        if (SafeFile::IsTempName(name)) {
            temps.emplace_back(name);
            continue;
        }
        struct stat st;
        if (entry->d_type == DT_DIR ||
            (entry->d_type == DT_UNKNOWN && ::fstatat(kindFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISDIR(st.st_mode))) {
            folders.emplace_back(name);
        }
    }
    int removed = 0;
    const auto remove = [&](const QByteArray& name, const char* what) {
        const QString path = SafeFile::Decode(native + '/' + name);
        struct stat st;
        if (::lstat((native + '/' + name).constData(), &st) != 0) {
            return;
        }
        if (S_ISDIR(st.st_mode) ? SafeFile::RemoveTree(path) : SafeFile::Remove(path)) {
            ++removed;
        } else {
            qCWarning(lcStore) << "cannot remove" << path << what;
        }
    };
    for (const QByteArray& name : temps) {
        // A folder made before the listing is claimed before it is listed (StageItem claims as it makes), so what is
        // not live now is debris.
        if (!IsLive(kindFd, name)) {
            remove(name, "left by an interrupted save or delete");
        }
    }
    for (const QByteArray& name : folders) {
        QList<QByteArray> strangers;
        if (IsDebris(kindFd, name, strangers)) {
            remove(name, "left by an interrupted creation");
        } else if (!strangers.isEmpty()) {
            QStringList names;
            for (const QByteArray& stranger : strangers) {
                names << SafeFile::Decode(stranger);
            }
            qCWarning(lcStore) << "left alone" << SafeFile::Decode(native + '/' + name)
                               << "- it holds no item record, and files Vidsora does not write:" << names;
        }
    }
    ::closedir(dir); // closes kindFd
    if (removed > 0) {
        (void)SafeFile::SyncFolder(kindFolder);
    }
    return removed;
}

int CountEntries(const QString& folder)
{
    const auto names = ListEntries(folder);
    return names ? int(names->size()) : 0;
}

QString RecordText(const CItem& item)
{
    RecordWriter w;
    w.Number(u"ID", item.lngID());
    switch (item.Kind()) {
    case ItemKind::Category: {
        const auto& c = static_cast<const CCategory&>(item);
        w.Text(u"NAME", c.strName());
        w.Text(u"SORTKEY", c.strSortKey());
        break;
    }
    case ItemKind::Group: {
        const auto& g = static_cast<const CGroup&>(item);
        w.Text(u"NAME", g.strName());
        w.Text(u"SORTKEY", g.strSortKey());
        w.Number(u"PARENTTYPE", g.lngParentType());
        w.Number(u"PARENTID", g.lngParentID());
        break;
    }
    case ItemKind::Box: {
        const auto& b = static_cast<const CBox&>(item);
        w.Text(u"NAME", b.strName());
        w.Text(u"SORTKEY", b.strSortKey());
        w.Multi(u"EXTRAS", b.strExtras());
        w.Text(u"UPC", b.strUPC());
        w.Number(u"PARENTTYPE", b.lngParentType());
        w.Number(u"PARENTID", b.lngParentID());
        break;
    }
    case ItemKind::Media: {
        const auto& m = static_cast<const CMedia&>(item);
        w.Text(u"NAME", m.strName());
        w.Text(u"SORTKEY", m.strSortKey());
        w.Text(u"UPC", m.strUPC());
        WriteMedia(w, m.dMedia());
        w.Multi(u"EXTRAS", m.strExtras());
        w.Number(u"PARENTTYPE", m.lngParentType());
        w.Number(u"PARENTID", m.lngParentID());
        break;
    }
    case ItemKind::Movie: {
        const auto& m = static_cast<const CMovie&>(item);
        w.Text(u"TITLE", m.strTitle());
        w.Text(u"LABEL", m.strLabel());
        w.Text(u"SORTKEY", m.strSortKey());
        w.Text(u"UPC", m.strUPC());
        WriteMedia(w, m.dMedia());
        w.Multi(u"PICTURE", m.strPicture());
        w.Multi(u"SOUNDMIX", m.strSoundmix());
        w.Multi(u"SUBTITLES", m.strSubtitles());
        w.Text(u"COLORSYSTEM", m.strSystem());
        w.Text(u"COUNTRY", m.strCountry());
        w.Text(u"YEAR", m.strYear());
        w.Text(u"LENGTH", m.strLength());
        w.Text(u"STUDIO", m.strStudio());
        w.Text(u"WEBSITE", m.strWebsite());
        w.Multi(u"EXTRAS", m.strExtras());
        w.Multi(u"WRITER", m.strWriter());
        w.Multi(u"DIRECTOR", m.strDirector());
        w.Multi(u"PRODUCER", m.strProducer());
        w.Multi(u"CAST", m.strCast());
        w.Number(u"PARENTTYPE", m.lngParentType());
        w.Number(u"PARENTID", m.lngParentID());
        break;
    }
    }
    return w.Finish();
}

void ApplyRecord(CItem& item, QStringView text)
{
    ApplyRecordBytes(item, AnsiText::Encode(text));
}

void ApplyRecordBytes(CItem& item, QByteArrayView text)
{
    const ItemKind kind = item.Kind();
    // Values are gathered as views into the bytes and decoded once, at the end.
    std::array<QByteArrayView, FieldCount> single;
    std::array<QVarLengthArray<QByteArrayView, 8>, FieldCount> multi;
    std::optional<int> parentType;
    std::optional<int> parentId;

    ForEachLine(text, [&](QByteArrayView line) {
        const qsizetype eq = line.indexOf('=');
        if (line.isEmpty() || eq < 0 || TrimSpaces(line).startsWith('\'')) {
            return;
        }
        const Field f = FieldOf(TrimSpaces(line.first(eq)));
        if (f == FieldCount || !KindHas(kind, f)) {
            return;
        }
        const QByteArrayView v = TrimSpaces(line.sliced(eq + 1));
        if (f == ID) {
            // The id setter acts once, so the first line that converts wins.
            if (const auto n = ToInt(v)) {
                item.setLngID(*n);
            }
        } else if (f == PARENTTYPE || f == PARENTID) {
            if (const auto n = ToInt(v)) {
                (f == PARENTTYPE ? parentType : parentId) = *n;
            }
        } else if (IsMulti(f)) {
            // Lines of one key gather in file order, a CR LF before each but while the field is still empty.
            if (!multi[f].isEmpty() || !v.isEmpty()) {
                multi[f].append(v);
            }
        } else {
            single[f] = v; // the last line of a key wins
        }
    });

    std::array<QString, FieldCount> value;
    QVarLengthArray<char, 1024> joined;
    for (int f = 0; f < FieldCount; ++f) {
        if (IsMulti(Field(f))) {
            const auto& parts = multi[size_t(f)];
            if (parts.isEmpty()) {
                continue;
            }
            joined.clear();
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0) {
                    joined.append("\r\n", 2);
                }
                joined.append(parts[i].data(), parts[i].size());
            }
            value[size_t(f)] = AnsiText::Decode(QByteArrayView(joined.data(), joined.size()));
        } else if (!single[size_t(f)].isEmpty()) {
            value[size_t(f)] = AnsiText::Decode(single[size_t(f)]);
        }
    }

    const auto media = [&] {
        return mTypMediaInfo{value[MEDIA], value[DVDTYPE], value[DVDREGION], value[LDTYPE], value[DVDCASE]};
    };
    item.setStrSortKey(value[SORTKEY]);
    switch (kind) {
    case ItemKind::Category:
        static_cast<CCategory&>(item).setStrName(value[NAME]);
        break;
    case ItemKind::Group: {
        auto& g = static_cast<CGroup&>(item);
        g.setStrName(value[NAME]);
        if (parentType) {
            g.setLngParentType(*parentType);
        }
        if (parentId) {
            g.setLngParentID(*parentId);
        }
        break;
    }
    case ItemKind::Box: {
        auto& b = static_cast<CBox&>(item);
        b.setStrName(value[NAME]);
        b.setStrExtras(value[EXTRAS]);
        b.setStrUPC(value[UPC]);
        if (parentType) {
            b.setLngParentType(*parentType);
        }
        if (parentId) {
            b.setLngParentID(*parentId);
        }
        break;
    }
    case ItemKind::Media: {
        auto& m = static_cast<CMedia&>(item);
        m.setStrName(value[NAME]);
        m.setStrUPC(value[UPC]);
        m.setDMedia(media());
        m.setStrExtras(value[EXTRAS]);
        if (parentType) {
            m.setLngParentType(*parentType);
        }
        if (parentId) {
            m.setLngParentID(*parentId);
        }
        break;
    }
    case ItemKind::Movie: {
        auto& m = static_cast<CMovie&>(item);
        m.setStrTitle(value[TITLE]);
        m.setStrLabel(value[LABEL]);
        m.setStrUPC(value[UPC]);
        m.setDMedia(media());
        m.setStrPicture(value[PICTURE]);
        m.setStrSoundmix(value[SOUNDMIX]);
        m.setStrSubtitles(value[SUBTITLES]);
        m.setStrSystem(value[COLORSYSTEM]);
        m.setStrCountry(value[COUNTRY]);
        m.setStrYear(value[YEAR]);
        m.setStrLength(value[LENGTH]);
        m.setStrStudio(value[STUDIO]);
        m.setStrWebsite(value[WEBSITE]);
        m.setStrExtras(value[EXTRAS]);
        m.setStrWriter(value[WRITER]);
        m.setStrDirector(value[DIRECTOR]);
        m.setStrProducer(value[PRODUCER]);
        m.setStrCast(value[CAST]);
        if (parentType) {
            m.setLngParentType(*parentType);
        }
        if (parentId) {
            m.setLngParentID(*parentId);
        }
        break;
    }
    }
}

ItemRead::ItemRead(ItemKind kind, const QString& folderPath) : m_kind(kind), m_path(folderPath)
{
    // The folder is opened once; its files are read relative to it.
    const QByteArray folder = SafeFile::Encode(folderPath);
    m_dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0) {
        m_openError = errno;
        return;
    }
    // A load finishes what an interrupted save left: its temporary files go.
    const FolderScan scan = ScanFolder(m_dirFd);
    if (!scan.temps.empty() && RemoveTemps(folder, scan)) {
        (void)SafeFile::SyncFolder(folderPath);
    }
    m_record = SafeFile::StartedRead(m_dirFd, "content.mdc");
    if (kind == ItemKind::Movie) {
        // The text files are found without regard to case, as covers are.
        m_hasNotes = !scan.notes.isEmpty();
        m_hasSynopsis = !scan.synopsis.isEmpty();
        if (m_hasNotes) {
            m_notes = SafeFile::StartedRead(m_dirFd, scan.notes.constData());
        }
        if (m_hasSynopsis) {
            m_synopsis = SafeFile::StartedRead(m_dirFd, scan.synopsis.constData());
        }
    }
}

ItemRead::ItemRead(ItemRead&& other) noexcept
    : m_kind(other.m_kind), m_path(std::move(other.m_path)), m_dirFd(std::exchange(other.m_dirFd, -1)),
      m_openError(other.m_openError), m_record(std::move(other.m_record)), m_notes(std::move(other.m_notes)),
      m_synopsis(std::move(other.m_synopsis)), m_hasNotes(other.m_hasNotes), m_hasSynopsis(other.m_hasSynopsis)
{
}

ItemRead::~ItemRead()
{
    // The files first: their reads name the folder by its descriptor.
    m_record = {};
    m_notes = {};
    m_synopsis = {};
    if (m_dirFd >= 0) {
        ::close(m_dirFd);
    }
}

std::shared_ptr<CItem> ItemRead::Finish()
{
    if (m_dirFd < 0) {
        qCWarning(lcStore) << "skipped" << m_path << "- no item folder:" << qt_error_string(m_openError);
        return {};
    }
    QByteArray file;
    if (const auto status = m_record.Finish(file); status != SafeFile::ReadStatus::Ok) {
        // A folder without a record was named already, by the sweep before the listing (RemoveDebris).
        if (status != SafeFile::ReadStatus::Missing) {
            qCWarning(lcStore) << "skipped" << m_path << "- its record cannot be read";
        }
        return {};
    }
    std::shared_ptr<CItem> item = NewItem(m_kind);
    ApplyRecordBytes(*item, file);
    // A record without a usable id line has no key; it is left out, its folder untouched (an empty one was named by
    // the sweep already).
    if (item->blFirstID() || item->lngID() == -1) {
        if (!file.isEmpty()) {
            qCWarning(lcStore) << "skipped" << m_path << "- its record has no usable ID";
        }
        return {};
    }
    item->setPath(m_path);
    if (m_kind == ItemKind::Movie) {
        auto& movie = static_cast<CMovie&>(*item);
        movie.setStrNotes(m_hasNotes ? ReadTextFile(m_notes, file) : QString());
        movie.setStrSynopsis(m_hasSynopsis ? ReadTextFile(m_synopsis, file) : QString());
    }
    return item;
}

std::shared_ptr<CItem> ReadItem(ItemKind kind, const QString& folderPath)
{
    return ItemRead(kind, folderPath).Finish();
}

bool CreateItem(CItem& item, const QString& dbDir, const QString& frontCover, const QString& backCover, QString* error,
                bool byName)
{
    return CreateItem(item, dbDir, NewCover{frontCover, {}, {}}, NewCover{backCover, {}, {}}, error, byName);
}

namespace {

// The folder name an item is created under: of its name (with byName, or while it has no sort key), else of its sort
// key.
QString FolderBase(const CItem& item, bool byName)
{
    return byName || item.strSortKey().isEmpty() ? item.DisplayName() : item.strSortKey();
}

bool Failure(const CItem& item, QString* error, const QString& why)
{
    qCWarning(lcStore) << "cannot save the new item" << item.strKey() << "-" << why;
    if (error) {
        *error = why;
    }
    return false;
}

} // namespace

QString StageItem(const CItem& item, const QString& dbDir, const NewCover& frontCover, const NewCover& backCover,
                  QString* error, bool byName)
{
    const auto fail = [&](const QString& why) {
        Failure(item, error, why);
        return QString();
    };
    if (dbDir.isEmpty()) {
        return fail(QStringLiteral("no collection folder is set"));
    }
    if (!item.Path().isEmpty()) {
        return fail(QStringLiteral("it is stored in %1 already").arg(item.Path()));
    }
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind());
    const QString firstName = MGeneral::ItemFolderName(FolderBase(item, byName), 1, item.lngID());

    std::vector<std::pair<QString, QByteArray>> files = RecordFiles(item);
    // The covers are read before anything is made, so a cover that cannot be had leaves nothing behind.
    if (dynamic_cast<const CCoveredItem*>(&item)) {
        for (const bool front : {true, false}) {
            const NewCover& cover = front ? frontCover : backCover;
            if (!cover.ext.isEmpty()) {
                const QString name = CCoveredItem::CoverFileName(front, QStringLiteral("cover.") + cover.ext);
                if (name.isEmpty()) {
                    return fail(QStringLiteral("the cover extension %1 cannot be used").arg(cover.ext));
                }
                files.emplace_back(name, cover.bytes);
                continue;
            }
            const QString& source = cover.file;
            if (source.isEmpty()) {
                continue;
            }
            const QString name = CCoveredItem::CoverFileName(front, source);
            if (name.isEmpty()) {
                return fail(QStringLiteral("the cover %1 cannot be used: its name has no plain extension").arg(source));
            }
            QByteArray bytes;
            if (const auto status = SafeFile::Read(source, bytes); status != SafeFile::ReadStatus::Ok) {
                const int err = errno;
                return fail(QStringLiteral("the cover %1 cannot be read: %2").arg(source, ReadFailure(status, err)));
            }
            files.emplace_back(name, std::move(bytes));
        }
    }

    // Built under a temporary name that a load sweeps away; PlaceStaged renames it into place in one step, so the
    // item appears whole or not at all, also after a kill or a power cut.
    const Result<QString> made = [&] {
        // Made and claimed in one step, so no sweep takes it for debris in between.
        const std::lock_guard<std::mutex> lock(Live().mutex);
        Result<QString> folder = SafeFile::MakeTempFolder(kindDir, firstName);
        if (folder) {
            ClaimLocked(SafeFile::Encode(*folder));
        }
        return folder;
    }();
    if (!made) {
        return fail(QStringLiteral("cannot create the folder %1/%2: %3").arg(kindDir, firstName, made.why()));
    }
    const QString temp = *made;
    if (const auto written = SafeFile::WriteAll(temp, files); !written) {
        // The failure names the file, or the folder when its sync failed.
        const QString failed = written.failure().path.mid(temp.size() + 1);
        const QString what = failed.isEmpty() ? QStringLiteral("the files of %1/%2").arg(kindDir, firstName)
                                              : QStringLiteral("%1/%2/%3").arg(kindDir, firstName, failed);
        RemoveStaged(temp);
        return fail(QStringLiteral("cannot write %1: %2").arg(what, written.why()));
    }
    return temp;
}

bool PlaceStaged(CItem& item, const QString& temp, const QString& dbDir, QString* error, bool byName)
{
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind());
    const QString base = FolderBase(item, byName);
    const auto discard = [&](const QString& why) {
        RemoveStaged(temp);
        return Failure(item, error, why);
    };
    QString folder;
    for (int variant = 1; variant <= kMaxVariants && folder.isEmpty(); ++variant) {
        // An existing folder belongs to another item, whatever its record says: never replaced, never adopted.
        const QString path = kindDir + u'/' + MGeneral::ItemFolderName(base, variant, item.lngID());
        const auto placed = SafeFile::PutFolderInPlace(temp, path);
        if (placed) {
            folder = path;
        } else if (placed.error() != EEXIST && placed.error() != ENOTEMPTY) {
            return discard(QStringLiteral("cannot create the folder %1: %2").arg(path, placed.why()));
        }
    }
    if (folder.isEmpty()) {
        return discard(QStringLiteral("no free folder name for %1 in %2").arg(base, kindDir));
    }
    Unclaim(temp); // in place: an item folder with its record, which no sweep takes
    item.setPath(folder);
    return true;
}

bool RemoveStaged(const QString& temp)
{
    const bool gone = bool(SafeFile::RemoveTree(temp));
    if (!gone) {
        qCWarning(lcStore) << "cannot remove" << temp << "- the next load does";
    }
    Unclaim(temp);
    return gone;
}

void LeaveStaged(const QString& temp)
{
    Unclaim(temp);
}

bool CreateItem(CItem& item, const QString& dbDir, const NewCover& frontCover, const NewCover& backCover,
                QString* error, bool byName)
{
    const QString temp = StageItem(item, dbDir, frontCover, backCover, error, byName);
    if (temp.isEmpty() || !PlaceStaged(item, temp, dbDir, error, byName)) {
        return false;
    }
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind());
    if (!SafeFile::SyncFolder(kindDir)) {
        const int err = errno;
        if (!SafeFile::RemoveTree(item.Path())) {
            qCWarning(lcStore) << "cannot remove" << item.Path() << "after its folder could not be synced";
        }
        item.setPath(QString());
        return Failure(item, error, QStringLiteral("cannot sync the folder %1: %2").arg(kindDir, qt_error_string(err)));
    }
    return true;
}

QString WithdrawFolder(const QString& folder)
{
    const QByteArray native = SafeFile::Encode(folder);
    const qsizetype slash = native.lastIndexOf('/');
    struct stat st;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = "." + native.mid(slash + 1).left(200) + '.' +
                                QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        const QByteArray trash = native.left(slash + 1) + name;
        if (::lstat(trash.constData(), &st) == 0) {
            continue;
        }
        const QString path = SafeFile::Decode(trash);
        {
            // Claimed before it appears under the temporary name, so no sweep takes it while it is taken apart.
            const std::lock_guard<std::mutex> lock(Live().mutex);
            ClaimLocked(native);
            const auto claimed = Live().byPath.find(native);
            if (claimed != Live().byPath.end()) {
                Live().byPath[trash] = claimed->second;
                Live().byPath.erase(claimed);
            }
        }
        if (SafeFile::Rename(folder, path)) {
            return path;
        }
        Unclaim(path);
        return {};
    }
    return {};
}

bool SaveItem(CItem& item, const QString& dbDir)
{
    if (item.Path().isEmpty()) {
        return CreateItem(item, dbDir);
    }
    const QString folder = item.Path();
    if (!SafeFile::WriteAll(folder, RecordFiles(item))) {
        qCWarning(lcStore) << "cannot save the item" << item.strKey() << "in" << folder << "- its old files stay";
        return false;
    }
    TidyFolder(item, folder);
    return true;
}

bool DeleteItemFolder(const CItem& item)
{
    const QString folder = item.Path();
    if (folder.isEmpty()) {
        return true;
    }
    const QByteArray native = SafeFile::Encode(folder);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0) {
        // A folder that is not there (the collection's disk unplugged, say) would bring the item back with it: the
        // item stays.
        const int err = errno;
        qCWarning(lcStore) << "cannot delete the item" << item.strKey() << "- its folder" << folder
                           << "cannot be reached:" << qt_error_string(err);
        return false;
    }
    // The folder first leaves the store under a temporary name in one step, so the item is either whole or gone,
    // also after a crash (a load removes what is left of it).
    const qsizetype slash = native.lastIndexOf('/');
    const QString kindFolder = SafeFile::Decode(native.left(slash));
    QString trash;
    for (int attempt = 0; attempt < 100 && trash.isEmpty(); ++attempt) {
        const QByteArray name = "." + native.mid(slash + 1).left(200) + '.' +
                                QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        if (::lstat((native.left(slash + 1) + name).constData(), &st) != 0) {
            trash = kindFolder + u'/' + SafeFile::Decode(name);
        }
    }
    if (trash.isEmpty() || !SafeFile::Rename(folder, trash)) {
        const int err = trash.isEmpty() ? EEXIST : errno;
        qCWarning(lcStore) << "cannot delete the item" << item.strKey() << "- its folder" << folder
                           << "cannot be moved out of the store:" << qt_error_string(err);
        return false;
    }
    (void)SafeFile::SyncFolder(kindFolder);
    // Everything but the record first: should something stay, the folder goes back with its record and the item
    // stays whole but for what was removed.
    bool ok = true;
    const QByteArray trashNative = SafeFile::Encode(trash);
    if (DIR* dir = ::opendir(trashNative.constData())) {
        std::vector<QByteArray> names;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) &&
                std::strcmp(name, "content.mdc") != 0) {
                names.emplace_back(name);
            }
        }
        ::closedir(dir);
        for (const QByteArray& name : names) {
            const QString path = trash + u'/' + SafeFile::Decode(name);
            if (::lstat((trashNative + '/' + name).constData(), &st) == 0) {
                const auto gone = S_ISDIR(st.st_mode) ? SafeFile::RemoveTree(path) : SafeFile::Remove(path);
                if (!gone) {
                    qCWarning(lcStore) << "cannot remove" << path << "of the deleted item" << item.strKey();
                }
                ok = gone && ok;
            }
        }
    }
    const bool recordGone = ok && SafeFile::Remove(trash + QStringLiteral("/content.mdc"));
    if (!recordGone) {
        // Put back what is left, so the item keeps its folder and record and stays.
        if (SafeFile::Rename(trash, folder)) {
            qCWarning(lcStore) << "cannot delete the item" << item.strKey() << "- what is left is back in" << folder;
            (void)SafeFile::SyncFolder(kindFolder);
            return false;
        }
        qCWarning(lcStore) << "the item" << item.strKey() << "is partly deleted: what is left stays in" << trash
                           << "until the next load";
        return true; // it stays out of the store; the next load removes the rest
    }
    // Without its record the item is gone; an empty folder that stays under its temporary name goes at the next
    // load.
    if (!SafeFile::RemoveTree(trash)) {
        qCWarning(lcStore) << "cannot remove the folder" << trash << "of the deleted item" << item.strKey()
                           << "- the next load removes it";
    }
    (void)SafeFile::SyncFolder(kindFolder);
    return true;
}

} // namespace ItemStore
