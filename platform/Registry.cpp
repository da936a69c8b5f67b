#include "Registry.h"

#include "RegistryLog.h"
#include "SafeFile.h"
#include "UserFolders.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Registry {
namespace {

// First line of every file we write; a file without it is not ours and is never overwritten.
constexpr char kHeader[] = "; Vidsora registry file 1";
// Characters kept literally in names and data; everything else is percent-encoded, so the file is plain ASCII.
constexpr char kNameSafe[] = "{}()-_.~!$&'*+,:/";
constexpr char kDataSafe[] = "{}()-_.~!$&'*+,;:/\\@=[] ";

const QStringList& ProgramKey()
{
    static const QStringList key{QStringLiteral("Software"), QStringLiteral("Halvorix"), QStringLiteral("Vidsora")};
    return key;
}

struct Value
{
    QString name;
    std::uint32_t type = RegNone;
    QByteArray data;
    // The line the value was read from, until it is changed: a rewrite of the file puts it back as it stands, so a
    // line the program cannot use (a number of the wrong size, a type it does not read) survives byte for byte.
    QByteArray line;
};

struct Key
{
    QStringList path;                // names as created
    std::map<QString, Value> values; // by case-folded name
};

// One file's keys by Fold(path); the map order puts every key right before the keys below it.
using Hive = std::map<QString, Key>;

// The map key of a path: case-folded names joined by a separator below every character a name holds, so a key's
// subkeys sort right after it.
QString Fold(const QStringList& path)
{
    return path.join(QChar(u'\x01')).toCaseFolded();
}

// Where a key lives: its file, and how many leading names every key of that file shares (the file's root).
struct Location
{
    QString fileName;
    qsizetype rootDepth = 0;
};

bool StartsWith(const QStringList& path, const QStringList& prefix)
{
    if (path.size() < prefix.size()) {
        return false;
    }
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (path[i].compare(prefix[i], Qt::CaseInsensitive) != 0) {
            return false;
        }
    }
    return true;
}

// False for the keys of HKEY_CURRENT_USER outside the program key: they have no file.
bool Locate(HKEY hive, const QStringList& path, Location* where)
{
    if (hive == HKEY_CLASSES_ROOT) {
        *where = {QStringLiteral("Classes.conf"), 0};
        return true;
    }
    if (hive == HKEY_CURRENT_USER && StartsWith(path, ProgramKey())) {
        *where = {QStringLiteral("Vidsora.conf"), ProgramKey().size()};
        return true;
    }
    return false;
}

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Strict percent-decoding: a stray '%' marks a damaged file.
bool Decode(QByteArrayView text, QByteArray* out)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2]))) {
            return false;
        }
    }
    *out = QByteArray::fromPercentEncoding(text.toByteArray());
    return true;
}

bool DecodeName(QByteArrayView text, QString* out)
{
    QByteArray bytes;
    if (!Decode(text, &bytes)) {
        return false;
    }
    *out = QString::fromUtf8(bytes);
    return true;
}

QByteArray EncodeName(const QString& name)
{
    return name.toUtf8().toPercentEncoding(kNameSafe);
}

void AddKey(Hive& hive, const QStringList& path)
{
    Key& key = hive[Fold(path)];
    if (key.path.isEmpty()) {
        key.path = path;
    }
}

// Adds path and every key above it down to the file's root.
void AddKeyWithParents(Hive& hive, const QStringList& path, qsizetype rootDepth)
{
    for (qsizetype n = rootDepth == 0 ? 1 : rootDepth; n <= path.size(); ++n) {
        AddKey(hive, path.mid(0, n));
    }
    if (path.isEmpty()) {
        AddKey(hive, path);
    }
}

// The typed form of a value line, "name=<type>:<percent-encoded data>", as the writer makes it; nothing when the text
// after "=" does not start with a decimal type and a colon (a value typed by hand).
bool IsTypedValue(QByteArrayView afterEq)
{
    qsizetype i = 0;
    while (i < afterEq.size() && i < 10 && afterEq[i] >= '0' && afterEq[i] <= '9') {
        ++i;
    }
    return i > 0 && i < afterEq.size() && afterEq[i] == ':';
}

QByteArrayView TrimBlanks(QByteArrayView v)
{
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t')) {
        v = v.sliced(1);
    }
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t')) {
        v.chop(1);
    }
    return v;
}

// Reads the file's text. Besides the form the writer makes, a file written by hand is read: the header line may be
// missing, values before the first section belong to the file's root key (the program key), and a plain
// "DBPath=/home/me/Movies" line (UTF-8, blanks around name and value ignored, one pair of double quotes around the
// value removed) is a string value as typed. Anything else makes the whole file damaged.
bool Parse(const QByteArray& bytes, const Location& where, Hive* hive)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (bytes.isEmpty()) {
        return true;
    }
    const QStringList root = where.rootDepth > 0 ? ProgramKey() : QStringList();
    Key* current = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (i == 0 && line.startsWith("\xEF\xBB\xBF")) {
            line.remove(0, 3); // a byte-order mark an editor may add
        }
        for (const char c : line) {
            if ((uchar(c) < 0x20 && c != '\t') || uchar(c) == 0x7F) {
                return false;
            }
        }
        const QByteArrayView text = TrimBlanks(line);
        if (text.isEmpty() || text.startsWith(';') || text.startsWith('#')) {
            continue;
        }
        if (text.startsWith('[')) {
            if (!text.endsWith(']')) {
                return false;
            }
            const QByteArrayView inner = text.sliced(1, text.size() - 2);
            QStringList path;
            if (!inner.isEmpty()) {
                for (const QByteArray& part : inner.toByteArray().split('\\')) {
                    QString name;
                    if (part.isEmpty() || !DecodeName(part, &name)) {
                        return false;
                    }
                    path.append(name);
                }
            }
            if (where.rootDepth > 0 && !StartsWith(path, ProgramKey())) {
                return false;
            }
            AddKeyWithParents(*hive, path, where.rootDepth);
            current = &(*hive)[Fold(path)];
            continue;
        }
        if (current == nullptr) {
            AddKeyWithParents(*hive, root, where.rootDepth);
            current = &(*hive)[Fold(root)];
        }
        const qsizetype eq = text.indexOf('=');
        if (eq <= 0) {
            return false;
        }
        Value value;
        const QByteArrayView afterEq = text.sliced(eq + 1);
        if (IsTypedValue(afterEq)) {
            const QByteArrayView name = text.first(eq);
            if (name != "@" && (!DecodeName(name, &value.name) || value.name.isEmpty())) {
                return false;
            }
            const qsizetype colon = afterEq.indexOf(':');
            bool ok = false;
            value.type = afterEq.first(colon).toUInt(&ok);
            if (!ok || !Decode(afterEq.sliced(colon + 1), &value.data)) {
                return false;
            }
        } else {
            value.name = QString::fromUtf8(TrimBlanks(text.first(eq)));
            QByteArrayView data = TrimBlanks(afterEq);
            if (data.size() >= 2 && data.front() == '"' && data.back() == '"') {
                data = data.sliced(1, data.size() - 2);
            }
            if (value.name.isEmpty()) {
                return false;
            }
            value.type = RegSz;
            value.data = data.toByteArray() + '\0';
        }
        value.line = line;
        current->values[value.name.toCaseFolded()] = value;
    }
    return true;
}

QByteArray Serialize(const Hive& hive)
{
    QByteArray out = QByteArray(kHeader) + '\n';
    for (const auto& [folded, key] : hive) {
        QByteArrayList names;
        for (const QString& name : key.path) {
            names.append(EncodeName(name));
        }
        out += "\n[" + names.join('\\') + "]\n";
        for (const auto& [foldedName, value] : key.values) {
            if (!value.line.isEmpty()) {
                out += value.line + '\n';
                continue;
            }
            out += value.name.isEmpty() ? QByteArray("@") : EncodeName(value.name);
            out += '=' + QByteArray::number(value.type) + ':' + value.data.toPercentEncoding(kDataSafe) + '\n';
        }
    }
    return out;
}

// The largest settings file read; anything larger is not ours.
constexpr qint64 kFileCap = 16 * 1024 * 1024;

// Every call reads its file afresh, so a damaged file is traced when it is first found so (again after it was
// mended), not at every read. Callers hold g_mutex.
void TraceState(const QString& path, FileState state)
{
    static std::map<QString, FileState> traced;
    FileState& last = traced[path];
    if (last == state) {
        return;
    }
    last = state;
    if (state == FileState::Damaged) {
        qCWarning(lcRegistry) << "the settings file" << path << "is damaged; it reads as empty and is not changed";
    } else if (state == FileState::Unreadable) {
        qCWarning(lcRegistry) << "the settings file" << path << "cannot be read; it reads as empty and is not changed";
    }
}

FileState Load(const Location& where, Hive* hive)
{
    hive->clear();
    QByteArray bytes;
    const QString path = Folder() + u'/' + where.fileName;
    FileState state = FileState::Ok;
    switch (SafeFile::Read(path, bytes, kFileCap)) {
    case SafeFile::ReadStatus::Missing:
        state = FileState::Missing;
        break;
    case SafeFile::ReadStatus::Ok:
        if (!Parse(bytes, where, hive)) {
            hive->clear();
            state = FileState::Damaged;
        }
        break;
    default:
        state = FileState::Unreadable;
        break;
    }
    TraceState(path, state);
    return state;
}

bool MakeFolder()
{
    const QString folder = Folder();
    if (QDir(folder).exists()) {
        return true;
    }
    // Synced into its parent, so the first settings written survive a power cut.
    if (!SafeFile::MakePath(folder)) {
        return false;
    }
    // The folder holds the online password: keep it private.
    ::chmod(SafeFile::Encode(folder).constData(), 0700);
    return true;
}

Result<> Save(const Location& where, const Hive& hive)
{
    // Private: the file holds the online password.
    return SafeFile::Write(Folder() + u'/' + where.fileName, Serialize(hive), 0600);
}

// Removes what an interrupted write of this file left: its temporary files. Only under the file's lock, so no live
// write of another process is hit.
void RemoveStrayTemps(const Location& where)
{
    const QByteArray prefix = '.' + SafeFile::Encode(where.fileName) + '.';
    QDir dir(Folder());
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QByteArray native = SafeFile::Encode(name);
        if (native.startsWith(prefix) && SafeFile::IsTempName(native)) {
            (void)SafeFile::Remove(dir.filePath(name)); // one that stays is tried again at the next change
        }
    }
}

// Serialises the read-modify-write of one file between processes (and, with the mutex, between threads).
class FileLock
{
public:
    explicit FileLock(const Location& where)
    {
        if (!MakeFolder()) {
            return;
        }
        const QByteArray path = QFile::encodeName(Folder() + u'/' + where.fileName + QStringLiteral(".lock"));
        m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool IsHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

struct OpenKeyEntry
{
    HKEY hive = 0;
    QStringList path;
    std::uint32_t access = 0;
};

QMutex g_mutex;
std::map<HKEY, OpenKeyEntry> g_open;
HKEY g_nextHandle = 0x1000;

QStringList SplitPath(const QString& subKey)
{
    return subKey.split(u'\\', Qt::SkipEmptyParts);
}

HKEY NormalizedHive(HKEY key)
{
    if (key == (HKEY_CLASSES_ROOT & 0xFFFFFFFFu)) {
        return HKEY_CLASSES_ROOT;
    }
    if (key == (HKEY_CURRENT_USER & 0xFFFFFFFFu)) {
        return HKEY_CURRENT_USER;
    }
    return key;
}

// The hive and full path of parent\subKey; false when parent is neither a hive nor an open key.
bool Resolve(HKEY parent, const QString& subKey, OpenKeyEntry* out)
{
    parent = NormalizedHive(parent);
    if (parent == HKEY_CLASSES_ROOT || parent == HKEY_CURRENT_USER) {
        *out = {parent, SplitPath(subKey), KeyAllAccess};
        return true;
    }
    const auto it = g_open.find(parent);
    if (it == g_open.end()) {
        return false;
    }
    *out = it->second;
    out->path += SplitPath(subKey);
    return true;
}

// The root of HKEY_CLASSES_ROOT always exists; so does a key of HKEY_CURRENT_USER above the program key, which only
// lets one reach the program key.
bool KeyExists(HKEY hive, const QStringList& path, const Hive& keys)
{
    if (path.isEmpty() ||
        (hive == HKEY_CURRENT_USER && StartsWith(ProgramKey(), path) && path.size() < ProgramKey().size())) {
        return true;
    }
    return keys.count(Fold(path)) > 0;
}

HKEY NewHandle(const OpenKeyEntry& entry)
{
    const HKEY handle = g_nextHandle;
    g_nextHandle += 4;
    g_open[handle] = entry;
    return handle;
}

// A key's full name in quotes, for a trace (printed without QDebug's escaping, so "\\" stays single).
QString TraceName(const OpenKeyEntry& key)
{
    QStringList names = key.path;
    names.prepend(key.hive == HKEY_CLASSES_ROOT ? QStringLiteral("HKEY_CLASSES_ROOT")
                                                : QStringLiteral("HKEY_CURRENT_USER"));
    return u'"' + names.join(u'\\') + u'"';
}

// Runs change on the current contents of key's file and saves them when it asks to.
template <typename Change> long Modify(const OpenKeyEntry& key, Change change)
{
    Location where;
    if (!Locate(key.hive, key.path, &where)) {
        qCWarning(lcRegistry).noquote() << "a change to the key" << TraceName(key)
                                        << "is refused: only the program's own key can hold settings";
        return ErrorAccessDenied;
    }
    const FileLock lock(where);
    if (!lock.IsHeld()) {
        qCWarning(lcRegistry) << "cannot lock the settings file" << Folder() + u'/' + where.fileName;
        return ErrorWriteFault;
    }
    Hive hive;
    const FileState state = Load(where, &hive);
    bool changed = false;
    const long result = change(hive, where, &changed);
    if (result != Success || !changed) {
        return result;
    }
    if (state == FileState::Damaged || state == FileState::Unreadable) {
        qCWarning(lcRegistry).noquote() << "a change to the key" << TraceName(key) << "is refused: its settings file"
                                        << u'"' + Folder() + u'/' + where.fileName + u'"' << "is damaged or unreadable";
        return ErrorRegistryCorrupt;
    }
    RemoveStrayTemps(where);
    if (!Save(where, hive).Reached()) { // a file replaced but not confirmed holds the change: the next start reads it
        qCWarning(lcRegistry).noquote() << "a change to the key" << TraceName(key) << "is lost: its settings file"
                                        << u'"' + Folder() + u'/' + where.fileName + u'"' << "cannot be written";
        return ErrorWriteFault;
    }
    return Success;
}

// Finds the value of an open key in a freshly read file.
long FindValue(const OpenKeyEntry& key, const QString& name, Value* out)
{
    Location where;
    Hive hive;
    if (Locate(key.hive, key.path, &where)) {
        Load(where, &hive);
    }
    if (!KeyExists(key.hive, key.path, hive)) {
        return ErrorKeyDeleted;
    }
    const auto it = hive.find(Fold(key.path));
    if (it == hive.end()) {
        return ErrorFileNotFound;
    }
    const auto value = it->second.values.find(name.toCaseFolded());
    if (value == it->second.values.end()) {
        return ErrorFileNotFound;
    }
    *out = value->second;
    return Success;
}

} // namespace

QString DataFolder()
{
    return UserFolders::DataHome() + QStringLiteral("/Halvorix/Vidsora");
}

QString DefaultDBPath()
{
    return DataFolder() + QStringLiteral("/Database33");
}

QString ProgramFile()
{
    return Folder() + QStringLiteral("/Vidsora.conf");
}

FileState ProgramFileState()
{
    const QMutexLocker locker(&g_mutex);
    Hive hive;
    Location where;
    Locate(HKEY_CURRENT_USER, ProgramKey(), &where);
    return Load(where, &hive);
}

QString Folder()
{
    return UserFolders::ConfigHome() + QStringLiteral("/Halvorix");
}

long OpenKey(HKEY parent, const QString& subKey, std::uint32_t access, HKEY* result)
{
    if (result == nullptr) {
        return ErrorInvalidParameter;
    }
    const QMutexLocker locker(&g_mutex);
    OpenKeyEntry entry;
    if (!Resolve(parent, subKey, &entry)) {
        return ErrorInvalidHandle;
    }
    entry.access = access;
    Location where;
    Hive hive;
    if (Locate(entry.hive, entry.path, &where)) {
        Load(where, &hive);
    }
    if (!KeyExists(entry.hive, entry.path, hive)) {
        return ErrorFileNotFound;
    }
    *result = NewHandle(entry);
    return Success;
}

long CreateKey(HKEY parent, const QString& subKey, std::uint32_t access, HKEY* result, bool* created)
{
    if (result == nullptr) {
        return ErrorInvalidParameter;
    }
    const QMutexLocker locker(&g_mutex);
    OpenKeyEntry entry;
    if (!Resolve(parent, subKey, &entry)) {
        return ErrorInvalidHandle;
    }
    entry.access = access;
    Location where;
    if (!Locate(entry.hive, entry.path, &where) && KeyExists(entry.hive, entry.path, {})) {
        // A key above the program key: it exists, and nothing can be created there.
        if (created != nullptr) {
            *created = false;
        }
        *result = NewHandle(entry);
        return Success;
    }
    bool isNew = false;
    const long code = Modify(entry, [&](Hive& hive, const Location& where, bool* changed) {
        if (KeyExists(entry.hive, entry.path, hive)) {
            return Success;
        }
        AddKeyWithParents(hive, entry.path, where.rootDepth);
        isNew = *changed = true;
        return Success;
    });
    if (code != Success) {
        return code;
    }
    if (created != nullptr) {
        *created = isNew;
    }
    *result = NewHandle(entry);
    return Success;
}

long CloseKey(HKEY key)
{
    key = NormalizedHive(key);
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER) {
        return Success;
    }
    const QMutexLocker locker(&g_mutex);
    return g_open.erase(key) > 0 ? Success : ErrorInvalidHandle;
}

long DeleteTree(HKEY parent, const QString& subKey)
{
    const QMutexLocker locker(&g_mutex);
    OpenKeyEntry entry;
    if (!Resolve(parent, subKey, &entry)) {
        return ErrorInvalidHandle;
    }
    if (SplitPath(subKey).isEmpty()) {
        return ErrorInvalidParameter;
    }
    return Modify(entry, [&](Hive& hive, const Location&, bool* changed) {
        const QString folded = Fold(entry.path);
        const QString below = folded + QChar(u'\x01');
        if (hive.count(folded) == 0) {
            return ErrorFileNotFound;
        }
        std::erase_if(hive, [&](const auto& item) { return item.first == folded || item.first.startsWith(below); });
        *changed = true;
        return Success;
    });
}

long DeleteValue(HKEY key, const QString& name)
{
    const QMutexLocker locker(&g_mutex);
    OpenKeyEntry entry;
    if (!Resolve(key, {}, &entry)) {
        return ErrorInvalidHandle;
    }
    if ((entry.access & KeySetValue) == 0) {
        return ErrorAccessDenied;
    }
    return Modify(entry, [&](Hive& hive, const Location&, bool* changed) {
        const auto it = hive.find(Fold(entry.path));
        if (it == hive.end()) {
            return KeyExists(entry.hive, entry.path, hive) ? ErrorFileNotFound : ErrorKeyDeleted;
        }
        if (it->second.values.erase(name.toCaseFolded()) == 0) {
            return ErrorFileNotFound;
        }
        *changed = true;
        return Success;
    });
}

long QueryValue(HKEY key, const QString& name, std::uint32_t* type, QByteArray* data)
{
    const QMutexLocker locker(&g_mutex);
    OpenKeyEntry entry;
    if (!Resolve(key, {}, &entry)) {
        return ErrorInvalidHandle;
    }
    if ((entry.access & KeyQueryValue) == 0) {
        return ErrorAccessDenied;
    }
    Value value;
    const long code = FindValue(entry, name, &value);
    if (code != Success) {
        return code;
    }
    if (type != nullptr) {
        *type = value.type;
    }
    if (data != nullptr) {
        *data = value.data;
    }
    return Success;
}

long SetValue(HKEY key, const QString& name, std::uint32_t type, const QByteArray& data)
{
    const QMutexLocker locker(&g_mutex);
    OpenKeyEntry entry;
    if (!Resolve(key, {}, &entry)) {
        return ErrorInvalidHandle;
    }
    if ((entry.access & KeySetValue) == 0) {
        return ErrorAccessDenied;
    }
    return Modify(entry, [&](Hive& hive, const Location&, bool* changed) {
        if (!KeyExists(entry.hive, entry.path, hive)) {
            return ErrorKeyDeleted;
        }
        Key& stored = hive[Fold(entry.path)];
        if (stored.path.isEmpty()) {
            stored.path = entry.path;
        }
        Value& value = stored.values[name.toCaseFolded()];
        if (value.name.isEmpty()) {
            value.name = name;
        }
        value.type = type;
        value.data = data;
        value.line.clear();
        *changed = true;
        return Success;
    });
}

long QueryString(HKEY key, const QString& name, QString* text)
{
    std::uint32_t type = RegNone;
    QByteArray data;
    const long code = QueryValue(key, name, &type, &data);
    if (code != Success) {
        return code;
    }
    if (type != RegSz && type != RegExpandSz) {
        return ErrorUnsupportedType;
    }
    if (text != nullptr) {
        *text = QString::fromUtf8(data);
    }
    return Success;
}

long SetString(HKEY key, const QString& name, const QString& text, std::uint32_t type)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    return SetValue(key, name, type, data);
}

long QueryDword(HKEY key, const QString& name, std::uint32_t* value)
{
    std::uint32_t type = RegNone;
    QByteArray data;
    const long code = QueryValue(key, name, &type, &data);
    if (code != Success) {
        return code;
    }
    if (type != RegDword || data.size() != 4) {
        return ErrorUnsupportedType;
    }
    if (value != nullptr) {
        const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
        *value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
                 std::uint32_t(bytes[3]) << 24;
    }
    return Success;
}

long SetDword(HKEY key, const QString& name, std::uint32_t value)
{
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i) {
        data[i] = char((value >> (8 * i)) & 0xFF);
    }
    return SetValue(key, name, RegDword, data);
}

QString ReadString(HKEY hive, const QString& subKey, const QString& name, const QString& fallback)
{
    HKEY key = 0;
    if (OpenKey(hive, subKey, KeyQueryValue, &key) != Success) {
        return fallback;
    }
    QString text;
    const long code = QueryString(key, name, &text);
    CloseKey(key);
    if (code != Success) {
        return fallback;
    }
    if (text.endsWith(QChar(u'\0'))) {
        text.chop(1);
    }
    return text;
}

} // namespace Registry
