#pragma once

#include "transfer/OnlineSession.h"

#include <QList>
#include <QString>

#include <functional>

// The upload dialog without its window: the rows to send (single items as their exchange text, or the collection
// list), the upload of every row on a fresh connection, and after a collection upload the question whether to queue
// the items the service lacks.
class UploadSession : public OnlineSession
{
    Q_OBJECT

public:
    struct Row
    {
        QString text;  // the item's name, or "<Collection>"
        QString code;  // the product code as stored, or "N/A"
        QString state; // empty, "NN%", "Done" or "Error"
        QString tag;   // the item key, or the collection list
        bool IsCollection() const { return code == kCollectionCode; }
    };

    static inline const QString kCollectionText = QStringLiteral("<Collection>");
    static inline const QString kCollectionCode = QStringLiteral("N/A");

    explicit UploadSession(QObject* parent = nullptr);

    // Asks the user a yes-or-no question; without one every question is answered No.
    std::function<bool(const QString&)> ask;

    void AddItem(const QString& text, const QString& code, const QString& tag);
    const QList<Row>& Rows() const { return m_rows; }

    enum class After
    {
        Close,    // the uploads are over
        StayOpen, // the missing items were queued; the next UploadAll sends them
    };
    // Sends every row, each on a new connection. A connection or log-in failure, or a failed upload, marks its row
    // "Error" and the next row is tried; an abort marks its row "Error" and ends the run.
    After UploadAll();

    // Replaces the rows with, for each code of the missing list, the movies with exactly that code, else the media,
    // else the boxes; an item is queued once, however often the list names its code. Returns the number of rows
    // queued, or -1 when Cancel stopped it (the rows then stay as they were).
    int QueueMissing(const QString& list);

    static QString MissingQuestion()
    {
        return QStringLiteral("Do you wish to check if any items in your collection is missing from the online "
                              "database?");
    }
    static QString MissingFailedMessage()
    {
        return QStringLiteral("The list of missing items could not be retrieved from Vidsora: Online.");
    }
    // Cancel during an upload, before any of the row's text went out, or after (the service's answer then unknown).
    static QString CancelledUnsentMessage(const QString& name)
    {
        return QStringLiteral("The upload of \"%1\" was cancelled: nothing was sent to Vidsora: Online.").arg(name);
    }
    static QString CancelledUnansweredMessage(const QString& name)
    {
        return QStringLiteral("The upload of \"%1\" was cancelled while it was being sent. Vidsora: Online's answer "
                              "was not waited for, so whether it arrived is not known.")
            .arg(name);
    }
    static QString DoneState() { return QStringLiteral("Done"); }
    static QString ErrorState() { return QStringLiteral("Error"); }

    // What submitting the item of strKey would queue: its name and code as stored, when the item is a box, medium
    // or movie with a product code the checker accepts; otherwise the reason in message.
    struct Submission
    {
        bool accepted = false;
        QString name;
        QString code;
        QString message;
    };
    // checker: any object with an invokable CheckString(QString) answering an int, or none.
    static Submission CheckSubmission(const QString& strKey, QObject* checker);

protected:
    void OnProgress(int row, int percent) override;

private:
    void SetState(int row, const QString& state);
    // Fetches the missing list on a fresh log-in; false (the user told) when it could not be had.
    bool FetchMissing(QString& list);

    QList<Row> m_rows;
};
