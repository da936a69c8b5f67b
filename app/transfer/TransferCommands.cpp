#include "transfer/TransferCommands.h"

#include "transfer/AccountCommands.h"
#include "transfer/CollectionList.h"
#include "transfer/UEFFile.h"
#include "transfer/UploadSession.h"
#include "transfer/frmAddItem.h"
#include "transfer/frmExport.h"
#include "widgets/LongWork.h"
#include "widgets/mControls.h"

#include "Component.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace TransferCommands {

namespace {

const QString kTitle = QStringLiteral("Vidsora");

void Refuse(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, kTitle, text);
}

void CallAccount(QWidget* parent, const char* method)
{
    switch (AccountCommands::Call(method)) {
    case AccountCommands::Outcome::Done:
        break;
    case AccountCommands::Outcome::NotInstalled:
        QMessageBox::information(parent, kTitle, AccountCommands::NotInstalledMessage());
        break;
    case AccountCommands::Outcome::CallFailed:
        QMessageBox::information(parent, kTitle, AccountCommands::CallFailedMessage());
        break;
    }
}

} // namespace

void ExportSelectedToUEF(QWidget* parent, const QString& strKey)
{
    if (!UEFFile::IsExportable(strKey)) {
        Refuse(parent, UEFFile::NotExportableMessage());
        return;
    }
    // The dialog's own question guards a file that is there already; a name without an extension stays as typed.
    const QString path = QFileDialog::getSaveFileName(parent, QString(), QString(), UEFFile::FileFilter());
    if (path.isEmpty()) {
        return;
    }
    const Result<> written = [&] {
        CursorOverride busy;
        return UEFFile::WriteExport(path, UEFFile::ExportText(strKey));
    }();
    if (written.Unconfirmed()) {
        QMessageBox::warning(parent, kTitle, written.why());
    } else if (!written) {
        QMessageBox::critical(parent, kTitle, written.why());
    }
}

bool ImportUEFFile(QWidget* parent, const QString& strParentKey)
{
    const QString path = QFileDialog::getOpenFileName(parent, QString(), QString(), UEFFile::FileFilter());
    if (path.isEmpty()) {
        return false;
    }
    UEFFile::ImportOutcome outcome;
    {
        LongWork work(parent, QStringLiteral("Importing items..."));
        outcome = UEFFile::ImportFile(path, strParentKey, work.Hook());
    }
    // A cancelled import left the collection as it was; the user knows why nothing came of it.
    if (!outcome.cancelled && !outcome.message.isEmpty()) {
        QMessageBox::warning(parent, kTitle, outcome.message);
    }
    return true;
}

bool ImportOnline(QWidget* parent, const QString& strKey)
{
    frmAddItem dialog(parent);
    return dialog.Import(strKey);
}

void SubmitItemOnline(QWidget* parent, const QString& strKey)
{
    const std::shared_ptr<QObject> checker = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
    const UploadSession::Submission submission = UploadSession::CheckSubmission(strKey, checker.get());
    if (!submission.accepted) {
        Refuse(parent, submission.message);
        return;
    }
    frmExport dialog(parent);
    dialog.AddItem(submission.name, submission.code, strKey);
    dialog.exec();
}

void UploadCollection(QWidget* parent)
{
    if (!Component::CreateObject(QStringLiteral("Codevet.UPCObject"))) {
        // Every item needs a valid code to be listed; without the checker the list is empty, and the user should
        // know why.
        QMessageBox::warning(parent, kTitle,
                             QStringLiteral("UPC/EAN codes cannot be checked: the product-code checker (Codevet) is "
                                            "not installed, so the collection list is empty."));
    }
    std::optional<QString> list;
    {
        // Every item is read on this thread, a slice at a time; Cancel ends the command before anything is sent.
        LongWork work(parent, QStringLiteral("Building the collection list..."));
        list = BuildCollectionList([&work](int done, int total) { return work.Step(done, total); });
    }
    if (!list) {
        return;
    }
    frmExport dialog(parent);
    dialog.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, *list);
    dialog.exec();
}

void ComUserLogin(QWidget* parent)
{
    CallAccount(parent, "UserLogin");
}

void ComNewUser(QWidget* parent)
{
    CallAccount(parent, "NewUser");
}

void ComAnnouncements(QWidget* parent)
{
    CallAccount(parent, "Announcements");
}

} // namespace TransferCommands
