#include "transfer/UEFFile.h"

#include "core/mLog.h"
#include "core/mUEF.h"

#include "AnsiText.h"
#include "SafeFile.h"
#include "UEF.h"
#include "UEFCollection.h"

#include <QDir>

namespace UEFFile {

namespace {

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString RefusedText(int refused)
{
    return refused == 1 ? QStringLiteral("1 item was left out because its UPC/EAN is not valid.")
                        : QStringLiteral("%1 items were left out because their UPC/EAN is not valid.").arg(refused);
}

QString TooDeepText(int tooDeep)
{
    return tooDeep == 1 ? QStringLiteral("1 item was left out because it lies deeper than %1 levels.")
                              .arg(UEFCollection::MaxDepth)
                        : QStringLiteral("%1 items were left out because they lie deeper than %2 levels.")
                              .arg(tooDeep)
                              .arg(UEFCollection::MaxDepth);
}

QString MisplacedText(int misplaced)
{
    return misplaced == 1 ? QStringLiteral("1 item was left out because it lies inside an item that cannot hold it: "
                                           "a media holds movies only, and a movie holds nothing.")
                          : QStringLiteral("%1 items were left out because they lie inside items that cannot hold "
                                           "them: a media holds movies only, and a movie holds nothing.")
                                .arg(misplaced);
}

QString CoversText(int covers)
{
    return covers == 1 ? QStringLiteral("1 cover was left out because it is not a GIF, JPEG, PNG or BMP picture that "
                                        "can be shown; its item came in without it.")
                       : QStringLiteral("%1 covers were left out because they are not GIF, JPEG, PNG or BMP pictures "
                                        "that can be shown; their items came in without them.")
                             .arg(covers);
}

QString FailureText(const QString& path, const ImportResult& result)
{
    if (result.cancelled) {
        return QStringLiteral("The import of \"%1\" was cancelled, but %2 of its items could not be removed again "
                              "and are still in the collection.")
            .arg(Shown(path))
            .arg(result.left);
    }
    QString text = QStringLiteral("The items of \"%1\" could not be written to the collection: %2. Nothing was "
                                  "imported.")
                       .arg(Shown(path), result.error);
    if (result.left > 0) {
        text += QStringLiteral(" %1 of the items made could not be removed again and are still in the collection.")
                    .arg(result.left);
    }
    return text;
}

void Append(QString& message, const QString& text)
{
    if (!text.isEmpty()) {
        message += message.isEmpty() ? text : QStringLiteral("\n\n") + text;
    }
}

} // namespace

QString LeftOutText(const ImportResult& result, bool withRefused)
{
    QString text;
    if (withRefused && result.refused > 0) {
        Append(text, RefusedText(result.refused));
    }
    if (result.tooDeep > 0) {
        Append(text, TooDeepText(result.tooDeep));
    }
    if (result.misplaced > 0) {
        Append(text, MisplacedText(result.misplaced));
    }
    if (result.covers > 0) {
        Append(text, CoversText(result.covers));
    }
    return text;
}

QString FileFilter()
{
    return QStringLiteral("UEF-files (*.UEF *.uef)");
}

bool IsExportable(const QString& strKey)
{
    return strKey.startsWith(u'B') || strKey.startsWith(u'E') || strKey.startsWith(u'M');
}

QString NotExportableMessage()
{
    return QStringLiteral("Only a box, a media or a movie can be exported to a UEF file.");
}

QString ExportText(const QString& strKey)
{
    return CreateUEF(strKey, true)->strUEF() + QStringLiteral("\r\n");
}

Result<> WriteExport(const QString& path, const QString& text)
{
    const auto written = AnsiText::WriteFile(path, text);
    if (written) {
        return {};
    }
    if (written.Unconfirmed()) {
        // The new file is in place: the user must not be told that nothing changed.
        qCWarning(lcApp) << "the exchange file was written but not confirmed by the disk:" << path;
        return Failure{QStringLiteral("The file \"%1\" was written, but the disk did not confirm it (%2): it may not "
                                      "survive a power cut.")
                           .arg(Shown(path), qt_error_string(written.error())),
                       written.error(), path, true};
    }
    qCWarning(lcApp) << "the exchange file could not be written:" << path;
    return Failure{
        QStringLiteral("The file \"%1\" could not be written. Nothing was changed on disk.").arg(Shown(path)),
        written.error(), path};
}

ImportOutcome ImportFile(const QString& path, const QString& strParentKey, const ImportProgress& progress)
{
    ImportOutcome outcome;
    const QString nothing = QStringLiteral("No item could be imported from \"%1\"").arg(Shown(path));
    QByteArray bytes;
    // Regular files only and a size cap: a pipe, a device or a huge file picked in the dialog never blocks or swamps
    // the window.
    switch (SafeFile::Read(path, bytes, kExchangeFileCap)) {
    case SafeFile::ReadStatus::Ok:
        break;
    case SafeFile::ReadStatus::Missing:
    case SafeFile::ReadStatus::Failed:
        outcome.message = nothing + QStringLiteral(": the file could not be read.");
        return outcome;
    case SafeFile::ReadStatus::NotRegular:
        outcome.message = nothing + QStringLiteral(": it is not a regular file.");
        return outcome;
    case SafeFile::ReadStatus::TooLarge:
        outcome.message =
            nothing + QStringLiteral(": the file is larger than %1 MB.").arg(kExchangeFileCap / (1024 * 1024));
        return outcome;
    }
    const ImportResult result = ImportExchangeBytes(bytes, strParentKey, progress);
    if (result.cancelled && result.left == 0) {
        outcome.cancelled = true;
        return outcome;
    }
    outcome.added = result.added;
    outcome.refused = result.refused;
    outcome.tooDeep = result.tooDeep;
    outcome.misplaced = result.misplaced;
    outcome.covers = result.covers;
    if (!result.tooLarge.isEmpty()) {
        outcome.message = nothing + QStringLiteral(": ") + result.tooLarge + u'.';
        return outcome;
    }
    if (!result.error.isEmpty()) {
        outcome.failed = true;
        outcome.message = FailureText(path, result);
        return outcome;
    }
    if (outcome.added == 0) {
        outcome.message = nothing + u'.';
        if (outcome.refused > 0) {
            outcome.message += QStringLiteral("\n\n") + RefusedText(outcome.refused);
        }
    } else if (outcome.refused > 0) {
        outcome.message = RefusedText(outcome.refused);
    }
    Append(outcome.message, LeftOutText(result, false));
    return outcome;
}

} // namespace UEFFile
