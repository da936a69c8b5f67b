#include "ItemStore.h"

#include "AnsiText.h"
#include "CBox.h"
#include "CCategory.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"
#include "MGeneral.h"

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
#include <optional>

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

// The bytes of one file: small files stay in the fixed buffer, a larger one gathers on the heap.
struct FileBytes
{
    char buffer[16 * 1024];
    size_t used = 0;
    QByteArray big;

    QByteArrayView view() const
    {
        return big.isEmpty() ? QByteArrayView(buffer, qsizetype(used)) : QByteArrayView(big);
    }
};

// Whole-file read with plain system calls: a load opens tens of thousands of small files.
bool ReadBytes(const QByteArray& path, FileBytes& out)
{
    out.used = 0;
    if (!out.big.isEmpty()) {
        out.big.clear();
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    for (;;) {
        if (out.used == sizeof out.buffer) {
            out.big.append(out.buffer, qsizetype(out.used));
            out.used = 0;
        }
        const ssize_t n = ::read(fd, out.buffer + out.used, sizeof out.buffer - out.used);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        out.used += size_t(n);
    }
    ::close(fd);
    if (!out.big.isEmpty()) {
        out.big.append(out.buffer, qsizetype(out.used));
    }
    return true;
}

// The text of a movie's notes or synopsis file, line by line as the record reader splits them: leading empty lines
// are dropped, the others joined by CR LF.
QString ReadTextFile(const QByteArray& path, FileBytes& file)
{
    if (!ReadBytes(path, file)) {
        return {};
    }
    QByteArrayView raw = file.view();
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

// Creates the item folder, taking the first free variant of its name. Empty on failure.
QString CreateItemFolder(const CItem& item, const QString& dbDir)
{
    if (dbDir.isEmpty()) {
        return {};
    }
    const QString kindDir = dbDir + u'/' + KindFolder(item.Kind()) + u'/';
    const QString base = item.strSortKey().isEmpty() ? item.DisplayName() : item.strSortKey();
    for (int variant = 1; variant <= kMaxVariants; ++variant) {
        const QString path = kindDir + MGeneral::ItemFolderName(base, variant, item.lngID());
        // Created exclusively: an existing folder belongs to another item, whatever its record says.
        if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) {
            return path;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

// A file written beside its target under a temporary name and renamed over the target on Commit, so a reader only
// ever sees the old or the new whole file; an uncommitted one is removed. No sync to disk: a save must stay far below
// a millisecond, and the rename alone never leaves a half-written record.
class PendingFile
{
public:
    explicit PendingFile(QString target) : m_target(std::move(target)) {}
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile()
    {
        if (!m_temp.isEmpty() && !m_committed) {
            ::unlink(m_temp.constData());
        }
    }

    bool Write(QByteArrayView bytes)
    {
        const QByteArray target = QFile::encodeName(m_target);
        struct stat st;
        if (::lstat(target.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            return false; // the rename could never replace it
        }
        const qsizetype slash = target.lastIndexOf('/');
        int fd = -1;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            m_temp = target.left(slash + 1) + '.' + target.mid(slash + 1) + '.' +
                     QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
            fd = ::open(m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) {
                break;
            }
        }
        if (fd < 0) {
            m_temp.clear();
            return false;
        }
        const char* data = bytes.data();
        qsizetype left = bytes.size();
        bool ok = true;
        while (left > 0) {
            const ssize_t n = ::write(fd, data, size_t(left));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                ok = false;
                break;
            }
            data += n;
            left -= n;
        }
        return ::close(fd) == 0 && ok;
    }

    bool Commit()
    {
        m_committed = ::rename(m_temp.constData(), QFile::encodeName(m_target).constData()) == 0;
        return m_committed;
    }

private:
    QString m_target;
    QByteArray m_temp;
    bool m_committed = false;
};

bool WriteAll(const QString& folder, const std::vector<std::pair<QString, QString>>& files)
{
    std::vector<std::unique_ptr<PendingFile>> out;
    for (const auto& [name, text] : files) {
        auto file = std::make_unique<PendingFile>(folder + u'/' + name);
        if (!file->Write(AnsiText::Encode(text))) {
            return false;
        }
        out.push_back(std::move(file));
    }
    // Every new file is complete before any old one is replaced.
    bool ok = true;
    for (auto& file : out) {
        ok = file->Commit() && ok;
    }
    return ok;
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
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        return std::nullopt;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        names.append(QFile::decodeName(name));
    }
    ::closedir(dir);
    // Name order keeps loads deterministic; plain code-unit order, no locale.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
    });
    return names;
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

std::shared_ptr<CItem> ReadItem(ItemKind kind, const QString& folderPath)
{
    FileBytes file;
    // The folder's path in the file system's encoding, made once for the record and the text files.
    const QByteArray base = QFile::encodeName(folderPath) + '/';
    if (!ReadBytes(base + "content.mdc", file)) {
        return {};
    }
    std::shared_ptr<CItem> item = NewItem(kind);
    ApplyRecordBytes(*item, file.view());
    // A record without a usable id line has no key; it is left out, its folder untouched.
    if (item->blFirstID() || item->lngID() == -1) {
        return {};
    }
    item->setPath(folderPath);
    if (kind == ItemKind::Movie) {
        auto& movie = static_cast<CMovie&>(*item);
        movie.setStrNotes(ReadTextFile(base + "Notes.txt", file));
        movie.setStrSynopsis(ReadTextFile(base + "Synopsis.txt", file));
    }
    return item;
}

bool SaveItem(CItem& item, const QString& dbDir)
{
    const bool first = item.Path().isEmpty();
    QString folder = item.Path();
    if (first) {
        folder = CreateItemFolder(item, dbDir);
        if (folder.isEmpty()) {
            return false;
        }
    }

    std::vector<std::pair<QString, QString>> files;
    files.emplace_back(kRecord, RecordText(item));
    if (item.Kind() == ItemKind::Movie) {
        const auto& movie = static_cast<const CMovie&>(item);
        files.emplace_back(kNotes, movie.strNotes() + QStringLiteral("\r\n"));
        files.emplace_back(kSynopsis, movie.strSynopsis() + QStringLiteral("\r\n"));
    }
    if (!WriteAll(folder, files)) {
        if (first) {
            QDir().rmdir(folder);
        }
        return false;
    }
    if (first) {
        item.setPath(folder);
    } else if (item.Kind() == ItemKind::Movie) {
        // Older saves may have left the text files under lower-case names, which the reader never opens here.
        QFile::remove(folder + QStringLiteral("/notes.txt"));
        QFile::remove(folder + QStringLiteral("/synopsis.txt"));
    }
    return true;
}

void DeleteItemFolder(const CItem& item)
{
    const QString folder = item.Path();
    if (folder.isEmpty()) {
        return;
    }
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        dir.remove(name);
    }
    QDir().rmdir(folder);
}

} // namespace ItemStore
