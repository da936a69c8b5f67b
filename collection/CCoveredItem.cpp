#include "CCoveredItem.h"

#include "AnsiText.h"
#include "ItemStore.h"
#include "SafeFile.h"
#include "StoreLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>

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
    if (m_lazyCovers && m_cover[side].isEmpty() && !m_known[side] && !Path().isEmpty()) {
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
    m_known[Front] = m_known[Back] = false;
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
    return ChangeCover(Front, CoverChange::Delete());
}

bool CCoveredItem::DeleteBackCover()
{
    return ChangeCover(Back, CoverChange::Delete());
}

bool CCoveredItem::AddFrontCover(const QString& strFile)
{
    return ChangeCover(Front, CoverChange::Replace(strFile));
}

bool CCoveredItem::AddBackCover(const QString& strFile)
{
    return ChangeCover(Back, CoverChange::Replace(strFile));
}

QString CCoveredItem::CoverFileName(bool front, const QString& strFile)
{
    const QString ext = CoverExtension(strFile);
    return ext.isEmpty() ? QString() : Prefix(front ? Front : Back) + ext;
}

bool CCoveredItem::ChangeCover(Side side, const CoverChange& change)
{
    if (Path().isEmpty()) {
        // An item never saved has no cover to delete; a template item is never stored, so it takes none.
        return change.action != CoverChange::Action::Replace;
    }
    CoverChanges changes;
    (side == Front ? changes.front : changes.back) = change;
    const Result<void> changed = ItemStore::ChangeCovers(*this, changes);
    if (!changed) {
        if (change.action == CoverChange::Action::Delete) {
            qCWarning(lcStore) << "cannot delete the cover" << changed.failure().path << "-" << changed.why();
        } else {
            qCWarning(lcStore) << "cannot add the cover" << change.file << "to" << Path() << "-" << changed.why();
        }
    }
    return bool(changed);
}

Result<CCoveredItem::CoverWrites> CCoveredItem::PlanCovers(const CoverChanges& changes) const
{
    CoverWrites plan;
    if (Path().isEmpty()) {
        return plan;
    }
    const auto stored = CoverFiles(Path(), {Prefix(Front), Prefix(Back)});
    for (const Side side : {Front, Back}) {
        const CoverChange& change = side == Front ? changes.front : changes.back;
        const QStringList& old = stored[size_t(side)];
        if (change.action == CoverChange::Action::Keep) {
            continue;
        }
        QString target;
        if (change.action == CoverChange::Action::Replace) {
            target = CoverFileName(side == Front, change.file);
            if (target.isEmpty()) {
                return Failure{QStringLiteral("the cover \"%1\" cannot be used: its name has no plain extension")
                                   .arg(QDir::toNativeSeparators(change.file)),
                               0, change.file};
            }
            // Copying the current cover onto itself would only risk it.
            const bool itself = std::any_of(old.begin(), old.end(), [&](const QString& name) {
                return SafeFile::SameFile(change.file, Path() + u'/' + name);
            });
            if (itself) {
                continue;
            }
            // Regular files only, size-capped: a pipe offered as a cover never blocks.
            QByteArray bytes;
            if (SafeFile::Read(change.file, bytes) != SafeFile::ReadStatus::Ok) {
                const int err = errno;
                return Failure{
                    QStringLiteral("the cover \"%1\" cannot be read").arg(QDir::toNativeSeparators(change.file)), err,
                    change.file};
            }
            plan.written.emplace_back(target, std::move(bytes));
        }
        // An old name differing from the new one only in case may be the very file written (a file system that
        // ignores case): the tidying after the save removes it once a listing shows both.
        for (const QString& name : old) {
            if (name.compare(target, Qt::CaseInsensitive) != 0) {
                plan.removed << name;
            }
        }
    }
    return plan;
}

void CCoveredItem::CoversSaved(const CoverChanges& changes, bool confirmed)
{
    for (const Side side : {Front, Back}) {
        const CoverChange& change = side == Front ? changes.front : changes.back;
        if (change.action == CoverChange::Action::Keep) {
            continue;
        }
        if (confirmed) {
            m_known[side] = false;
            LookUp(side); // named as listed: the folder may keep an old spelling of the file written
            continue;
        }
        m_known[side] = true;
        if (change.action == CoverChange::Action::Delete) {
            m_cover[side].clear();
        } else if (m_cover[side].isEmpty() || !SafeFile::SameFile(change.file, Path() + u'/' + m_cover[side])) {
            m_cover[side] = CoverFileName(side == Front, change.file);
        }
    }
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
