#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QObject;
class UEF;
class UEFCollection;

// The viewer without its window: the temporary folder of this run, the current document, the cover files written
// from its embedded images and the page around it. The window adds the dialog, the caption and the browser.
class ViewerSession
{
public:
    // Files beyond this size count as unreadable: an exchange file holds a handful of items and their covers.
    static constexpr qint64 MaxFileSize = qint64(256) * 1024 * 1024;

    ViewerSession();
    ~ViewerSession();
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    // The whole command line as one text: the arguments joined by blanks (the shell split them).
    static QString CommandLineText(const QStringList& arguments);
    // The path a command line names: the text with one pair of enclosing double quotes removed. Nothing else is
    // unquoted or split.
    static QString CommandLinePath(const QString& commandLine);
    // The file name part of a path, for the caption: after the last "/", or the whole path without one.
    static QString FileNamePart(const QString& path);

    // Makes a new, empty folder of this run's own under the temporary-files path (TMPDIR as it stands; the program's
    // folder only when the system names no temporary path at all) and returns its path; the empty string when none
    // could be made, with nothing made anywhere else. The name is exclusive: the folder is created atomically under
    // a name no other run holds, readable by this user only.
    static QString MakeTempName();
    // Makes this run's temporary folder (once); false when no folder could be made.
    bool InitTemp();
    const QString& tempFolder() const { return m_tempFolder; }
    QString pagePath() const;

    // The whole content of a regular file as 8-bit text; the empty string on any failure.
    static QString ReadWholeFile(const QString& path);
    // Writes text as 8-bit text in place of whatever the file held; an unconfirmed failure (Result::Unconfirmed) has
    // the new file in place.
    static Result<> WriteWholeFile(const QString& path, const QString& text);

    // A cover extension is taken from a file only when it is 1 to 8 ASCII letters or digits.
    static bool IsSafeCoverExt(const QString& ext);
    // Empties the front and back cover locations of every item, nested ones included: locations are this viewer's
    // to set, never the file's.
    static void ClearCoverLocations(const UEFCollection& items);

    // The location a page refers to a cover file by: its file address, percent-encoded.
    static QString CoverLocation(const QString& file);
    // Writes the embedded covers of every item (nested items first) to files in the temporary folder and points the
    // items' cover locations at them.
    void ExtractCovers(const UEFCollection& items);
    // Writes the page of document to the temporary folder; false when it could not be written. A page the disk did not
    // confirm is written: it is there to show, and this run removes it with its other files.
    bool WriteHtmlPage(const std::shared_ptr<UEF>& document);

    // Reads and shows a file: false (and nothing changed) when it gives no text. Otherwise the file's document
    // replaces the current one, the previous covers and page are deleted, and the new ones written.
    bool OpenUEFFile(const QString& path);

    // Deletes the files this run wrote and then the folder, when it is empty.
    void RemoveTempDir();

    std::shared_ptr<UEF> document() const { return m_document; }
    qint32 coverCounter() const { return m_coverCounter; }
    // Every file this run wrote that is still there.
    const std::vector<QString>& writtenFiles() const { return m_written; }

private:
    void ExtractCover(QObject& item, const char* data, const char* ext, const char* url);
    bool WriteOwnFile(const QString& path, const QString& text);
    void RemoveOwnFiles();

    QString m_tempFolder;
    std::shared_ptr<UEF> m_document;
    qint32 m_coverCounter = 0;
    std::vector<QString> m_written;
};
