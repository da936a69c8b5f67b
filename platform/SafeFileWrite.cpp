// Whole writes: one file replaced by its new bytes, or several files of one folder replaced together.
#include "SafeFileInternal.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>

namespace SafeFile {

using namespace Internal;

namespace {

// Writes bytes into the pending file and syncs it, stopping at the first failure.
Result<> WriteOut(Pending& file, QByteArrayView bytes)
{
    if (auto opened = file.Open(); !opened) {
        return opened;
    }
    if (auto appended = file.Append(bytes); !appended) {
        return appended;
    }
    return file.Finish();
}

} // namespace

Result<> Write(const QString& path, QByteArrayView bytes, unsigned mode)
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
    if (auto written = WriteOut(file, bytes); !written) {
        return written;
    }
    if (auto placed = file.Commit(); !placed) {
        return placed;
    }
    if (auto synced = SyncFolderNative(FolderOf(target)); !synced) {
        return Unconfirmed(synced.failure()); // the new file is in place
    }
    return {};
}

Result<> WriteAll(const QString& folder, const std::vector<std::pair<QString, QByteArray>>& files)
{
    // On a failure the pending files go with their temporary files; the failure is kept in the Result.
    std::vector<std::unique_ptr<Pending>> out;
    out.reserve(files.size());
    for (const auto& [name, bytes] : files) {
        out.push_back(std::make_unique<Pending>(folder + u'/' + name));
        if (auto written = WriteOut(*out.back(), bytes); !written) {
            return written;
        }
    }
    // The first failed rename stops the rest: every file after it keeps its old version, and those renamed before it
    // stay replaced (each of them whole; a rename cannot be undone once the old file is gone). A rename in one folder
    // fails in practice only at the first file, with the disk gone or read-only.
    for (const auto& file : out) {
        if (auto placed = file->Commit(); !placed) {
            (void)SyncFolderNative(
                Encode(folder)); // those replaced stay replaced; the rename's failure is what to tell
            return placed;
        }
    }
    if (auto synced = SyncFolderNative(Encode(folder)); !synced) {
        return Unconfirmed(synced.failure()); // every new file is in place
    }
    return {};
}

} // namespace SafeFile
