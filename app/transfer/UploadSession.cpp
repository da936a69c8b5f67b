#include "transfer/UploadSession.h"

#include "core/mGlobals.h"
#include "transfer/mUEF.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"
#include "COM.h"
#include "Component.h"
#include "UEF.h"

UploadSession::UploadSession(QObject* parent) : OnlineSession(parent) {}

void UploadSession::AddItem(const QString& text, const QString& code, const QString& tag)
{
    m_rows.append(Row{text, code, QString(), tag});
}

UploadSession::After UploadSession::UploadAll()
{
    BeginCommand();
    bool collectionSent = false;
    for (int i = 0; i < m_rows.size(); ++i) {
        Com().Disconnect();
        if (!ConnectAndLogIn()) {
            SetState(i, ErrorState());
            if (Aborted()) {
                break;
            }
            continue;
        }
        SetCurrentRow(i);
        const Row row = m_rows.at(i);
        bool sent = false;
        if (row.IsCollection()) {
            collectionSent = true;
            Wait wait(*this);
            sent = Com().DoUploadCollection(row.tag);
        } else {
            const QString text = CreateUEF(row.tag, true)->strUEF();
            if (AnsiText::Trim(text).isEmpty()) {
                // Nothing to send: the row stays as it was.
                SetCurrentRow(-1);
                continue;
            }
            Wait wait(*this);
            sent = Com().DoUpload(text);
        }
        SetState(i, sent && !Aborted() ? DoneState() : ErrorState());
        if (Aborted()) {
            break;
        }
        // The last row keeps showing progress: that of the missing list's download, after a collection upload.
        if (i + 1 < m_rows.size()) {
            SetCurrentRow(-1);
        }
    }
    if (Aborted()) {
        SetCurrentRow(-1);
        return After::Close;
    }

    if (collectionSent && ask && ask(MissingQuestion())) {
        QString list;
        if (FetchMissing(list) && !list.isEmpty()) {
            SetCurrentRow(-1);
            QueueMissing(list);
            return After::StayOpen;
        }
    }
    SetCurrentRow(-1);
    Com().Disconnect();
    return After::Close;
}

bool UploadSession::FetchMissing(QString& list)
{
    // The question waited for the user, and the watchdog drops an idle connection: log in afresh first.
    Com().Disconnect();
    if (!ConnectAndLogIn()) {
        return false;
    }
    {
        Wait wait(*this);
        list = Com().GetMissing();
    }
    if (Aborted()) {
        return false;
    }
    // An empty list with the client logged in is an answer; anything else is a failure.
    if (list.isEmpty() && Com().Status() != COM::Status_LoggedIn) {
        emit Warning(MissingFailedMessage());
        return false;
    }
    return true;
}

int UploadSession::QueueMissing(const QString& list)
{
    m_rows.clear();
    for (const QString& line : list.split(QStringLiteral("\r\n"))) {
        const QString code = AnsiText::Trim(line);
        if (code.isEmpty()) {
            continue;
        }
        bool matched = false;
        if (gMovies) {
            for (const auto& movie : *gMovies) {
                if (movie->strUPC() == code) {
                    AddItem(movie->strTitle(), movie->strUPC(), movie->strKey());
                    matched = true;
                }
            }
        }
        if (!matched && gMedias) {
            for (const auto& media : *gMedias) {
                if (media->strUPC() == code) {
                    AddItem(media->strName(), media->strUPC(), media->strKey());
                    matched = true;
                }
            }
        }
        if (!matched && gBoxes) {
            for (const auto& box : *gBoxes) {
                if (box->strUPC() == code) {
                    AddItem(box->strName(), box->strUPC(), box->strKey());
                }
            }
        }
    }
    return int(m_rows.size());
}

UploadSession::Submission UploadSession::CheckSubmission(const QString& strKey, QObject* checker)
{
    Submission submission;
    std::shared_ptr<CItem> item;
    if (strKey.startsWith(u'B') && gBoxes) {
        const auto box = gBoxes->Item(strKey);
        if (box) {
            submission.name = box->strName();
            submission.code = box->strUPC();
            item = box;
        }
    } else if (strKey.startsWith(u'E') && gMedias) {
        const auto media = gMedias->Item(strKey);
        if (media) {
            submission.name = media->strName();
            submission.code = media->strUPC();
            item = media;
        }
    } else if (strKey.startsWith(u'M') && gMovies) {
        const auto movie = gMovies->Item(strKey);
        if (movie) {
            submission.name = movie->strTitle();
            submission.code = movie->strUPC();
            item = movie;
        }
    }
    if (!item) {
        submission.message = QStringLiteral("Only a box, a media or a movie can be submitted to Vidsora: Online.");
        return submission;
    }
    if (!checker) {
        submission.message = QStringLiteral("\"%1\" cannot be submitted: UPC/EAN codes cannot be checked, because the "
                                            "product-code checker (Codevet) is not installed.")
                                 .arg(submission.name);
        return submission;
    }
    bool called = false;
    const QVariant result = Component::CallByName(checker, "CheckString", {AnsiText::Trim(submission.code)}, &called);
    bool isNumber = false;
    const int kind = result.toInt(&isNumber);
    if (!called || !isNumber || kind == 0) {
        submission.message = QStringLiteral("Invalid UPC/EAN.\n\n\"%1\" can only be submitted with a valid UPC/EAN.")
                                 .arg(submission.name);
        return submission;
    }
    submission.accepted = true;
    return submission;
}

void UploadSession::OnProgress(int row, int percent)
{
    SetState(row, QString::number(percent) + u'%');
}

void UploadSession::SetState(int row, const QString& state)
{
    if (row < 0 || row >= m_rows.size()) {
        return;
    }
    m_rows[row].state = state;
    emit RowChanged(row);
}
