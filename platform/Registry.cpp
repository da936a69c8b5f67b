#include "Registry.h"

#include "RegistryLog.h"
#include "SafeFile.h"
#include "UserFolders.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <vector>

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
    QByteArray data; // of a value set by this process; one read from the file is decoded from its line when asked for
    // The line the value was read from (in its hive's source), until it is changed: a rewrite of the file puts it back
    // as it stands, so a line the program cannot use (a number of the wrong size, a type it does not read) survives
    // byte for byte.
    QByteArrayView line;
};

// One name of a key's path as some section line or call spelt it. A key is written with the path it was created
// with, which may differ in case from the names of the keys above it.
struct Spelling
{
    int parent = -1;
    QString name;
    std::map<QString, int> children; // by name as spelt
};

// A key, or a name on the way to one: the names above a file's root (Software, Halvorix) are in the tree without
// being keys.
struct Node
{
    int parent = -1;
    bool present = false; // a key of the file
    int spelling = 0;     // the key's path as created (when present)
    QString folded;       // its own name, case-folded: its entry in the parent's children
    std::map<QString, int> children;
    QHash<QString, Value> values; // by case-folded name (written in the order of those)
};

// The most keys, spelt names and values a file may hold; past it the file is taken for damaged (and a change that
// would pass it is refused), so a small hostile file cannot make the program hold gigabytes.
constexpr qsizetype kMaxEntries = 500000;

// One file's keys as a tree of names: a key's parents are the nodes above it, so a deep key costs one node per name,
// never a copy of its whole path per parent. Nodes are never freed while the hive lives (a deleted key is cut off
// from its parent); children are ordered by case-folded name, so a walk from the root meets every key right before
// the keys below it.
struct Hive
{
    std::vector<Node> nodes = std::vector<Node>(1);             // [0]: the empty path
    std::vector<Spelling> spellings = std::vector<Spelling>(1); // [0]: the empty path
    qsizetype values = 0;
    QByteArray source; // the text read, which the values' lines point into (shared by every copy, never changed)

    qsizetype Entries() const { return qsizetype(nodes.size() + spellings.size()) + values; }

    // The node of path, or -1.
    int Find(const QStringList& path) const
    {
        int at = 0;
        for (const QString& name : path) {
            const std::map<QString, int>& children = nodes[size_t(at)].children;
            const auto it = children.find(name.toCaseFolded());
            if (it == children.end()) {
                return -1;
            }
            at = it->second;
        }
        return at;
    }

    bool IsKey(const QStringList& path) const
    {
        const int at = Find(path);
        return at >= 0 && nodes[size_t(at)].present;
    }

    int Child(int at, const QString& name)
    {
        QString folded = name.toCaseFolded();
        const auto it = nodes[size_t(at)].children.find(folded);
        if (it != nodes[size_t(at)].children.end()) {
            return it->second;
        }
        const int child = int(nodes.size());
        nodes.emplace_back();
        nodes.back().parent = at;
        nodes.back().folded = folded;
        nodes[size_t(at)].children.emplace(std::move(folded), child);
        return child;
    }

    int Spelt(int at, const QString& name)
    {
        const auto it = spellings[size_t(at)].children.find(name);
        if (it != spellings[size_t(at)].children.end()) {
            return it->second;
        }
        const int child = int(spellings.size());
        spellings.push_back({at, name, {}});
        spellings[size_t(at)].children.emplace(name, child);
        return child;
    }

    // One step of adding a path: the node and spelling of its next name, made a key from depth `first` on.
    void Step(int* at, int* spelt, const QString& name, qsizetype depth, qsizetype first)
    {
        *at = Child(*at, name);
        *spelt = Spelt(*spelt, name);
        Node& node = nodes[size_t(*at)];
        if (depth >= first && !node.present) {
            node.present = true;
            node.spelling = *spelt;
        }
    }

    // Adds path and every key above it down to the file's root (the first rootDepth names are the root's, so keys
    // start there); the empty path is the root key itself. Its node.
    int Add(const QStringList& path, qsizetype rootDepth)
    {
        if (path.isEmpty()) {
            nodes[0].present = true;
            return 0;
        }
        const qsizetype first = rootDepth == 0 ? 1 : rootDepth;
        int at = 0;
        int spelt = 0;
        for (qsizetype n = 0; n < path.size(); ++n) {
            Step(&at, &spelt, path[n], n + 1, first);
        }
        return at;
    }

    // Cuts the key at and everything below it off the tree.
    void Remove(int at)
    {
        Node& node = nodes[size_t(at)];
        if (node.parent >= 0) {
            nodes[size_t(node.parent)].children.erase(node.folded);
        }
    }

    Value& SetValue(int at, const QString& name)
    {
        QHash<QString, Value>& all = nodes[size_t(at)].values;
        const QString folded = name.toCaseFolded();
        auto it = all.find(folded);
        if (it == all.end()) {
            ++values;
            it = all.emplace(folded, Value{});
            it->name = name;
        }
        return *it;
    }
};

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

// Strict percent-decoding: a stray '%' marks a damaged file. Only checked when out is null.
bool Decode(QByteArrayView text, QByteArray* out)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2]))) {
            return false;
        }
    }
    if (out != nullptr) {
        *out = QByteArray::fromPercentEncoding(text.toByteArray());
    }
    return true;
}

bool DecodeName(QByteArrayView text, QString* out)
{
    if (!text.contains('%')) {
        *out = QString::fromUtf8(text);
        return true;
    }
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

// Reads a value line (without the blanks around it): its name, type and, when data is given, its data. False when the
// line is not understood.
bool ParseValue(QByteArrayView text, QString* name, std::uint32_t* type, QByteArray* data)
{
    const qsizetype eq = text.indexOf('=');
    if (eq <= 0) {
        return false;
    }
    const QByteArrayView afterEq = text.sliced(eq + 1);
    if (IsTypedValue(afterEq)) {
        const QByteArrayView typed = text.first(eq);
        name->clear();
        if (typed != "@" && (!DecodeName(typed, name) || name->isEmpty())) {
            return false;
        }
        const qsizetype colon = afterEq.indexOf(':');
        bool ok = false;
        *type = afterEq.first(colon).toUInt(&ok);
        return ok && Decode(afterEq.sliced(colon + 1), data);
    }
    *name = QString::fromUtf8(TrimBlanks(text.first(eq)));
    if (name->isEmpty()) {
        return false;
    }
    *type = RegSz;
    if (data != nullptr) {
        QByteArrayView typed = TrimBlanks(afterEq);
        if (typed.size() >= 2 && typed.front() == '"' && typed.back() == '"') {
            typed = typed.sliced(1, typed.size() - 2);
        }
        *data = typed.toByteArray() + '\0';
    }
    return true;
}

// The stored bytes of a value.
QByteArray DataOf(const Value& value)
{
    if (value.line.isEmpty()) {
        return value.data;
    }
    QString name;
    std::uint32_t type = RegNone;
    QByteArray data;
    ParseValue(TrimBlanks(value.line), &name, &type, &data); // understood when the file was read
    return data;
}

// The names of the section line read last, with their nodes: the next section shares a leading part of its path with
// it more often than not (a written file lists every key right after its parent), and that part is not walked again.
// So reading costs the length of the file, however deep its keys are.
struct LastSection
{
    QByteArrayView inner;        // the path's text
    std::vector<qsizetype> ends; // where each name of it ends in that text
    std::vector<int> nodes;
    std::vector<int> spellings;
};

// How many leading bytes a and b share; a block at a time, as a deep path repeats its parent's path whole.
qsizetype CommonPrefix(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    constexpr qsizetype kBlock = 256;
    qsizetype i = 0;
    while (i + kBlock <= n && std::memcmp(a.data() + i, b.data() + i, size_t(kBlock)) == 0) {
        i += kBlock;
    }
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    return i;
}

// Reads a section line's path ("[a\b\c]" without its brackets) into the hive; false when the line is not understood.
bool ParseSection(QByteArrayView inner, const Location& where, Hive* hive, LastSection* last, int* current)
{
    if (inner.isEmpty()) {
        hive->Add({}, where.rootDepth);
        *current = 0;
        return where.rootDepth == 0;
    }
    // The names this path shares with the last one: those ending within the text both start with, where this one
    // also has a name's end.
    const qsizetype common = CommonPrefix(inner, last->inner);
    size_t shared = size_t(std::lower_bound(last->ends.begin(), last->ends.end(), common) - last->ends.begin());
    if (shared < last->ends.size() && last->ends[shared] == common && common == inner.size()) {
        ++shared;
    }
    last->ends.resize(shared);
    last->nodes.resize(shared);
    last->spellings.resize(shared);
    last->inner = inner;
    const qsizetype first = where.rootDepth == 0 ? 1 : where.rootDepth;
    int at = shared == 0 ? 0 : last->nodes.back();
    int spelt = shared == 0 ? 0 : last->spellings.back();
    for (qsizetype from = shared == 0 ? 0 : last->ends.back() + 1; from <= inner.size();) {
        const qsizetype bs = inner.indexOf('\\', from);
        const qsizetype end = bs < 0 ? inner.size() : bs;
        QString name;
        if (end == from || !DecodeName(inner.sliced(from, end - from), &name) || name.isEmpty()) {
            last->inner = {};
            return false; // an empty name (a byte-order mark alone reads as none), or a stray '%'
        }
        const size_t n = last->ends.size();
        if (n < size_t(where.rootDepth) && name.compare(ProgramKey()[qsizetype(n)], Qt::CaseInsensitive) != 0) {
            return false; // a key of another program
        }
        hive->Step(&at, &spelt, name, qsizetype(n) + 1, first);
        last->ends.push_back(end);
        last->nodes.push_back(at);
        last->spellings.push_back(spelt);
        from = end + 1;
    }
    if (qsizetype(last->ends.size()) < where.rootDepth) {
        return false;
    }
    *current = at;
    return true;
}

// True when text holds a control character other than a tab. Looked up without a branch per byte: a written file's
// section lines are long.
bool HasControl(QByteArrayView text)
{
    static const std::array<uchar, 256> control = [] {
        std::array<uchar, 256> table{};
        for (int c = 0; c < 0x20; ++c) {
            table[size_t(c)] = c != '\t';
        }
        table[0x7F] = 1;
        return table;
    }();
    uchar found = 0;
    for (const char c : text) {
        found |= control[uchar(c)];
    }
    return found != 0;
}

// Reads the file's text. Besides the form the writer makes, a file written by hand is read: the header line may be
// missing, values before the first section belong to the file's root key (the program key), and a plain
// "DBPath=/home/me/Movies" line (UTF-8, blanks around name and value ignored, one pair of double quotes around the
// value removed) is a string value as typed. Anything else makes the whole file damaged: the number of the first
// line not understood (counting from 1), or 0 when the file was read. The views of LastSection point into bytes,
// which outlives the call.
qsizetype Parse(const QByteArray& bytes, const Location& where, Hive* hive)
{
    if (bytes.isEmpty()) {
        return 0;
    }
    hive->source = bytes;
    const QStringList root = where.rootDepth > 0 ? ProgramKey() : QStringList();
    LastSection last;
    int current = -1;
    qsizetype number = 0;
    for (qsizetype from = 0; from <= bytes.size();) {
        const qsizetype newline = bytes.indexOf('\n', from);
        const qsizetype end = newline < 0 ? bytes.size() : newline;
        QByteArrayView line(bytes.constData() + from, end - from);
        from = end + 1;
        ++number;
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (number == 1 && line.startsWith("\xEF\xBB\xBF")) {
            line = line.sliced(3); // a byte-order mark an editor may add
        }
        if (HasControl(line)) {
            return number;
        }
        const QByteArrayView text = TrimBlanks(line);
        if (text.isEmpty() || text.startsWith(';') || text.startsWith('#')) {
            continue;
        }
        if (text.startsWith('[')) {
            if (!text.endsWith(']') || text.size() < 2 ||
                !ParseSection(text.sliced(1, text.size() - 2), where, hive, &last, &current)) {
                return number;
            }
            if (hive->Entries() > kMaxEntries) {
                return number;
            }
            continue;
        }
        if (current < 0) {
            current = hive->Add(root, where.rootDepth);
        }
        Value value;
        if (!ParseValue(text, &value.name, &value.type, nullptr)) {
            return number;
        }
        value.line = line;
        // A name given twice: the later line stands.
        hive->SetValue(current, value.name) = std::move(value);
        if (hive->Entries() > kMaxEntries) {
            return number;
        }
    }
    return 0;
}

// The largest settings file read; anything larger is not ours.
constexpr qint64 kFileCap = 16 * 1024 * 1024;

// The file's text as the writer makes it: the header, then every key in the hive's order with its values. False when
// it would be larger than a settings file may be (a key path of thousands of names is written once per key below
// it): such a file could not be read back, so it is never made. expected is the size it is likely to have (the file's
// present size), so the text grows in place.
bool Serialize(const Hive& hive, qsizetype expected, QByteArray* out)
{
    out->clear();
    out->reserve(std::min<qsizetype>(expected, kFileCap) + 4096);
    *out += kHeader;
    *out += '\n';
    // Each spelt name is encoded once, however many keys' paths hold it; a key whose path extends the path of the key
    // written before it (a key right below its parent) costs only its own name.
    std::vector<QByteArray> encoded(hive.spellings.size());
    const auto encodedName = [&](int s) -> const QByteArray& {
        QByteArray& name = encoded[size_t(s)];
        if (name.isEmpty()) {
            name = EncodeName(hive.spellings[size_t(s)].name);
        }
        return name;
    };
    int lastSpelling = -1;
    QByteArray lastPath;
    std::vector<int> path;
    std::vector<int> pending{0};
    while (!pending.empty()) {
        const Node& node = hive.nodes[size_t(pending.back())];
        pending.pop_back();
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
            pending.push_back(it->second);
        }
        if (!node.present) {
            continue;
        }
        const int parent = hive.spellings[size_t(node.spelling)].parent;
        if (node.spelling > 0 && parent == lastSpelling) {
            if (parent > 0) {
                lastPath += '\\';
            }
            lastPath += encodedName(node.spelling);
        } else {
            path.clear();
            for (int s = node.spelling; s > 0; s = hive.spellings[size_t(s)].parent) {
                path.push_back(s);
            }
            lastPath.clear();
            for (auto it = path.rbegin(); it != path.rend(); ++it) {
                if (it != path.rbegin()) {
                    lastPath += '\\';
                }
                lastPath += encodedName(*it);
            }
        }
        lastSpelling = node.spelling;
        if (out->size() + lastPath.size() > kFileCap) {
            return false;
        }
        *out += "\n[";
        *out += lastPath;
        *out += "]\n";
        QStringList names = node.values.keys();
        std::sort(names.begin(), names.end());
        for (const QString& folded : names) {
            const Value& value = *node.values.constFind(folded);
            if (!value.line.isEmpty()) {
                out->append(value.line);
                out->append('\n');
                continue;
            }
            *out += value.name.isEmpty() ? QByteArray("@") : EncodeName(value.name);
            *out += '=' + QByteArray::number(value.type) + ':' + value.data.toPercentEncoding(kDataSafe) + '\n';
        }
        if (out->size() > kFileCap) {
            return false;
        }
    }
    return true;
}

// A damaged file is traced when it is first found so (again after it was mended or damaged elsewhere), not at every
// read. Callers hold g_mutex.
void TraceState(const QString& path, FileState state, qsizetype line)
{
    static std::map<QString, std::pair<FileState, qsizetype>> traced;
    auto& last = traced[path];
    if (last == std::pair(state, line)) {
        return;
    }
    last = {state, line};
    if (state == FileState::Damaged) {
        qCWarning(lcRegistry).nospace() << "the settings file " << path << " is damaged at line " << line
                                        << "; it reads as empty and is not changed";
    } else if (state == FileState::Unreadable) {
        qCWarning(lcRegistry) << "the settings file" << path << "cannot be read; it reads as empty and is not changed";
    }
}

// What identifies one version of a file without reading it.
struct Stamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static Stamp Of(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim}; }
    bool operator==(const Stamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
               changed.tv_nsec == o.changed.tv_nsec;
    }
};

qint64 Nanoseconds(const timespec& t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 Now()
{
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return Nanoseconds(t);
}

// A file read, and its keys, kept until the file changes: a read costs a stat, not a parse.
struct Snapshot
{
    FileState state = FileState::Missing;
    qsizetype damagedLine = 0;
    std::optional<Stamp> stamp; // of the file the bytes came from, taken before they were read
    qint64 readAt = 0;          // the clock before that stat
    QByteArray bytes;
    std::shared_ptr<const Hive> hive = std::make_shared<const Hive>();
};

// File times come from a clock that lags the real one by a tick, and a file replaced or rewritten in place within
// that tick may have every part of its stamp equal to the old one (an inode is reused at once). So a stamp is trusted
// only for a file whose times lie clearly before the read: any later change gives it a time after that.
constexpr qint64 kSettleNs = 1000000000;

bool Settled(const Stamp& stamp, qint64 readAt)
{
    return std::max(Nanoseconds(stamp.modified), Nanoseconds(stamp.changed)) + kSettleNs < readAt;
}

// By file path. Callers hold g_mutex.
std::map<QString, Snapshot> g_files;

QString PathOf(const Location& where)
{
    return Folder() + u'/' + where.fileName;
}

Snapshot& SnapshotOf(const QString& path)
{
    if (g_files.size() >= 8 && g_files.count(path) == 0) {
        g_files.clear(); // the folder moved (tests, a changed XDG_CONFIG_HOME): old files are not asked for again
    }
    return g_files[path];
}

// The file as it is now: the kept copy while its stamp holds, else the file read afresh (parsed only when its bytes
// differ from the copy). So every call sees what another process wrote.
const Snapshot& Current(const Location& where)
{
    const QString path = PathOf(where);
    Snapshot& snap = SnapshotOf(path);
    const qint64 now = Now();
    struct stat st;
    const bool statted = ::stat(SafeFile::Encode(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
    if (statted && snap.stamp && *snap.stamp == Stamp::Of(st) && Settled(*snap.stamp, snap.readAt)) {
        return snap;
    }
    // Read into memory kept from the last read: a file read again and again while its stamp cannot be trusted costs
    // no fresh memory each time.
    static QByteArray scratch;
    QByteArray& bytes = scratch;
    const SafeFile::ReadStatus status = SafeFile::Read(path, bytes, kFileCap);
    if (status == SafeFile::ReadStatus::Ok) {
        const bool same = (snap.state == FileState::Ok || snap.state == FileState::Damaged) && snap.bytes == bytes;
        if (!same) {
            auto hive = std::make_shared<Hive>();
            const qsizetype line = Parse(bytes, where, hive.get());
            snap.state = line == 0 ? FileState::Ok : FileState::Damaged;
            snap.damagedLine = line;
            snap.hive = line == 0 ? std::move(hive) : std::make_shared<const Hive>();
            snap.bytes = std::move(bytes);
        }
        snap.stamp = statted ? std::optional(Stamp::Of(st)) : std::nullopt;
        snap.readAt = now;
    } else {
        snap = Snapshot();
        snap.state = status == SafeFile::ReadStatus::Missing ? FileState::Missing : FileState::Unreadable;
    }
    TraceState(path, snap.state, snap.damagedLine);
    return snap;
}

// Keeps what this process just wrote as the file's copy.
void Keep(const Location& where, QByteArray bytes, std::shared_ptr<const Hive> hive, qint64 writtenAt)
{
    const QString path = PathOf(where);
    Snapshot& snap = SnapshotOf(path);
    snap = Snapshot();
    struct stat st;
    if (::stat(SafeFile::Encode(path).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        snap.stamp = Stamp::Of(st);
    }
    snap.state = FileState::Ok;
    snap.readAt = writtenAt;
    snap.bytes = std::move(bytes);
    snap.hive = std::move(hive);
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

Result<> Save(const Location& where, const QByteArray& bytes)
{
    // Private: the file holds the online password.
    return SafeFile::Write(PathOf(where), bytes, 0600);
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
    return keys.IsKey(path);
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
        qCWarning(lcRegistry) << "cannot lock the settings file" << PathOf(where);
        return ErrorWriteFault;
    }
    const Snapshot& current = Current(where);
    const FileState state = current.state;
    Hive hive = *current.hive;
    bool changed = false;
    const long result = change(hive, where, &changed);
    if (result != Success || !changed) {
        return result;
    }
    if (state == FileState::Damaged || state == FileState::Unreadable) {
        qCWarning(lcRegistry).noquote() << "a change to the key" << TraceName(key) << "is refused: its settings file"
                                        << u'"' + PathOf(where) + u'"' << "is damaged or unreadable";
        return ErrorRegistryCorrupt;
    }
    // What is written must read back: the new text is read as the next call would read it, and that reading is what
    // this process keeps.
    QByteArray bytes;
    auto written = std::make_shared<Hive>();
    if (!Serialize(hive, current.bytes.size(), &bytes) || Parse(bytes, where, written.get()) != 0) {
        qCWarning(lcRegistry).noquote() << "a change to the key" << TraceName(key) << "is refused: its settings file"
                                        << u'"' + PathOf(where) + u'"' << "would grow past what a settings file holds";
        return ErrorWriteFault;
    }
    RemoveStrayTemps(where);
    const qint64 writtenAt = Now();
    if (!Save(where, bytes).Reached()) { // a file replaced but not confirmed holds the change: the next start reads it
        qCWarning(lcRegistry).noquote() << "a change to the key" << TraceName(key) << "is lost: its settings file"
                                        << u'"' + PathOf(where) + u'"' << "cannot be written";
        return ErrorWriteFault;
    }
    Keep(where, std::move(bytes), std::move(written), writtenAt);
    return Success;
}

// The hive of key's file as it is now (empty for a key without a file).
std::shared_ptr<const Hive> HiveOf(const OpenKeyEntry& key)
{
    Location where;
    if (!Locate(key.hive, key.path, &where)) {
        static const auto empty = std::make_shared<const Hive>();
        return empty;
    }
    return Current(where).hive;
}

// Finds the value of an open key in the file as it is now: its type and data.
long FindValue(const OpenKeyEntry& key, const QString& name, std::uint32_t* type, QByteArray* data)
{
    const std::shared_ptr<const Hive> hive = HiveOf(key);
    if (!KeyExists(key.hive, key.path, *hive)) {
        return ErrorKeyDeleted;
    }
    const int at = hive->Find(key.path);
    if (at < 0 || !hive->nodes[size_t(at)].present) {
        return ErrorFileNotFound;
    }
    const QHash<QString, Value>& values = hive->nodes[size_t(at)].values;
    const auto value = values.constFind(name.toCaseFolded());
    if (value == values.cend()) {
        return ErrorFileNotFound;
    }
    *type = value->type;
    *data = DataOf(*value);
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

FileState ProgramFileState(qsizetype* damagedLine)
{
    const QMutexLocker locker(&g_mutex);
    Location where;
    Locate(HKEY_CURRENT_USER, ProgramKey(), &where);
    const Snapshot& current = Current(where);
    if (damagedLine != nullptr) {
        *damagedLine = current.damagedLine;
    }
    return current.state;
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
    if (!KeyExists(entry.hive, entry.path, *HiveOf(entry))) {
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
        hive.Add(entry.path, where.rootDepth);
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
        const int at = hive.Find(entry.path);
        if (at < 0 || !hive.nodes[size_t(at)].present) {
            return ErrorFileNotFound;
        }
        hive.Remove(at);
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
        const int at = hive.Find(entry.path);
        if (at < 0 || !hive.nodes[size_t(at)].present) {
            return KeyExists(entry.hive, entry.path, hive) ? ErrorFileNotFound : ErrorKeyDeleted;
        }
        if (!hive.nodes[size_t(at)].values.remove(name.toCaseFolded())) {
            return ErrorFileNotFound;
        }
        --hive.values;
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
    std::uint32_t foundType = RegNone;
    QByteArray foundData;
    const long code = FindValue(entry, name, &foundType, &foundData);
    if (code != Success) {
        return code;
    }
    if (type != nullptr) {
        *type = foundType;
    }
    if (data != nullptr) {
        *data = foundData;
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
    return Modify(entry, [&](Hive& hive, const Location& where, bool* changed) {
        if (!KeyExists(entry.hive, entry.path, hive)) {
            return ErrorKeyDeleted;
        }
        int at = hive.Find(entry.path);
        if (at < 0 || !hive.nodes[size_t(at)].present) {
            at = hive.Add(entry.path, where.rootDepth); // the root of the class registrations, always there
        }
        Value& value = hive.SetValue(at, name);
        value.type = type;
        value.data = data;
        value.line = {};
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
