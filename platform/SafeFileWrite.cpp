// Whole writes: one file replaced by its new bytes, or several files of one folder replaced together.
#include "SafeFileInternal.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>

namespace SafeFile {

using namespace Internal;

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

} // namespace SafeFile
