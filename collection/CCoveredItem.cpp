#include "CCoveredItem.h"

#include "AnsiText.h"
#include "SafeFile.h"
#include "StoreLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace {

QString Prefix(int side)
{
    return side == 0 ? QStringLiteral("FrontCover.") : QStringLiteral("BackCover.");
}

// The regular files of folder whose name starts with one of the prefixes, without regard to case; one list per
// prefix, newest first (an interrupted cover change leaves the new cover beside the old one), then in name order.
std::array<QStringList, 2> CoverFiles(const QString& folder, const std::array<QString, 2>& prefixes)
{
    struct Found
    {
        QByteArray name;
        struct timespec mtime;
    };
    std::array<std::vector<Found>, 2> found;
    std::array<QStringList, 2> names;
    const QByteArray dirPath = SafeFile::Encode(folder);
    DIR* dir = ::opendir(dirPath.constData());
    if (!dir) {
        return names;
    }
    const std::array<QByteArray, 2> ascii{prefixes[0].toLatin1(), prefixes[1].toLatin1()};
    while (const dirent* entry = ::readdir(dir)) {
        for (size_t side = 0; side < 2; ++side) {
            if (ascii[side].isEmpty() ||
                ::strncasecmp(entry->d_name, ascii[side].constData(), size_t(ascii[side].size())) != 0) {
                continue;
            }
            struct stat st;
            if (::stat((dirPath + '/' + entry->d_name).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
                found[side].push_back({QByteArray(entry->d_name), st.st_mtim});
            }
        }
    }
    ::closedir(dir);
    for (size_t side = 0; side < 2; ++side) {
        std::sort(found[side].begin(), found[side].end(), [](const Found& a, const Found& b) {
            if (a.mtime.tv_sec != b.mtime.tv_sec) {
                return a.mtime.tv_sec > b.mtime.tv_sec;
            }
            if (a.mtime.tv_nsec != b.mtime.tv_nsec) {
                return a.mtime.tv_nsec > b.mtime.tv_nsec;
            }
            return a.name < b.name;
        });
        for (const Found& f : found[side]) {
            names[side].append(SafeFile::Decode(f.name));
        }
    }
    return names;
}

QStringList CoverFiles(const QString& folder, const QString& prefix)
{
    return CoverFiles(folder, {prefix, QString()})[0];
}

// The extension of a cover source: taken from the file name alone, 1 to 8 ASCII letters or digits; empty otherwise.
QString CoverExtension(const QString& strFile)
{
    const QString name = QFileInfo(strFile).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return {};
    }
    const QString ext = name.mid(dot + 1);
    return AnsiText::IsSafeExtension(ext) ? ext : QString();
}

} // namespace

CCoveredItem::CCoveredItem(int initialId, bool lazyCovers, QObject* parent)
    : CItem(initialId, parent), m_lazyCovers(lazyCovers)
{
}

QString CCoveredItem::strFrontCover() const
{
    return Cover(Front);
}

QString CCoveredItem::strBackCover() const
{
    return Cover(Back);
}

QString CCoveredItem::Cover(Side side) const
{
    // Without a folder there is nothing to look in, so never look at a path built from an empty one.
    if (m_lazyCovers && m_cover[side].isEmpty() && !Path().isEmpty()) {
        LookUp(side);
    }
    return m_cover[side];
}

void CCoveredItem::LookUp(Side side) const
{
    m_cover[side].clear();
    if (Path().isEmpty()) {
        return;
    }
    const QStringList names = CoverFiles(Path(), Prefix(side));
    if (!names.isEmpty()) {
        m_cover[side] = names.first();
    }
}

void CCoveredItem::setPath(const QString& value)
{
    CItem::setPath(value);
    m_cover[Front].clear();
    m_cover[Back].clear();
    if (!m_lazyCovers && !value.isEmpty()) {
        // One listing serves both sides.
        const auto names = CoverFiles(value, {Prefix(Front), Prefix(Back)});
        for (int side : {Front, Back}) {
            if (!names[size_t(side)].isEmpty()) {
                m_cover[side] = names[size_t(side)].first();
            }
        }
    }
}

bool CCoveredItem::DeleteFrontCover()
{
    return DeleteCover(Front);
}

bool CCoveredItem::DeleteBackCover()
{
    return DeleteCover(Back);
}

bool CCoveredItem::AddFrontCover(const QString& strFile)
{
    return AddCover(Front, strFile);
}

bool CCoveredItem::AddBackCover(const QString& strFile)
{
    return AddCover(Back, strFile);
}

QString CCoveredItem::CoverFileName(bool front, const QString& strFile)
{
    const QString ext = CoverExtension(strFile);
    return ext.isEmpty() ? QString() : Prefix(front ? Front : Back) + ext;
}

bool CCoveredItem::DeleteCover(Side side)
{
    if (Path().isEmpty()) {
        return true; // an item never saved has no cover
    }
    bool removed = false;
    bool whole = true;
    for (const QString& name : CoverFiles(Path(), Prefix(side))) {
        if (SafeFile::Remove(Path() + u'/' + name)) {
            removed = true;
        } else {
            qCWarning(lcStore) << "cannot delete the cover" << Path() + u'/' + name;
            whole = false;
        }
    }
    // A removal that may not survive a power cut is not reported as done.
    if (removed && !SafeFile::SyncFolder(Path())) {
        whole = false;
    }
    m_cover[side].clear();
    if (!whole) {
        LookUp(side); // what is left, if anything, is still the cover
    }
    return whole;
}

bool CCoveredItem::IsOtherFile(const QString& name, const QString& kept) const
{
    if (name.compare(kept, Qt::CaseInsensitive) != 0) {
        return true;
    }
    // Names differing only in case: on a file system that ignores case the folder lists one of them only, whatever
    // inode numbers each spelling gets; two links to one file are not other files either.
    return SafeFile::ListedBoth(Path(), name, kept) && !SafeFile::SameFile(Path() + u'/' + name, Path() + u'/' + kept);
}

bool CCoveredItem::AddCover(Side side, const QString& strFile)
{
    if (Path().isEmpty()) {
        return false; // a template item is never stored, so it takes no cover
    }
    const QString ext = CoverExtension(strFile);
    if (ext.isEmpty()) {
        qCWarning(lcStore) << "cannot add the cover" << strFile << "- its name has no plain extension";
        return false;
    }
    const QStringList old = CoverFiles(Path(), Prefix(side));
    // Copying the current cover onto itself would only risk it.
    for (const QString& name : old) {
        if (SafeFile::SameFile(strFile, Path() + u'/' + name)) {
            return true;
        }
    }
    // Regular files only, size-capped: a pipe offered as a cover never blocks.
    QByteArray bytes;
    if (SafeFile::Read(strFile, bytes) != SafeFile::ReadStatus::Ok) {
        qCWarning(lcStore) << "cannot add the cover" << strFile << "to" << Path() << "- it cannot be read";
        return false;
    }
    const QString target = Prefix(side) + ext;
    // The new cover is whole and on disk before the old one goes; a failed copy leaves the old cover.
    if (!SafeFile::Write(Path() + u'/' + target, bytes)) {
        qCWarning(lcStore) << "cannot add the cover" << strFile << "to" << Path() << "- it may not be on disk";
        return false;
    }
    m_cover[side] = target;
    // On a file system that ignores case, "FrontCover.JPG" and "FrontCover.jpg" are the file just written.
    bool removed = false;
    bool whole = true;
    for (const QString& name : old) {
        if (name == target || !IsOtherFile(name, target)) {
            continue;
        }
        if (SafeFile::Remove(Path() + u'/' + name)) {
            removed = true;
        } else {
            qCWarning(lcStore) << "cannot remove the old cover" << Path() + u'/' + name << "- the next save does";
            whole = false;
        }
    }
    if (removed && !SafeFile::SyncFolder(Path())) {
        whole = false;
    }
    // The folder may keep the old spelling of the file just written; the cover is named as listed.
    LookUp(side);
    return whole;
}

bool CCoveredItem::RemoveOtherCovers()
{
    if (Path().isEmpty()) {
        return false;
    }
    const auto names = CoverFiles(Path(), {Prefix(Front), Prefix(Back)});
    bool removed = false;
    for (int side : {Front, Back}) {
        const QString kept = Cover(Side(side));
        if (kept.isEmpty()) {
            continue;
        }
        for (const QString& name : names[size_t(side)]) {
            if (name != kept && IsOtherFile(name, kept)) {
                if (SafeFile::Remove(Path() + u'/' + name)) {
                    removed = true;
                } else {
                    qCWarning(lcStore) << "cannot remove the stray cover" << Path() + u'/' + name;
                }
            }
        }
    }
    return removed;
}
