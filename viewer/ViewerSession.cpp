#include "ViewerSession.h"

#include "AnsiText.h"
#include "CHTML.h"
#include "Component.h"
#include "Picture.h"
#include "SafeFile.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFCollection.h"
#include "UEFMedia.h"
#include "UserFolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace {

const QLatin1String kPageName("UEF.html");

// The contents of a box or medium; movies (and anything else) hold none.
std::shared_ptr<UEFCollection> ContentsOf(QObject& item)
{
    if (auto* box = qobject_cast<UEFBox*>(&item)) {
        return box->colContents();
    }
    if (auto* media = qobject_cast<UEFMedia*>(&item)) {
        return media->colContents();
    }
    return nullptr;
}

// Calls visit on every item of the tree, the nested items before the one that holds them. The same bound as the
// parser's: a tree deeper than any file can carry (or one that holds itself) still ends.
template <class Visit> void EachNestedFirst(const UEFCollection& items, const Visit& visit, int depth = 0)
{
    if (depth > UEFCollection::MaxDepth) {
        return;
    }
    for (const std::shared_ptr<QObject>& item : items) {
        if (!item) {
            continue;
        }
        if (const auto contents = ContentsOf(*item)) {
            EachNestedFirst(*contents, visit, depth + 1);
        }
        visit(*item);
    }
}

// Makes a new folder under parent whose name starts with prefix and ends in six random letters; the create is
// exclusive and the folder is this user's alone. Empty when parent is unusable.
QString MakeUniqueFolder(const QString& parent, const QString& prefix)
{
    if (parent.isEmpty() || !QFileInfo(parent).isDir()) {
        return QString();
    }
    const auto nameAt = [&](int) {
        static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        QString name = QDir(parent).filePath(prefix);
        for (int i = 0; i < 6; ++i) {
            name += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
        }
        return name;
    };
    const auto made = UserFolders::MakeOwnFolder(nameAt, 100);
    return made ? QDir::cleanPath(made->path) : QString();
}

} // namespace

ViewerSession::ViewerSession() = default;

ViewerSession::~ViewerSession()
{
    RemoveTempDir();
}

QString ViewerSession::CommandLineText(const QStringList& arguments)
{
    return arguments.join(QLatin1Char(' '));
}

QString ViewerSession::CommandLinePath(const QString& commandLine)
{
    QString path = commandLine;
    if (!path.isEmpty() && path.front() == QLatin1Char('"') && path.back() == QLatin1Char('"')) {
        // A lone quote is both the first and the last character: nothing is left.
        path = path.size() < 2 ? QString() : path.mid(1, path.size() - 2);
    }
    return path;
}

QString ViewerSession::FileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ViewerSession::MakeTempName()
{
    // Only a system that names no temporary path at all sends the folder to the program's; a folder that cannot be
    // made under the configured path leaves the viewer without a page rather than writing elsewhere.
    const QString parent = UserFolders::TempPath();
    if (!parent.isEmpty()) {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
        return MakeUniqueFolder(parent, QStringLiteral("VDS") + stamp + QLatin1Char('-'));
    }
    return MakeUniqueFolder(QCoreApplication::applicationDirPath(), QStringLiteral("VidpeekTemp"));
}

bool ViewerSession::InitTemp()
{
    if (m_tempFolder.isEmpty()) {
        m_tempFolder = MakeTempName();
    }
    return !m_tempFolder.isEmpty();
}

QString ViewerSession::pagePath() const
{
    return m_tempFolder.isEmpty() ? QString() : m_tempFolder + QLatin1Char('/') + kPageName;
}

QString ViewerSession::ReadWholeFile(const QString& path)
{
    // Only regular files: a pipe or a device could block or never end.
    QByteArray bytes;
    if (SafeFile::Read(path, bytes, MaxFileSize) != SafeFile::ReadStatus::Ok) {
        return QString();
    }
    return AnsiText::Decode(bytes);
}

Result<> ViewerSession::WriteWholeFile(const QString& path, const QString& text)
{
    // The write goes through a file of its own that replaces the target, so the target is never appended to.
    return AnsiText::WriteFile(path, text);
}

bool ViewerSession::IsSafeCoverExt(const QString& ext)
{
    return AnsiText::IsSafeExtension(ext);
}

void ViewerSession::ClearCoverLocations(const UEFCollection& items)
{
    EachNestedFirst(items, [](QObject& item) {
        Component::SetProperty(&item, "strFrontCoverURL", QString());
        Component::SetProperty(&item, "strBackCoverURL", QString());
    });
}

void ViewerSession::ExtractCovers(const UEFCollection& items)
{
    // Nested items first, so their covers get the lower numbers.
    EachNestedFirst(items, [this](QObject& item) {
        ExtractCover(item, "strFrontCover", "strFrontCoverExt", "strFrontCoverURL");
        ExtractCover(item, "strBackCover", "strBackCoverExt", "strBackCoverURL");
    });
}

void ViewerSession::ExtractCover(QObject& item, const char* data, const char* ext, const char* url)
{
    const QString bytes = Component::GetProperty(&item, data).toString();
    if (bytes.isEmpty()) {
        return;
    }
    if (m_tempFolder.isEmpty()) {
        return;
    }
    // Only a picture becomes a file the page loads, under an extension that names its format: HTML or SVG bytes
    // would be loaded as a document of their own. The extension is one of a few plain names, so the file stays in
    // the folder.
    const Picture::Format format = Picture::Check(AnsiText::Encode(bytes));
    if (format == Picture::Format::None) {
        return;
    }
    const QString extension = Picture::Extension(format, Component::GetProperty(&item, ext).toString());
    const QString file = m_tempFolder + QStringLiteral("/F") + QString::number(m_coverCounter) + extension;
    WriteOwnFile(file, bytes);
    m_coverCounter = m_coverCounter == std::numeric_limits<qint32>::max() ? 0 : m_coverCounter + 1;
    Component::SetProperty(&item, url, CoverLocation(file));
}

QString ViewerSession::CoverLocation(const QString& file)
{
    // A file address with every special character encoded: a "#", "?" or "%" in the temporary path would otherwise
    // end the path early or be read as an escape, and the cover would not show.
    return QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
}

bool ViewerSession::WriteHtmlPage(const std::shared_ptr<UEF>& document)
{
    if (m_tempFolder.isEmpty()) {
        return false;
    }
    CHTML html;
    html.setUEF(document);
    const QString path = pagePath();
    if (!AnsiText::WriteFileBytes(path, CHTML::WrapPageAnsi(html.HTML())).Reached()) {
        return false;
    }
    m_written.push_back(path);
    return true;
}

bool ViewerSession::OpenUEFFile(const QString& path)
{
    const QString text = ReadWholeFile(path);
    if (text.isEmpty()) {
        return false;
    }
    m_document = std::make_shared<UEF>();
    RemoveOwnFiles();
    m_document->setStrUEF(text);
    const std::shared_ptr<UEFCollection> items = m_document->colUEF();
    ClearCoverLocations(*items);
    ExtractCovers(*items);
    WriteHtmlPage(m_document);
    return true;
}

bool ViewerSession::WriteOwnFile(const QString& path, const QString& text)
{
    // A file the disk did not confirm stands all the same: it is this run's to remove.
    if (!WriteWholeFile(path, text).Reached()) {
        return false;
    }
    // Names never repeat within one open (the counter only grows), so no look-up is needed.
    m_written.push_back(path);
    return true;
}

void ViewerSession::RemoveOwnFiles()
{
    for (const QString& path : m_written) {
        QFile::remove(path);
    }
    m_written.clear();
}

void ViewerSession::RemoveTempDir()
{
    RemoveOwnFiles();
    // Only an empty folder goes: whatever else is in it was not made by this run.
    if (!m_tempFolder.isEmpty()) {
        QDir().rmdir(m_tempFolder);
        m_tempFolder.clear();
    }
}
