#include "SafeFile.h"

#include "PlatformLog.h"

#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace SafeFile {
namespace {

std::atomic<int> g_calls[Faults::OpCount];
std::atomic<int> g_failAt[Faults::OpCount];
std::atomic<int> g_delayMs[Faults::OpCount];
std::atomic<qint64> g_budget{-1};
std::atomic<bool> g_skipSyncs{false};

bool SyncsSkipped()
{
    return g_skipSyncs.load(std::memory_order_relaxed);
}

// The open batch (see Batch): its depth, the files it wrote without syncing them, and one folder per file system
// whose syncs it put off. A batch belongs to the thread that opened it: an import writing on a worker defers its own
// syncs only, and what the window's thread writes meanwhile is synced as always.
thread_local int g_batchDepth = 0;
thread_local std::set<QByteArray> g_batchFiles;
thread_local std::set<QByteArray> g_batchDirs; // folders made or put in place while the batch is open
// One open folder per file system whose syncs the batch put off: a descriptor, so that a folder renamed or removed
// later in the batch still reaches its file system.
thread_local std::map<dev_t, std::pair<int, QByteArray>> g_batchFolders;

void DeferToBatch(const QByteArray& folder)
{
    struct stat st;
    if (::stat(folder.constData(), &st) != 0 || g_batchFolders.count(st.st_dev) > 0) {
        return;
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    g_batchFolders.emplace(st.st_dev, std::make_pair(fd, folder));
}

// Counts a call of op; true when the test seam makes this one fail (errno set as the real failure would).
bool Injected(Faults::Op op)
{
    const int n = g_calls[op].fetch_add(1, std::memory_order_relaxed) + 1;
    if (const int delay = g_delayMs[op].load(std::memory_order_relaxed); delay > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    }
    const int at = g_failAt[op].load(std::memory_order_relaxed);
    if (at > 0 && n == at) {
        errno = op == Faults::WriteBytes ? ENOSPC : EIO;
        return true;
    }
    return false;
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Callers see only false, so the reason is traced here; errno stays as the failure left it, for callers that read it.
void Trace(const char* what, QByteArrayView path, int err)
{
    const int saved = errno;
    qCWarning(lcPlatform) << what << Decode(path) << "-" << qt_error_string(err);
    errno = saved;
}

bool SyncFolderNative(const QByteArray& folder)
{
    if (g_batchDepth > 0) {
        DeferToBatch(folder);
        return true;
    }
    if (Injected(Faults::SyncDir)) {
        Trace("cannot sync the folder", folder, errno);
        return false;
    }
    if (SyncsSkipped()) {
        return true;
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        Trace("cannot open the folder to sync it", folder, errno);
        return false;
    }
    int rc = ::fsync(fd);
    // Some file systems cannot sync a folder at all; their entries are then as durable as they can be.
    if (rc != 0 && (errno == EINVAL || errno == ENOTSUP || errno == EROFS)) {
        rc = 0;
    }
    const int err = errno;
    ::close(fd);
    if (rc != 0) {
        Trace("cannot sync the folder", folder, err);
    }
    return rc == 0;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Removes the entries of the open folder dirFd, then nothing else; true when all went.
bool RemoveContents(int dirFd)
{
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        names.emplace_back(name);
    }
    for (const QByteArray& name : names) {
        struct stat st;
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0 || !RemoveContents(sub)) {
                ok = false;
                continue;
            }
            if (Injected(Faults::RemoveFile) || ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) != 0) {
                ok = false;
            }
        } else if (Injected(Faults::RemoveFile) || ::unlinkat(dirFd, name.constData(), 0) != 0) {
            ok = false;
        }
    }
    ::closedir(dir); // closes dirFd
    return ok;
}

} // namespace

QByteArray Encode(QStringView path)
{
    QByteArray out;
    out.reserve(path.size());
    const char16_t* s = path.utf16();
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t c = s[i];
        if (c < 0x80) {
            out.append(char(c));
        } else if (c < 0x800) {
            out.append(char(0xC0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3F)));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            const char32_t cp = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
            out.append(char(0xF0 | (cp >> 18)));
            out.append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out.append(char(c - 0xDC00)); // a byte Decode kept aside
        } else if (c >= 0xD800 && c < 0xE000) {
            out.append('?'); // a lone surrogate no name can hold
        } else {
            out.append(char(0xE0 | (c >> 12)));
            out.append(char(0x80 | ((c >> 6) & 0x3F)));
            out.append(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

QString Decode(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            out.append(QChar(c));
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
            min = 0x10000;
        }
        bool valid = len > 0 && i + len <= n;
        for (int k = 1; valid && k < len; ++k) {
            valid = (b[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (b[i + k] & 0x3F);
        }
        valid = valid && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp < 0xE000);
        if (!valid) {
            out.append(QChar(char16_t(0xDC00 + c)));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar(char16_t(0xD800 + ((cp - 0x10000) >> 10))));
            out.append(QChar(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += len;
    }
    return out;
}

// ---- Pending ----

Pending::Pending(const QString& target, unsigned mode) : m_target(Encode(target)), m_mode(mode) {}

Pending::~Pending()
{
    Cancel();
}

bool Pending::Open()
{
    if (m_fd >= 0 || m_committed) {
        return false;
    }
    const qsizetype slash = m_target.lastIndexOf('/');
    // The temporary name stays within a file name's 255 bytes, whatever the target's length.
    const QByteArray name = m_target.mid(slash + 1).left(200);
    struct stat st;
    const bool exists = ::stat(m_target.constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        Trace("cannot write", m_target, EISDIR);
        return false; // the rename could never replace it
    }
    // In a batch a new file is synced with the batch; a file that was there before is synced on its own, so its old
    // version stays whole until the new one is on disk.
    m_deferred = g_batchDepth > 0 &&
                 (!exists || g_batchFiles.count(m_target) > 0 || g_batchDirs.count(m_target.left(slash)) > 0);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temp = m_target.left(slash + 1) + '.' + name + '.' +
                 QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        if (Injected(Faults::Create)) {
            Trace("cannot create a temporary file to write", m_target, errno);
            m_temp.clear();
            return false;
        }
        m_fd = ::open(m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(m_mode));
        if (m_fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        Trace("cannot create a temporary file to write", m_target, errno);
        m_temp.clear();
        return false;
    }
    if (exists && S_ISREG(st.st_mode)) {
        // The new version keeps the old one's permissions, except that a private file (one asked for without group
        // or other bits, the settings with the password) stays private even when someone opened the old one up.
        mode_t keep = st.st_mode & 07777;
        if ((m_mode & 077) == 0) {
            keep &= mode_t(m_mode);
        }
        ::fchmod(m_fd, keep);
    }
    m_failed = false;
    m_finished = false;
    return true;
}

bool Pending::Append(QByteArrayView bytes)
{
    if (m_fd < 0 || m_failed) {
        return false;
    }
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        size_t chunk = size_t(left);
        if (Injected(Faults::WriteBytes)) {
            Trace("cannot write", m_target, errno);
            m_failed = true;
            return false;
        }
        const qint64 budget = g_budget.load(std::memory_order_relaxed);
        if (budget >= 0) {
            if (budget == 0) {
                errno = ENOSPC;
                Trace("cannot write", m_target, errno);
                m_failed = true;
                return false;
            }
            chunk = size_t(std::min<qint64>(budget, qint64(chunk)));
        }
        const ssize_t n = ::write(m_fd, data, chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Trace("cannot write", m_target, n < 0 ? errno : ENOSPC);
            m_failed = true;
            return false;
        }
        if (budget >= 0) {
            g_budget.fetch_sub(n, std::memory_order_relaxed);
        }
        data += n;
        left -= n;
    }
    return true;
}

bool Pending::Finish()
{
    if (m_fd < 0 || m_failed) {
        return false;
    }
    bool ok = true;
    if (m_deferred) {
        g_batchFiles.insert(m_target);
        DeferToBatch(FolderOf(m_target));
    } else {
        ok = !Injected(Faults::Sync) && (SyncsSkipped() || ::fdatasync(m_fd) == 0);
    }
    int err = ok ? 0 : errno;
    // On Linux the descriptor is gone even when close is interrupted; the data was synced above.
    const bool closed = ::close(m_fd) == 0 || errno == EINTR;
    if (!closed && err == 0) {
        err = errno;
    }
    m_fd = -1;
    ok = !Injected(Faults::Close) && closed && ok;
    if (!ok) {
        Trace("cannot sync and close", m_target, err != 0 ? err : errno);
    }
    m_failed = !ok;
    m_finished = ok;
    return ok;
}

bool Pending::Commit()
{
    if (!m_finished || m_committed) {
        return false;
    }
    if (Injected(Faults::Rename) || ::rename(m_temp.constData(), m_target.constData()) != 0) {
        Trace("cannot put in place", m_target, errno);
        return false;
    }
    m_committed = true;
    m_temp.clear();
    return true;
}

void Pending::Cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty() && !m_committed) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
    m_finished = false;
}

// ---- whole writes ----

bool Write(const QString& path, QByteArrayView bytes, unsigned mode)
{
    QByteArray target = Encode(path);
    struct stat st;
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // A link (a settings file kept elsewhere) stays a link: its file is replaced.
        if (char* real = ::realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    Pending file(Decode(target), mode);
    if (!file.Open() || !file.Append(bytes) || !file.Finish() || !file.Commit()) {
        return false;
    }
    return SyncFolderNative(FolderOf(target));
}

bool WriteAll(const QString& folder, const std::vector<std::pair<QString, QByteArray>>& files, QString* failed)
{
    std::vector<std::unique_ptr<Pending>> out;
    out.reserve(files.size());
    // The reason of a failure outlives the clean-up of the temporary files.
    const auto fail = [&](const QString& name) {
        const int err = errno;
        out.clear();
        if (failed) {
            *failed = name;
        }
        errno = err;
        return false;
    };
    for (const auto& [name, bytes] : files) {
        auto file = std::make_unique<Pending>(folder + u'/' + name);
        const bool written = file->Open() && file->Append(bytes) && file->Finish();
        out.push_back(std::move(file));
        if (!written) {
            return fail(name);
        }
    }
    // The first failed rename stops the rest, so a failure leaves every old file (a later failure cannot undo the
    // files already replaced, each of which is whole).
    for (size_t i = 0; i < out.size(); ++i) {
        if (!out[i]->Commit()) {
            const int err = errno;
            SyncFolder(folder);
            errno = err;
            return fail(files[i].first);
        }
    }
    if (!SyncFolder(folder)) {
        return fail(QString());
    }
    return true;
}

bool SyncFolder(const QString& folder)
{
    return SyncFolderNative(Encode(folder));
}

int MakeFolder(const QString& path, unsigned mode)
{
    const QByteArray native = Encode(path);
    if (Injected(Faults::MakeDir)) {
        return EIO;
    }
    if (::mkdir(native.constData(), mode_t(mode)) != 0) {
        return errno;
    }
    if (!SyncFolderNative(FolderOf(native))) {
        const int err = errno ? errno : EIO;
        ::rmdir(native.constData());
        return err;
    }
    return 0;
}

bool MakePath(const QString& path)
{
    const QByteArray native = Encode(path);
    struct stat st;
    if (::stat(native.constData(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const QByteArray parent = FolderOf(native);
    if (parent != native && parent != "." && !MakePath(Decode(parent))) {
        return false;
    }
    const int err = MakeFolder(path);
    return err == 0 || (err == EEXIST && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode));
}

bool Rename(const QString& from, const QString& to)
{
    if (Injected(Faults::Rename)) {
        return false;
    }
    return ::rename(Encode(from).constData(), Encode(to).constData()) == 0;
}

QString MakeTempFolder(const QString& parent, QStringView name)
{
    const QByteArray folder = Encode(parent);
    // The temporary name stays within a file name's 255 bytes, whatever the name's length.
    const QByteArray base = Encode(name).left(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray path =
            folder + "/." + base + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        if (Injected(Faults::MakeDir)) {
            Trace("cannot create a folder in", folder, errno);
            return {};
        }
        if (::mkdir(path.constData(), 0777) == 0) {
            if (g_batchDepth > 0) {
                g_batchDirs.insert(path);
            }
            return Decode(path);
        }
        if (errno != EEXIST) {
            Trace("cannot create a folder in", folder, errno);
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

int PutFolderInPlace(const QString& from, const QString& to)
{
    const QByteArray source = Encode(from);
    const QByteArray target = Encode(to);
    if (Injected(Faults::Rename)) {
        return errno;
    }
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0) {
        const int err = errno;
        if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP) {
            return err;
        }
        // A file system that cannot refuse to replace (FUSE, some network shares): the name is taken by an empty
        // folder made exclusively, which a rename may then replace. Should the program die in between, the empty
        // folder is left for the next load to sweep.
        if (::mkdir(target.constData(), 0700) != 0) {
            return errno;
        }
        if (::rename(source.constData(), target.constData()) != 0) {
            const int failed = errno;
            ::rmdir(target.constData());
            return failed;
        }
    }
    if (g_batchDepth > 0) {
        g_batchDirs.insert(target);
    }
    return 0;
}

bool Remove(const QString& path)
{
    if (Injected(Faults::RemoveFile)) {
        return false;
    }
    return ::unlink(Encode(path).constData()) == 0 || errno == ENOENT;
}

bool RemoveTree(const QString& path)
{
    const QByteArray native = Encode(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT;
    }
    if (!RemoveContents(fd)) {
        return false;
    }
    if (Injected(Faults::RemoveFile)) {
        return false;
    }
    return ::rmdir(native.constData()) == 0 || errno == ENOENT;
}

bool IsTempName(QByteArrayView name)
{
    if (!name.startsWith('.') || !name.endsWith(".tmp")) {
        return false;
    }
    const QByteArrayView inner = name.sliced(1, name.size() - 5);
    const qsizetype dot = inner.lastIndexOf('.');
    if (dot < 1) {
        return false;
    }
    const QByteArrayView hex = inner.sliced(dot + 1);
    if (hex.isEmpty() || hex.size() > 16) {
        return false;
    }
    for (char c : hex) {
        if (!IsHexDigit(c)) {
            return false;
        }
    }
    return true;
}

int RemoveStrayTemps(const QString& folder)
{
    const QByteArray native = Encode(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) {
        return 0;
    }
    std::vector<QByteArray> strays;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTempName(entry->d_name)) {
            strays.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    int removed = 0;
    for (const QByteArray& name : strays) {
        const QString path = folder + u'/' + Decode(name);
        struct stat st;
        if (::lstat((native + '/' + name).constData(), &st) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode) ? RemoveTree(path) : Remove(path)) {
            ++removed;
        }
    }
    return removed;
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa;
    struct stat sb;
    return ::stat(Encode(a).constData(), &sa) == 0 && ::stat(Encode(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool ListedBoth(const QString& folder, QStringView a, QStringView b)
{
    const QByteArray first = Encode(a);
    const QByteArray second = Encode(b);
    DIR* dir = ::opendir(Encode(folder).constData());
    if (!dir) {
        return false;
    }
    bool seenFirst = false;
    bool seenSecond = false;
    while (const dirent* entry = ::readdir(dir)) {
        seenFirst = seenFirst || first == entry->d_name;
        seenSecond = seenSecond || second == entry->d_name;
    }
    ::closedir(dir);
    return seenFirst && seenSecond;
}

// ---- reading ----

ReadStatus Read(const QString& path, QByteArray& out, qint64 cap)
{
    return ReadNative(Encode(path).constData(), out, cap);
}

ReadStatus ReadNative(const char* path, QByteArray& out, qint64 cap)
{
    return ReadAt(AT_FDCWD, path, out, cap);
}

namespace {

// Asks for large pages under a large buffer before it is first written: fresh memory is otherwise had one small page
// at a time, which for a file of tens of megabytes costs more than reading it. Only a hint; without it nothing changes.
void PreferLargePages(QByteArray& buffer)
{
#ifdef MADV_HUGEPAGE
    constexpr qsizetype kLarge = 4 * 1024 * 1024;
    if (buffer.size() < kLarge) {
        return;
    }
    const auto page = quintptr(::sysconf(_SC_PAGESIZE));
    const auto begin = (quintptr(buffer.data()) + page - 1) & ~(page - 1);
    const auto end = (quintptr(buffer.data()) + quintptr(buffer.size())) & ~(page - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#else
    Q_UNUSED(buffer);
#endif
}

// Opens name inside dirFd for a whole-file read and sizes out one byte past the file's size; -1 with the status when
// the file cannot be read.
int OpenForRead(int dirFd, const char* name, QByteArray& out, qint64 cap, ReadStatus& status)
{
    out.resize(0);
    // Non-blocking, so a pipe or a device under a record's name cannot hold the open up.
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        status = (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        status = ReadStatus::Failed;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        status = ReadStatus::NotRegular;
        return -1;
    }
    if (st.st_size > cap) {
        ::close(fd);
        status = ReadStatus::TooLarge;
        return -1;
    }
    // One byte more than the size tells the end without a second call when the file did not grow.
    out.resize(qsizetype(st.st_size) + 1);
    PreferLargePages(out);
    status = ReadStatus::Ok;
    return fd;
}

// Reads the open file fd on from its position (used bytes of out hold what came before) to its end, and closes it.
ReadStatus ReadRest(int fd, QByteArray& out, qsizetype used, qint64 cap)
{
    for (;;) {
        if (used == out.size()) {
            if (used > cap) {
                ::close(fd);
                out.resize(0);
                return ReadStatus::TooLarge;
            }
            out.resize(std::min<qsizetype>(qsizetype(cap) + 1, used * 2 + 4096));
        }
        const ssize_t n = ::read(fd, out.data() + used, size_t(out.size() - used));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            out.resize(0);
            errno = err;
            return ReadStatus::Failed;
        }
        if (n == 0) {
            break;
        }
        used += n;
    }
    ::close(fd);
    if (used > cap) {
        out.resize(0);
        return ReadStatus::TooLarge;
    }
    out.resize(used);
    return ReadStatus::Ok;
}

ReadStatus ReadFileAt(int dirFd, const char* name, QByteArray& out, qint64 cap)
{
    ReadStatus status = ReadStatus::Failed;
    const int fd = OpenForRead(dirFd, name, out, cap, status);
    return fd < 0 ? status : ReadRest(fd, out, 0, cap);
}

// The full path of name inside the open folder dirFd, for a trace.
QByteArray PathAt(int dirFd, const char* name)
{
    if (dirFd == AT_FDCWD || name[0] == '/') {
        return name;
    }
    char folder[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(dirFd);
    const ssize_t n = ::readlink(link.constData(), folder, sizeof folder);
    return (n > 0 ? QByteArray(folder, n) : QByteArray("?")) + '/' + name;
}

} // namespace

namespace {

// The log line of a read that did not give the file; errno is the failure's.
void ReportRead(ReadStatus status, int dirFd, const char* name, qint64 cap)
{
    if (status == ReadStatus::NotRegular) {
        qCWarning(lcPlatform) << "cannot read" << Decode(PathAt(dirFd, name)) << "- it is no regular file";
    } else if (status == ReadStatus::TooLarge) {
        qCWarning(lcPlatform) << "cannot read" << Decode(PathAt(dirFd, name)) << "- larger than" << cap << "bytes";
    } else if (status == ReadStatus::Failed) {
        const int err = errno;
        Trace("cannot read", PathAt(dirFd, name), err);
        errno = err;
    }
}

} // namespace

ReadStatus ReadAt(int dirFd, const char* name, QByteArray& out, qint64 cap)
{
    const ReadStatus status = ReadFileAt(dirFd, name, out, cap);
    // A missing file is an answer, not a failure: optional files are read this way.
    ReportRead(status, dirFd, name, cap);
    return status;
}

StartedRead::StartedRead(int dirFd, const char* name, qint64 cap) : m_dirFd(dirFd), m_name(name), m_cap(cap)
{
    m_fd = OpenForRead(dirFd, name, m_data, cap, m_status);
    if (m_fd < 0) {
        m_errno = errno;
        return;
    }
    // Takes what the page cache holds without waiting; for pages it does not hold the kernel starts the disk read
    // and answers EAGAIN, and Finish waits for them. A kernel or file system without this answers otherwise, and
    // Finish reads it all.
    iovec part{m_data.data(), size_t(m_data.size())};
    const ssize_t n = ::preadv2(m_fd, &part, 1, -1, RWF_NOWAIT);
    m_used = n > 0 ? qsizetype(n) : 0;
}

StartedRead::StartedRead(StartedRead&& other) noexcept
{
    *this = std::move(other);
}

StartedRead& StartedRead::operator=(StartedRead&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_dirFd = other.m_dirFd;
        m_name = std::move(other.m_name);
        m_cap = other.m_cap;
        m_fd = std::exchange(other.m_fd, -1);
        m_status = other.m_status;
        m_errno = other.m_errno;
        m_data = std::move(other.m_data);
        m_used = other.m_used;
    }
    return *this;
}

StartedRead::~StartedRead()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

ReadStatus StartedRead::Finish(QByteArray& out)
{
    ReadStatus status = m_status;
    if (m_fd >= 0) {
        status = ReadRest(std::exchange(m_fd, -1), m_data, m_used, m_cap);
        m_status = ReadStatus::Failed; // the data went to out; a second Finish gives nothing
    } else {
        errno = m_errno;
    }
    out = std::move(m_data);
    if (status != ReadStatus::Ok) {
        out.resize(0);
    }
    ReportRead(status, m_dirFd, m_name.constData(), m_cap);
    return status;
}

// ---- the test seam ----

Batch::Batch()
{
    ++g_batchDepth;
}

Batch::~Batch()
{
    Commit();
}

bool Batch::Commit()
{
    if (m_done) {
        return m_ok;
    }
    m_done = true;
    if (--g_batchDepth > 0) {
        return m_ok; // the outer batch syncs
    }
    for (const auto& [device, folder] : g_batchFolders) {
        const auto& [fd, path] = folder;
        if (fd < 0 || Injected(Faults::SyncDir) || (!SyncsSkipped() && ::syncfs(fd) != 0)) {
            Trace("cannot sync the file system of", path, fd < 0 ? EBADF : errno);
            m_ok = false;
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    g_batchFiles.clear();
    g_batchDirs.clear();
    g_batchFolders.clear();
    return m_ok;
}

void Batch::Drop()
{
    if (m_done) {
        return;
    }
    m_done = true;
    m_ok = false;
    if (--g_batchDepth > 0) {
        return;
    }
    for (const auto& [device, folder] : g_batchFolders) {
        if (folder.first >= 0) {
            ::close(folder.first);
        }
    }
    g_batchFiles.clear();
    g_batchDirs.clear();
    g_batchFolders.clear();
}

namespace Faults {

void FailNth(Op op, int n)
{
    g_failAt[op].store(n > 0 ? g_calls[op].load() + n : 0);
}

void SetByteBudget(qint64 bytes)
{
    g_budget.store(bytes);
}

qint64 ByteBudget()
{
    return g_budget.load();
}

void SlowDown(Op op, int milliseconds)
{
    g_delayMs[op].store(qMax(0, milliseconds));
}

void Reset()
{
    for (int op = 0; op < OpCount; ++op) {
        g_calls[op].store(0);
        g_failAt[op].store(0);
        g_delayMs[op].store(0);
    }
    g_budget.store(-1);
}

void SkipSyncs(bool on)
{
    g_skipSyncs.store(on);
}

int Calls(Op op)
{
    return g_calls[op].load();
}

} // namespace Faults

} // namespace SafeFile
