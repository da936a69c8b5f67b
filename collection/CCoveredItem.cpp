#include "CCoveredItem.h"

#include "AnsiText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

// The regular files of folder whose name starts with one of the prefixes, without regard to case, in name order;
// one list per prefix.
std::array<QStringList, 2> CoverFiles(const QString& folder, const std::array<QString, 2>& prefixes)
{
    std::array<QStringList, 2> names;
    const QByteArray dirPath = QFile::encodeName(folder);
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
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat st;
                regular = ::stat((dirPath + '/' + entry->d_name).constData(), &st) == 0 && S_ISREG(st.st_mode);
            }
            if (regular) {
                names[side].append(QFile::decodeName(entry->d_name));
            }
        }
    }
    ::closedir(dir);
    std::sort(names[0].begin(), names[0].end());
    std::sort(names[1].begin(), names[1].end());
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

void CCoveredItem::DeleteFrontCover()
{
    DeleteCover(Front);
}

void CCoveredItem::DeleteBackCover()
{
    DeleteCover(Back);
}

void CCoveredItem::AddFrontCover(const QString& strFile)
{
    AddCover(Front, strFile);
}

void CCoveredItem::AddBackCover(const QString& strFile)
{
    AddCover(Back, strFile);
}

void CCoveredItem::DeleteCover(Side side)
{
    if (Path().isEmpty()) {
        return;
    }
    for (const QString& name : CoverFiles(Path(), Prefix(side))) {
        QFile::remove(Path() + u'/' + name);
    }
    m_cover[side].clear();
}

void CCoveredItem::AddCover(Side side, const QString& strFile)
{
    if (Path().isEmpty()) {
        return;
    }
    const QString ext = CoverExtension(strFile);
    if (ext.isEmpty()) {
        return;
    }
    const QStringList old = CoverFiles(Path(), Prefix(side));
    // Copying the current cover onto itself would only risk it.
    const QString source = QFileInfo(strFile).canonicalFilePath();
    for (const QString& name : old) {
        if (!source.isEmpty() && QFileInfo(Path() + u'/' + name).canonicalFilePath() == source) {
            return;
        }
    }

    QFile in(strFile);
    if (!in.open(QIODevice::ReadOnly)) {
        return;
    }
    const QString target = Prefix(side) + ext;
    // The copy is written aside and renamed over the old cover only once it is complete.
    QSaveFile out(Path() + u'/' + target);
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return;
        }
        if (n == 0) {
            break;
        }
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return;
        }
    }
    if (!out.commit()) {
        return;
    }
    for (const QString& name : old) {
        if (name != target) {
            QFile::remove(Path() + u'/' + name);
        }
    }
    m_cover[side] = target;
}
