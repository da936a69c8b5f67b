#include "StoreIntent.h"

#include "ItemStore.h"
#include "ItemStoreParts.h"
#include "SafeFile.h"
#include "StoreLog.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>
#include <set>

#include <dirent.h>
#include <sys/stat.h>

namespace StoreIntent {
namespace {

const QByteArray kHead = "Vidsora intent 1\n";
const QByteArray kPrefix = "Vidsora-";
const QByteArray kSuffix = ".intent";
// A record lists one step per item; far more than any collection needs.
constexpr qint64 kRecordCap = 64 * 1024 * 1024;

bool IsRecordName(QByteArrayView name)
{
    if (name.size() != kPrefix.size() + 16 + kSuffix.size() || !name.startsWith(kPrefix) || !name.endsWith(kSuffix)) {
        return false;
    }
    const QByteArrayView hex = name.sliced(kPrefix.size(), 16);
    return std::all_of(hex.begin(), hex.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsKindFolder(QByteArrayView name)
{
    for (const ItemKind kind : ItemStore::kKinds) {
        if (name == ItemStore::KindFolder(kind).toLatin1()) {
            return true;
        }
    }
    return false;
}

// The parts of a relative path a step may name: a kind folder's entry, or a file inside one. Empty when it is none.
QList<QByteArray> Parts(const QByteArray& path)
{
    const QList<QByteArray> parts = path.split('/');
    if (parts.size() < 2 || parts.size() > 3 || !IsKindFolder(parts.first())) {
        return {};
    }
    for (const QByteArray& part : parts) {
        if (part.isEmpty() || part == "." || part == ".." || part.contains('\0') || part.size() > 255) {
            return {};
        }
    }
    return parts;
}

QByteArray Parent(const QByteArray& path)
{
    return path.left(path.lastIndexOf('/'));
}

// Whether the step is one a record may hold (see the header); so a damaged or made-up record acts on nothing else.
bool Allowed(const Intent::Step& step)
{
    const QList<QByteArray> from = Parts(step.from);
    if (from.isEmpty()) {
        return false;
    }
    if (step.op == Intent::Op::Remove) {
        return from.size() == 3 || SafeFile::IsTempName(from.last());
    }
    const QList<QByteArray> to = Parts(step.to);
    return !to.isEmpty() && Parent(step.from) == Parent(step.to) &&
           (SafeFile::IsTempName(from.last()) || SafeFile::IsTempName(to.last()));
}

QByteArray Encoded(const QByteArray& bytes)
{
    return bytes.toPercentEncoding("/");
}

QByteArray Text(const QString& what, int count, const std::vector<Intent::Step>& steps)
{
    QByteArray text = kHead;
    text += "what " + Encoded(what.toUtf8()) + '\n';
    text += "count " + QByteArray::number(count) + '\n';
    for (const Intent::Step& step : steps) {
        switch (step.op) {
        case Intent::Op::Place:
            text += "place " + Encoded(step.from) + ' ' + Encoded(step.to) + '\n';
            break;
        case Intent::Op::Move:
            text += "move " + Encoded(step.from) + ' ' + Encoded(step.to) + '\n';
            break;
        case Intent::Op::Remove:
            text += "remove " + Encoded(step.from) + '\n';
            break;
        }
    }
    text += "sum " + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex() + '\n';
    return text;
}

struct Parsed
{
    QString what;
    int count = 0;
    std::vector<Intent::Step> steps;
};

// The record's text read back; none when it is not whole and well formed, or names a step no record may hold.
std::optional<Parsed> Parse(const QByteArray& text)
{
    const qsizetype sumAt = text.lastIndexOf("\nsum ");
    if (!text.startsWith(kHead) || sumAt < 0 || !text.endsWith('\n')) {
        return std::nullopt;
    }
    const QByteArray body = text.left(sumAt + 1);
    const QByteArray sum = text.mid(sumAt + 5, text.size() - sumAt - 6);
    if (sum != QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex()) {
        return std::nullopt;
    }
    Parsed parsed;
    bool sawWhat = false;
    bool sawCount = false;
    const QList<QByteArray> lines = body.mid(kHead.size()).split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) { // the last is empty: the body ends with a line break
        const QList<QByteArray> fields = lines.at(i).split(' ');
        const QByteArray& key = fields.first();
        if (key == "what" && fields.size() == 2 && !sawWhat) {
            parsed.what = QString::fromUtf8(QByteArray::fromPercentEncoding(fields.at(1)));
            sawWhat = true;
        } else if (key == "count" && fields.size() == 2 && !sawCount) {
            bool ok = false;
            parsed.count = fields.at(1).toInt(&ok);
            if (!ok || parsed.count < 0) {
                return std::nullopt;
            }
            sawCount = true;
        } else if ((key == "place" || key == "move") && fields.size() == 3) {
            parsed.steps.push_back({key == "place" ? Intent::Op::Place : Intent::Op::Move,
                                    QByteArray::fromPercentEncoding(fields.at(1)),
                                    QByteArray::fromPercentEncoding(fields.at(2))});
        } else if (key == "remove" && fields.size() == 2) {
            parsed.steps.push_back({Intent::Op::Remove, QByteArray::fromPercentEncoding(fields.at(1)), {}});
        } else {
            return std::nullopt;
        }
        if (!parsed.steps.empty() && !Allowed(parsed.steps.back())) {
            return std::nullopt;
        }
    }
    if (!sawWhat || !sawCount) {
        return std::nullopt;
    }
    return parsed;
}

// One step, unless it is done already: its source is gone (a Place or Move that ran, a Remove of what is gone).
Result<> Carry(const QByteArray& root, const Intent::Step& step)
{
    const QByteArray from = root + '/' + step.from;
    // A file inside an item folder is reached through that folder only when it is a real one, never a link out.
    if (Parts(step.from).size() == 3) {
        struct stat folder;
        const QByteArray item = root + '/' + Parent(step.from);
        if (::lstat(item.constData(), &folder) != 0) {
            if (errno == ENOENT) {
                return {};
            }
            return Failure::OfErrno(errno, SafeFile::Decode(item));
        }
        if (!S_ISDIR(folder.st_mode)) {
            return Failure{QStringLiteral("it is not a folder"), ENOTDIR, SafeFile::Decode(item)};
        }
    }
    struct stat st;
    if (::lstat(from.constData(), &st) != 0) {
        if (errno == ENOENT) {
            return {};
        }
        return Failure::OfErrno(errno, SafeFile::Decode(from));
    }
    const QString source = SafeFile::Decode(from);
    switch (step.op) {
    case Intent::Op::Place:
        return SafeFile::PutFolderInPlace(source, SafeFile::Decode(root + '/' + step.to));
    case Intent::Op::Move:
        return SafeFile::Rename(source, SafeFile::Decode(root + '/' + step.to));
    case Intent::Op::Remove:
        if (S_ISDIR(st.st_mode)) {
            if (Parts(step.from).size() == 3) {
                return Failure{QStringLiteral("only a file inside an item folder is removed"), EISDIR, source};
            }
            return SafeFile::RemoveTree(source);
        }
        return SafeFile::Remove(source);
    }
    return {};
}

// Carries out the steps and syncs the folders they touched.
Result<> CarryAll(const QString& dbDir, const std::vector<Intent::Step>& steps,
                  const std::function<void(int done)>& progress = {})
{
    const QByteArray root = SafeFile::Encode(dbDir);
    std::set<QByteArray> touched;
    int done = 0;
    for (const Intent::Step& step : steps) {
        if (const Result<> carried = Carry(root, step); !carried) {
            return carried;
        }
        touched.insert(Parent(step.from));
        if (progress && ++done % 64 == 0) {
            progress(done);
        }
    }
    for (const QByteArray& folder : touched) {
        if (Result<> synced = SafeFile::SyncFolder(SafeFile::Decode(root + '/' + folder)); !synced) {
            Failure failure = synced.failure();
            failure.unconfirmed = true;
            return failure;
        }
    }
    return {};
}

void RemoveRecord(const QString& dbDir, const QString& path)
{
    if (!SafeFile::Remove(path) || !SafeFile::SyncFolder(dbDir)) {
        // Carrying it out again at the next start changes nothing.
        qCWarning(lcStore) << "the finished record" << path << "could not be removed";
    }
}

// Spares the temporary entries a kept record names from the sweep while this program runs.
void Spare(const QByteArray& root, const std::vector<Intent::Step>& steps)
{
    const std::lock_guard<std::mutex> lock(ItemStore::Parts::Live().mutex);
    for (const Intent::Step& step : steps) {
        for (const QByteArray& path : {step.from, step.to}) {
            const QList<QByteArray> parts = Parts(path);
            if (parts.size() == 2 && SafeFile::IsTempName(parts.last())) {
                ItemStore::Parts::ClaimLocked(root + '/' + path);
            }
        }
    }
}

} // namespace

Intent::Intent(const QString& dbDir, const QString& what, int count) : m_dbDir(dbDir), m_what(what), m_count(count)
{
    m_path = dbDir + u'/' +
             SafeFile::Decode(kPrefix +
                              QByteArray::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, '0') +
                              kSuffix);
}

QByteArray Intent::Relative(const QString& path) const
{
    const QByteArray root = SafeFile::Encode(m_dbDir) + '/';
    const QByteArray native = SafeFile::Encode(path);
    return native.startsWith(root) ? native.mid(root.size()) : QByteArray();
}

void Intent::Place(const QString& from, const QString& to)
{
    m_steps.push_back({Op::Place, Relative(from), Relative(to)});
}

void Intent::Move(const QString& from, const QString& to)
{
    m_steps.push_back({Op::Move, Relative(from), Relative(to)});
}

void Intent::Remove(const QString& path)
{
    m_steps.push_back({Op::Remove, Relative(path), {}});
}

Result<> Intent::Record()
{
    for (const Step& step : m_steps) {
        if (!Allowed(step)) {
            qCWarning(lcStore) << "a step outside the store's kind folders is not recorded:" << step.from << step.to;
            return Failure{QStringLiteral("a step lies outside the collection's folders"), EINVAL, m_path};
        }
    }
    const Result<> written = SafeFile::Write(m_path, Text(m_what, m_count, m_steps));
    if (!written) {
        if (written.Unconfirmed() || m_recorded) {
            // Neither a record that may not have reached the disk nor an earlier plan may be carried out.
            RemoveRecord(m_dbDir, m_path);
        }
        m_recorded = false;
        return written.failure();
    }
    m_recorded = true;
    return {};
}

Result<> Intent::Carry(const std::function<void(int done)>& progress)
{
    const Result<> carried = CarryAll(m_dbDir, m_steps, progress);
    if (!carried) {
        qCWarning(lcStore) << "a step of" << m_what << "failed:" << carried.why() << carried.failure().path;
        return carried;
    }
    RemoveRecord(m_dbDir, m_path);
    m_recorded = false;
    return {};
}

Result<> Intent::Drop()
{
    if (!m_recorded) {
        return {};
    }
    if (const Result<> removed = SafeFile::Remove(m_path); !removed) {
        return removed;
    }
    m_recorded = false;
    return SafeFile::SyncFolder(m_dbDir);
}

Recovery Recover(const QString& dbDir)
{
    Recovery recovery;
    const QByteArray root = SafeFile::Encode(dbDir);
    std::vector<QByteArray> records;
    if (DIR* dir = ::opendir(root.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArrayView name(entry->d_name);
            if (IsRecordName(name)) {
                records.emplace_back(name.toByteArray());
            } else if (SafeFile::IsTempName(name) && name.sliced(1).startsWith(kPrefix)) {
                // A record whose write was cut short: it never was one.
                (void)SafeFile::Remove(SafeFile::Decode(root + '/' + name.toByteArray()));
            }
        }
        ::closedir(dir);
    }
    std::sort(records.begin(), records.end());
    for (const QByteArray& name : records) {
        const QString path = SafeFile::Decode(root + '/' + name);
        QByteArray text;
        const SafeFile::ReadStatus status = SafeFile::Read(path, text, kRecordCap);
        const std::optional<Parsed> parsed = status == SafeFile::ReadStatus::Ok ? Parse(text) : std::optional<Parsed>();
        if (!parsed) {
            qCWarning(lcStore) << "left alone: the record" << path << "is damaged or cannot be read";
            recovery.kept << QStringLiteral("The record of an interrupted change, %1, is damaged or cannot be read, "
                                            "so nothing of it was done; it is left as it is.")
                                 .arg(path);
            continue;
        }
        const Result<> carried = CarryAll(dbDir, parsed->steps);
        if (!carried && !carried.Unconfirmed()) {
            Spare(root, parsed->steps);
            qCWarning(lcStore) << "the record" << path << "could not be carried out:" << carried.why();
            recovery.kept << QStringLiteral("When Vidsora last ran, %1 was interrupted, and it could not be finished "
                                            "now (%2: %3); its record %4 is left as it is.")
                                 .arg(parsed->what, carried.failure().path, carried.why(), path);
            continue;
        }
        if (carried) {
            RemoveRecord(dbDir, path);
        }
        recovery.finished << parsed->what;
        recovery.counts.push_back(parsed->count);
    }
    return recovery;
}

QString Message(const Recovery& recovery)
{
    QStringList lines;
    for (const QString& what : recovery.finished) {
        lines << QStringLiteral("When Vidsora last ran, %1 was interrupted; it has now been carried to its end.")
                     .arg(what);
    }
    lines << recovery.kept;
    return lines.join(QLatin1Char('\n'));
}

} // namespace StoreIntent
