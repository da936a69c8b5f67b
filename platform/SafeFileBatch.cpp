// The batch: many new files written at once, their syncs put off until it ends and then made once per file system.
#include "SafeFileInternal.h"

#include <cerrno>
#include <map>
#include <set>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {
namespace {

// The open batch (see Batch): its depth, the files it wrote without syncing them, and one folder per file system
// whose syncs it put off. A batch belongs to the thread that opened it: an import writing on a worker defers its own
// syncs only, and what the window's thread writes meanwhile is synced as always.
thread_local int g_batchDepth = 0;
thread_local std::set<QByteArray> g_batchFiles;
thread_local std::set<QByteArray> g_batchDirs; // folders made or put in place while the batch is open
// One open folder per file system whose syncs the batch put off: a descriptor, so that a folder renamed or removed
// later in the batch still reaches its file system.
thread_local std::map<dev_t, std::pair<int, QByteArray>> g_batchFolders;

// Ends the outermost batch: closes the folders it kept open and forgets what it wrote.
void Forget()
{
    for (const auto& [device, folder] : g_batchFolders) {
        if (folder.first >= 0) {
            ::close(folder.first);
        }
    }
    g_batchFiles.clear();
    g_batchDirs.clear();
    g_batchFolders.clear();
}

} // namespace

namespace Internal {

bool InBatch()
{
    return g_batchDepth > 0;
}

bool DefersToBatch(const QByteArray& target, const QByteArray& folder, bool exists)
{
    return g_batchDepth > 0 && (!exists || g_batchFiles.count(target) > 0 || g_batchDirs.count(folder) > 0);
}

void DeferFile(const QByteArray& target)
{
    g_batchFiles.insert(target);
    DeferFolder(FolderOf(target));
}

void DeferFolder(const QByteArray& folder)
{
    struct stat st;
    if (::stat(folder.constData(), &st) != 0 || g_batchFolders.count(st.st_dev) > 0) {
        return;
    }
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    g_batchFolders.emplace(st.st_dev, std::make_pair(fd, folder));
}

void NoteNewFolder(const QByteArray& path)
{
    if (g_batchDepth > 0) {
        g_batchDirs.insert(path);
    }
}

} // namespace Internal

using namespace Internal;

Batch::Batch()
{
    ++g_batchDepth;
}

Batch::~Batch()
{
    (void)Commit(); // a batch ended without its Commit syncs all the same; what failed is traced
}

Result<> Batch::Commit()
{
    if (m_done) {
        return Answer();
    }
    m_done = true;
    if (--g_batchDepth > 0) {
        return Answer(); // the outer batch syncs
    }
    for (const auto& [device, folder] : g_batchFolders) {
        const auto& [fd, path] = folder;
        if (fd < 0 || Injected(Faults::SyncDir) || (!SyncsSkipped() && ::syncfs(fd) != 0)) {
            // What the batch wrote, renamed or removed stands; the disk did not confirm it.
            const Failure failed = Unconfirmed(Traced("cannot sync the file system of", path, fd < 0 ? EBADF : errno));
            if (!m_failure) {
                m_failure = failed;
            }
        }
    }
    Forget();
    return Answer();
}

void Batch::Drop()
{
    if (m_done) {
        return;
    }
    m_done = true;
    m_failure = Failure::OfErrno(ECANCELED); // a Commit after it does not say that anything was synced
    if (--g_batchDepth == 0) {
        Forget();
    }
}

Result<> Batch::Answer() const
{
    if (m_failure) {
        return *m_failure;
    }
    return {};
}

struct Unbatched::SetAside
{
    int depth;
    std::set<QByteArray> files;
    std::set<QByteArray> dirs;
    std::map<dev_t, std::pair<int, QByteArray>> folders;
};

Unbatched::Unbatched()
    : m_aside(new SetAside{g_batchDepth, std::move(g_batchFiles), std::move(g_batchDirs), std::move(g_batchFolders)})
{
    g_batchDepth = 0;
    g_batchFiles.clear();
    g_batchDirs.clear();
    g_batchFolders.clear();
}

Unbatched::~Unbatched()
{
    // A batch opened and ended meanwhile has forgotten what it wrote; the one set aside takes its place again.
    g_batchDepth = m_aside->depth;
    g_batchFiles = std::move(m_aside->files);
    g_batchDirs = std::move(m_aside->dirs);
    g_batchFolders = std::move(m_aside->folders);
}

} // namespace SafeFile
