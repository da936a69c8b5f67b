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
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

#include <dirent.h>
#include <sys/stat.h>

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

const QHash<QString, Field>& FieldsByKey()
{
    static const QHash<QString, Field> fields = {
        {QStringLiteral("ID"), ID},
        {QStringLiteral("NAME"), NAME},
        {QStringLiteral("TITLE"), TITLE},
        {QStringLiteral("LABEL"), LABEL},
        {QStringLiteral("SORTKEY"), SORTKEY},
        {QStringLiteral("UPC"), UPC},
        {QStringLiteral("MEDIA"), MEDIA},
        {QStringLiteral("DVDREGION"), DVDREGION},
        {QStringLiteral("DVDTYPE"), DVDTYPE},
        {QStringLiteral("DVDCASE"), DVDCASE},
        {QStringLiteral("LDTYPE"), LDTYPE},
        {QStringLiteral("PICTURE"), PICTURE},
        {QStringLiteral("SOUNDMIX"), SOUNDMIX},
        {QStringLiteral("SUBTITLES"), SUBTITLES},
        {QStringLiteral("COLORSYSTEM"), COLORSYSTEM},
        {QStringLiteral("COUNTRY"), COUNTRY},
        {QStringLiteral("YEAR"), YEAR},
        {QStringLiteral("LENGTH"), LENGTH},
        {QStringLiteral("STUDIO"), STUDIO},
        {QStringLiteral("WEBSITE"), WEBSITE},
        {QStringLiteral("EXTRAS"), EXTRAS},
        {QStringLiteral("WRITER"), WRITER},
        {QStringLiteral("DIRECTOR"), DIRECTOR},
        {QStringLiteral("PRODUCER"), PRODUCER},
        {QStringLiteral("CAST"), CAST},
        {QStringLiteral("PARENTTYPE"), PARENTTYPE},
        {QStringLiteral("PARENTID"), PARENTID},
    };
    return fields;
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

std::optional<int> ToInt(const QString& value)
{
    bool ok = false;
    const int n = value.toInt(&ok, 10);
    if (!ok) {
        return std::nullopt;
    }
    return n;
}

// The text of a movie's notes or synopsis file, line by line as the record reader splits them: leading empty lines
// are dropped, the others joined by CR LF.
QString ReadTextFile(const QString& path)
{
    QString raw;
    if (!AnsiText::ReadFile(path, raw)) {
        return {};
    }
    QString text;
    text.reserve(raw.size());
    for (const QString& line : AnsiText::SplitRecordLines(raw)) {
        if (!text.isEmpty()) {
            text += u"\r\n";
        }
        text += line;
    }
    return text;
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

bool WriteAll(const QString& folder, const std::vector<std::pair<QString, QString>>& files)
{
    std::vector<std::unique_ptr<QSaveFile>> out;
    for (const auto& [name, text] : files) {
        auto file = std::make_unique<QSaveFile>(folder + u'/' + name);
        if (!file->open(QIODevice::WriteOnly)) {
            return false;
        }
        const QByteArray bytes = AnsiText::Encode(text);
        if (file->write(bytes) != bytes.size()) {
            return false;
        }
        out.push_back(std::move(file));
    }
    // Every new file is complete before any old one is replaced.
    bool ok = true;
    for (auto& file : out) {
        ok = file->commit() && ok;
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
    const ItemKind kind = item.Kind();
    const auto& fields = FieldsByKey();
    std::array<QString, FieldCount> value;
    std::optional<int> parentType;
    std::optional<int> parentId;

    for (const QString& line : AnsiText::SplitRecordLines(text)) {
        if (line.isEmpty() || AnsiText::LTrim(line).startsWith(u'\'')) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            continue;
        }
        const auto found = fields.constFind(AnsiText::Trim(QStringView(line).left(eq)));
        if (found == fields.constEnd() || !KindHas(kind, *found)) {
            continue;
        }
        const Field f = *found;
        QString v = AnsiText::Trim(QStringView(line).mid(eq + 1));
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
            if (!value[f].isEmpty()) {
                value[f] += u"\r\n";
            }
            value[f] += v;
        } else {
            value[f] = std::move(v);
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
    QString text;
    if (!AnsiText::ReadFile(folderPath + u'/' + kRecord, text)) {
        return {};
    }
    std::shared_ptr<CItem> item = NewItem(kind);
    ApplyRecord(*item, text);
    // A record without a usable id line has no key; it is left out, its folder untouched.
    if (item->blFirstID() || item->lngID() == -1) {
        return {};
    }
    item->setPath(folderPath);
    if (kind == ItemKind::Movie) {
        auto& movie = static_cast<CMovie&>(*item);
        movie.setStrNotes(ReadTextFile(folderPath + u'/' + kNotes));
        movie.setStrSynopsis(ReadTextFile(folderPath + u'/' + kSynopsis));
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
