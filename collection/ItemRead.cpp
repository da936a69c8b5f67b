// The reads of a load: an item folder scanned, its stray temporary files cleared, its record files read (started
// without waiting for the disk, finished later) and the item made from them.
#include "ItemStore.h"
#include "ItemStoreParts.h"

#include "StoreLog.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ItemStore {

namespace Parts {

FolderScan ScanFolder(int dirFd)
{
    FolderScan scan;
    const auto visit = [&](const char* name) {
        if (name[0] == '.') {
            if (SafeFile::IsTempName(name)) {
                scan.temps.emplace_back(name);
            }
            return;
        }
        for (size_t t = 0; t < kTextFiles.size(); ++t) {
            if (::strcasecmp(name, kTextFiles[t]) != 0) {
                continue;
            }
            QByteArray& found = scan.texts[t];
            if (std::strcmp(name, kTextFiles[t]) == 0) {
                if (!found.isEmpty()) {
                    scan.variants[t].push_back(found);
                }
                found = name;
            } else if (found.isEmpty()) {
                found = name;
            } else {
                scan.variants[t].emplace_back(name);
            }
        }
        if (::strcasecmp(name, kRecordName) == 0) {
            if (std::strcmp(name, kRecordName) != 0) {
                scan.recordVariants.emplace_back(name);
            } else {
                scan.record = true;
            }
        }
    };
    alignas(8) char buffer[8192];
    ::lseek(dirFd, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = ::getdents64(dirFd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            visit(entry->d_name);
            at += entry->d_reclen;
        }
    }
    return scan;
}

FolderScan ScanFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    FolderScan scan = ScanFolder(fd);
    ::close(fd);
    return scan;
}

bool RemoveTemps(const QByteArray& folder, const FolderScan& scan)
{
    bool removed = false;
    for (const QByteArray& name : scan.temps) {
        const QString path = SafeFile::Decode(folder + '/' + name);
        struct stat st;
        if (::lstat((folder + '/' + name).constData(), &st) == 0) {
            const auto gone = S_ISDIR(st.st_mode) ? SafeFile::RemoveTree(path) : SafeFile::Remove(path);
            if (!gone) {
                qCWarning(lcStore) << "cannot remove" << path << "left by an interrupted save or delete";
            }
            removed = gone || removed;
        }
    }
    return removed;
}

} // namespace Parts

ItemRead::ItemRead(ItemKind kind, const QString& folderPath) : m_kind(kind), m_path(folderPath)
{
    static_assert(std::tuple_size_v<decltype(m_texts)> == Parts::kTextFiles.size());
    // The folder is opened once; its files are read relative to it.
    const QByteArray folder = SafeFile::Encode(folderPath);
    m_dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0) {
        m_openError = errno;
        return;
    }
    // A load finishes what an interrupted save left: its temporary files go.
    const Parts::FolderScan scan = Parts::ScanFolder(m_dirFd);
    if (!scan.temps.empty() && Parts::RemoveTemps(folder, scan)) {
        (void)SafeFile::SyncFolder(folderPath);
    }
    m_record = SafeFile::StartedRead(m_dirFd, kRecordName);
    if (kind == ItemKind::Movie) {
        // The text files are found without regard to case, as covers are.
        for (size_t t = 0; t < m_texts.size(); ++t) {
            m_hasText[t] = !scan.texts[t].isEmpty();
            if (m_hasText[t]) {
                m_texts[t] = SafeFile::StartedRead(m_dirFd, scan.texts[t].constData());
            }
        }
    }
}

ItemRead::ItemRead(ItemRead&& other) noexcept
    : m_kind(other.m_kind), m_path(std::move(other.m_path)), m_dirFd(std::exchange(other.m_dirFd, -1)),
      m_openError(other.m_openError), m_record(std::move(other.m_record)), m_texts(std::move(other.m_texts)),
      m_hasText(other.m_hasText)
{
}

ItemRead::~ItemRead()
{
    // The files first: their reads name the folder by its descriptor.
    m_record = {};
    for (SafeFile::StartedRead& read : m_texts) {
        read = {};
    }
    if (m_dirFd >= 0) {
        ::close(m_dirFd);
    }
}

std::shared_ptr<CItem> ItemRead::Finish()
{
    if (m_dirFd < 0) {
        qCWarning(lcStore) << "skipped" << m_path << "- no item folder:" << qt_error_string(m_openError);
        return {};
    }
    // A folder left out stays on disk untouched: what it holds (notes, covers) may be the only copy.
    QByteArray file;
    if (const auto status = m_record.Finish(file); status != SafeFile::ReadStatus::Ok) {
        const QByteArray why = status == SafeFile::ReadStatus::Missing
                                   ? QByteArray("- it holds no item record (") + kRecordName + ')'
                                   : QByteArray("- its record cannot be read");
        qCWarning(lcStore) << "skipped" << m_path << why.constData();
        return {};
    }
    std::shared_ptr<CItem> item = NewItem(m_kind);
    ApplyRecordBytes(*item, file);
    // A record without a usable id line has no key.
    if (item->blFirstID() || item->lngID() == -1) {
        qCWarning(lcStore) << "skipped" << m_path
                           << (file.isEmpty() ? "- its record is empty" : "- its record has no usable ID");
        return {};
    }
    item->setPath(m_path);
    if (m_kind == ItemKind::Movie) {
        auto& movie = static_cast<CMovie&>(*item);
        size_t t = 0;
        for (const ItemField<CMovie>& field : CMovie::Fields()) {
            if (field.form == FieldForm::File) {
                field.setText(movie, m_hasText[t] ? Parts::ReadTextFile(m_texts[t], file) : QString());
                ++t;
            }
        }
    }
    return item;
}

std::shared_ptr<CItem> ReadItem(ItemKind kind, const QString& folderPath)
{
    return ItemRead(kind, folderPath).Finish();
}

} // namespace ItemStore
