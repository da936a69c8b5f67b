#pragma once

#include "Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

// How every file the programs write reaches the disk, and how every whole file is read back.
//
// A write goes to a temporary file in the target's folder, named ".<name>.<hex>.tmp"; every write and the close are
// checked, the data is synced to disk, the file is renamed over the target and the folder is synced. So a write that
// reported success survives a power cut, and one that failed leaves the old file as it was and no temporary file.
//
// Every step that changes the disk gives back a Result: a failure holds its errno, the system's text of it (why) and
// the path it failed at. Read them there: errno is left as the failure left it, but a clean-up after it may change it.
// A step's answer tells three states apart: nothing was changed (a plain failure); the change was made but a sync
// after it failed (a failure with unconfirmed set, Result::Unconfirmed(): the new file or name stands, and may or may
// not survive a power cut); the change was made and confirmed (success).
//
// Paths cross as QString; a name whose bytes are not UTF-8 keeps each stray byte as one of the characters
// U+DC80..U+DCFF, so every name a folder lists can be opened again.
namespace SafeFile {

// ---- names (SafeFileNames.cpp) ----

// The bytes of a path, and the path of some bytes; Decode(Encode(p)) == p and Encode(Decode(b)) == b.
QByteArray Encode(QStringView path);
QString Decode(QByteArrayView bytes);
// True for a name the writer gives its temporary files: "." name "." 1 to 16 hex digits ".tmp".
bool IsTempName(QByteArrayView name);

// ---- writing one file (SafeFileWrite.cpp, SafeFilePending.cpp) ----

// Replaces path by bytes (see above). A new file gets mode & ~umask, an existing one keeps its mode (narrowed to mode
// when mode is private, without group and other bits); a symbolic link is written through to the file it names. A
// failure before the rename leaves the old file; one of the folder's sync after it is unconfirmed (the new bytes are
// there).
Result<> Write(const QString& path, QByteArrayView bytes, unsigned mode = 0666);

// A file written in pieces and put in place at Commit; an uncommitted one is removed on destruction.
class Pending
{
public:
    explicit Pending(const QString& target, unsigned mode = 0666);
    ~Pending();
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;

    // Creates the temporary file.
    Result<> Open();
    // After a failed Append or Finish every later step gives that failure again.
    Result<> Append(QByteArrayView bytes);
    // Syncs and closes the temporary file; the target is not touched yet.
    Result<> Finish();
    // Renames the finished file over the target; a failure leaves the old file. The folder is not synced here
    // (SyncFolder does, and its failure is unconfirmed).
    Result<> Commit();
    // Removes the temporary file.
    void Cancel();

    const QByteArray& Target() const { return m_target; }

private:
    // Keeps a failure of Append or Finish for the steps after it.
    Result<> Keep(Failure failure);

    QByteArray m_target;
    QByteArray m_temp;
    unsigned m_mode;
    int m_fd = -1;
    bool m_finished = false;
    bool m_committed = false;
    bool m_deferred = false;
    std::optional<Failure> m_failure;
};

// ---- several files at once (SafeFileWrite.cpp, SafeFileBatch.cpp) ----

// Writes several files into one folder: every new file is complete and on disk before the first one replaces its old
// version, and the folder is synced once at the end. A failure's path is the file that failed, or the folder when its
// sync did; an old file whose new version could not be written is left as it was. A failed sync of the folder is
// unconfirmed (every new file is in place); a failed rename leaves that file and those after it old.
Result<> WriteAll(const QString& folder, const std::vector<std::pair<QString, QByteArray>>& files);

// Many new files at once (an import, a box set made with its contents): while a batch is open, files that did not
// exist before it (or lie in a folder made or put in place during it) are not synced one by one, nor are folders; the
// batch syncs their file systems once when it ends, renamed folders included. A file that existed before the batch
// is still synced on its own, so its old version stays whole. What was written in a batch is on disk, and may be
// reported as saved, only once Commit has returned true. Batches nest: the outermost one syncs. A batch holds for the
// thread that opened it (and must end there); other threads' files are synced one by one meanwhile.
class Batch
{
public:
    Batch();
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Ends the batch; a failure when its files could not be synced, unconfirmed: what the batch wrote, renamed and
    // removed stands but the disk did not confirm it. Asked again, the answer stands.
    Result<> Commit();
    // Ends the batch without syncing: for what it wrote that is being removed again (it may not reach the disk; an
    // outer batch still syncs).
    void Drop();

private:
    Result<> Answer() const;

    bool m_done = false;
    std::optional<Failure> m_failure;
};

// Sets this thread's open batch aside for as long as it lives: what the thread writes meanwhile is synced one by one,
// as outside any batch, and the batch goes on unchanged once it is gone. For the few files that must be on disk before
// anything is replaced, whatever batch the caller has open (a save's staged files and its record).
class Unbatched
{
public:
    Unbatched();
    ~Unbatched();
    Unbatched(const Unbatched&) = delete;
    Unbatched& operator=(const Unbatched&) = delete;

private:
    struct SetAside;
    std::unique_ptr<SetAside> m_aside;
};

// ---- folders, renames and removal (SafeFileFolders.cpp) ----

// Makes the folder's entries (new, renamed or removed files) durable. Called after a change was made, so a failure is
// unconfirmed: the change stands, the disk did not confirm it.
Result<> SyncFolder(const QString& folder);
// Creates one folder and syncs it into its parent; a failure with EEXIST when it exists.
Result<> MakeFolder(const QString& path, unsigned mode = 0777);
// Creates path and every missing folder above it, each synced into its parent. Works when path is a folder.
Result<> MakePath(const QString& path);
// Renames a file or folder within one file system (the folder is not synced).
Result<> Rename(const QString& from, const QString& to);
// Makes a new, empty folder in parent under a temporary name of the writer's pattern (IsTempName), for something to
// be built whole before it is put in place with PutFolderInPlace. Not synced: if it is left behind, the next sweep
// of parent removes it. Its path.
Result<QString> MakeTempFolder(const QString& parent, QStringView name);
// Renames the folder from to `to`, in the same parent, but never over anything: a failure with EEXIST when `to` is
// taken (in any case, on a file system that ignores it), or with the errno of another failure. Where the file system
// cannot rename without replacing, `to` is first made as an empty folder exclusively and then replaced. A failure
// leaves `to` as it was. The parent is not synced (SyncFolder, or the open batch, does: its failure is unconfirmed).
Result<> PutFolderInPlace(const QString& from, const QString& to);
// Removes one file (not a folder); works when it is gone; a failure leaves it. The folder is not synced (SyncFolder
// after it, whose failure is unconfirmed).
Result<> Remove(const QString& path);
// Removes a folder with everything in it, symbolic links as links; works when it is gone. A failure may have removed
// some of what it held, but the folder stays. Its parent is not synced (as for Remove).
Result<> RemoveTree(const QString& path);

// Removes the entries of folder that IsTempName matches (files, and folders with what they hold); how many went.
// Only for a folder no other program writes to at the moment: a live write there would fail.
int RemoveStrayTemps(const QString& folder);

// True when both paths name one file (device and inode): two names that are links to one file. Not proof that two
// names are other files: a file system that ignores case may give each spelling of one file its own inode (exFAT
// through FUSE), so whether an other-case name is another file is told by a listing (ListedBoth).
bool SameFile(const QString& a, const QString& b);
// True when a fresh listing of folder holds both names exactly as spelt: on a file system that ignores case, the
// names of one file differing only in case are one entry.
bool ListedBoth(const QString& folder, QStringView a, QStringView b);

// ---- reading (SafeFileRead.cpp) ----

enum class ReadStatus
{
    Ok,
    Missing,    // no such file (or a path component is missing)
    NotRegular, // a folder, pipe, device or socket: never opened for reading
    TooLarge,   // larger than the cap
    Failed,     // any other error
};

// The largest file a whole-file read takes.
inline constexpr qint64 kReadCap = 256 * 1024 * 1024;

// Reads a whole regular file. A pipe, device or socket is refused without blocking. out is emptied on failure; its
// capacity is reused.
ReadStatus Read(const QString& path, QByteArray& out, qint64 cap = kReadCap);
ReadStatus ReadNative(const char* path, QByteArray& out, qint64 cap = kReadCap);
// The first maxBytes bytes of a regular file (all of a shorter one), and in *size, when given, the file's whole
// size; a pipe, device or socket is refused without blocking. For a look at a file's header; nothing is logged.
ReadStatus ReadHead(const QString& path, QByteArray& out, qint64 maxBytes, qint64* size = nullptr);
// The same for name inside the open folder dirFd (many files of one folder, without walking its path again).
ReadStatus ReadAt(int dirFd, const char* name, QByteArray& out, qint64 cap = kReadCap);
// A read of name inside the open folder dirFd begun without waiting for the disk: the file is opened and what the page
// cache holds of it is taken at once, and the reads of the rest are sent to the disk; Finish waits for them. Starting
// the reads of several files before finishing the first keeps many disk reads in flight from one thread. Finish gives
// what ReadAt would have given at the start, with the same log line; dirFd stays open until then.
class StartedRead
{
public:
    StartedRead() = default;
    StartedRead(int dirFd, const char* name, qint64 cap = kReadCap);
    StartedRead(StartedRead&& other) noexcept;
    StartedRead& operator=(StartedRead&& other) noexcept;
    StartedRead(const StartedRead&) = delete;
    StartedRead& operator=(const StartedRead&) = delete;
    ~StartedRead();

    ReadStatus Finish(QByteArray& out);

private:
    int m_dirFd = -1;
    QByteArray m_name;
    qint64 m_cap = kReadCap;
    int m_fd = -1;
    ReadStatus m_status = ReadStatus::Missing;
    int m_errno = 0;
    QByteArray m_data;
    qsizetype m_used = 0;
};

// ---- the test seam (SafeFileFaults.cpp) ----
// Tests make the writer fail deterministically, also as root. The counters are process-wide.
namespace Faults {

enum Op
{
    Create,     // creating a temporary file
    WriteBytes, // one write call
    Sync,       // syncing a file
    Close,      // closing a written file
    Rename,     // the rename over the target
    SyncDir,    // syncing a folder
    MakeDir,    // creating a folder
    RemoveFile, // removing a file or folder
    OpCount
};

// The nth call of op from now fails (1 = the next one); 0 turns it off.
void FailNth(Op op, int n);
// Every call of op from now takes this much longer (a slow disk); 0 turns it off.
void SlowDown(Op op, int milliseconds);
// The writer may write this many more bytes; a write beyond fails as a full disk does. Negative: no limit.
void SetByteBudget(qint64 bytes);
// What is left of the byte budget; negative when there is no limit.
qint64 ByteBudget();
// Turns every fault off and zeroes the counters; SkipSyncs stays as it was.
void Reset();
// While on, the syncs of files, folders and file systems are left out (still counted, and still made to fail by
// FailNth): for tests whose files are thrown away afterwards and never meet a power cut. Off unless a test turns it on.
void SkipSyncs(bool on);
// Calls of op since the last Reset.
int Calls(Op op);

} // namespace Faults

} // namespace SafeFile
