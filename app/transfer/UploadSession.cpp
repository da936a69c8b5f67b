#include "transfer/UploadSession.h"

#include "core/mGlobals.h"
#include "core/mUEF.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"
#include "COM.h"
#include "Component.h"
#include "UEF.h"

#include <QHash>
#include <QStringTokenizer>

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
                Tell(CancelledUnsentMessage(m_rows.at(i).text));
                break;
            }
            continue;
        }
        SetCurrentRow(i);
        const Row row = m_rows.at(i);
        QString text;
        if (!row.IsCollection()) {
            text = CreateUEF(row.tag, true)->strUEF();
            if (AnsiText::Trim(text).isEmpty()) {
                // Nothing to send: the row stays as it was.
                SetCurrentRow(-1);
                continue;
            }
        }
        // Whether any of the text itself went out: the client reports the progress of its body only once the
        // service has accepted the announced length. A client dropped by Cancel takes the connection with it.
        bool bodyStarted = false;
        COM* const client = &Com();
        const QMetaObject::Connection watch =
            connect(client, &COM::ProgressChanged, this, [client, &bodyStarted](qint32&) {
                const COM::eStatus status = client->Status();
                bodyStarted =
                    bodyStarted || status == COM::Status_UploadingUEF || status == COM::Status_UploadingCollection;
            });
        bool sent = false;
        {
            Wait wait(*this, QStringLiteral("Uploading \"%1\"...").arg(row.text));
            if (row.IsCollection()) {
                collectionSent = true;
                sent = Com().DoUploadCollection(row.tag);
            } else {
                sent = Com().DoUpload(text);
            }
        }
        disconnect(watch);
        SetState(i, sent && !Aborted() ? DoneState() : ErrorState());
        if (Aborted()) {
            Tell(bodyStarted ? CancelledUnansweredMessage(row.text) : CancelledUnsentMessage(row.text));
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
            // Cancel while the list is read leaves the rows as they were, as it does while the list downloads.
            if (QueueMissing(list) >= 0) {
                return After::StayOpen;
            }
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
        Wait wait(*this, QStringLiteral("Asking Vidsora: Online which items it lacks..."));
        list = Com().GetMissing();
    }
    if (Aborted()) {
        return false;
    }
    // An empty list with the client logged in is an answer; anything else is a failure.
    if (list.isEmpty() && Com().Status() != COM::Status_LoggedIn) {
        Tell(MissingFailedMessage());
        return false;
    }
    return true;
}

namespace {

// The rows each product code of the collection stands for: the movies with exactly that code, else the media, else
// the boxes, each kind in its collection's order.
QHash<QString, QList<UploadSession::Row>> RowsByCode()
{
    QHash<QString, QList<UploadSession::Row>> movies;
    QHash<QString, QList<UploadSession::Row>> media;
    QHash<QString, QList<UploadSession::Row>> boxes;
    if (gMovies) {
        for (const auto& movie : *gMovies) {
            if (!movie->strUPC().isEmpty()) {
                movies[movie->strUPC()].append({movie->strTitle(), movie->strUPC(), QString(), movie->strKey()});
            }
        }
    }
    if (gMedias) {
        for (const auto& medium : *gMedias) {
            if (!medium->strUPC().isEmpty() && !movies.contains(medium->strUPC())) {
                media[medium->strUPC()].append({medium->strName(), medium->strUPC(), QString(), medium->strKey()});
            }
        }
    }
    if (gBoxes) {
        for (const auto& box : *gBoxes) {
            if (!box->strUPC().isEmpty() && !movies.contains(box->strUPC()) && !media.contains(box->strUPC())) {
                boxes[box->strUPC()].append({box->strName(), box->strUPC(), QString(), box->strKey()});
            }
        }
    }
    movies.insert(media);
    movies.insert(boxes);
    return movies;
}

} // namespace

int UploadSession::QueueMissing(const QString& list)
{
    // The list comes from the service and may name a code any number of times: each item is queued once, at the
    // first line naming its code, so the rows stay within the collection's size whatever the list holds.
    Wait wait(*this, QStringLiteral("Reading the list of missing items..."));
    QHash<QString, QList<Row>> byCode = RowsByCode();
    QList<Row> rows;
    for (const QStringView line : QStringTokenizer(list, u"\r\n")) {
        if (!StillWanted()) {
            return -1;
        }
        if (byCode.isEmpty()) {
            break;
        }
        const auto found = byCode.constFind(AnsiText::Trim(line));
        if (found != byCode.constEnd()) {
            rows.append(*found);
            byCode.erase(found);
        }
    }
    m_rows = std::move(rows);
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
