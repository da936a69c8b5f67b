#pragma once

#include "transfer/OnlineSession.h"

#include <QList>
#include <QString>

// The online import dialog without its window: the places an item can go, the search by title or product code, the
// result list, the queue and the import of the queue with the state of each row.
class ImportSession : public OnlineSession
{
    Q_OBJECT

public:
    // One entry of the place list.
    struct Place
    {
        QString key;   // "!0", "C..." or "S..."
        QString text;  // the name, at most 50 characters
        QString image; // "imgVidsora", "imgCategory" or "imgSubCategory"
        int indent = 0;
        friend bool operator==(const Place&, const Place&) = default;
    };

    // One search result.
    struct Result
    {
        QString key; // "U" and the product code
        QString title;
        QString media;
        QString code;
    };

    // One queued row.
    struct Row
    {
        QString key; // the result's key
        QString title;
        QString code;
        QString placeText;
        QString state; // "Pending", "NN%", "Processing...", "Finished" or "Error!"
        QString placeKey;
    };

    explicit ImportSession(QObject* parent = nullptr);

    // The root, every category followed by its groups, and the groups under the root right after the root; each in
    // its collection's order. A group whose parent is not in the list is left out.
    static QList<Place> Places();

    // Connects, logs in and searches; the results replace the earlier ones (none when the search found nothing or
    // failed after logging in). False when the connection, the log-in or the wait failed. A reply that was cut off or
    // is larger than the client takes leaves the results that arrived whole, raises Warning with
    // BrokenReplyMessage and gives false.
    bool Find(const QString& text, bool byTitle);
    // That warning: what happened to the reply and how many results could be read.
    static QString BrokenReplyMessage(bool tooLarge, int read);
    const QList<Result>& Results() const { return m_results; }

    // Queues result number `result` for place; false when there is no such result or it is queued already.
    bool Queue(int result, const Place& place);
    // Removes a queued row; false when there is none.
    bool Remove(int row);
    const QList<Row>& Rows() const { return m_rows; }

    // Downloads and imports every queued row in order, under the place it was queued with. Stops at a connection
    // or log-in failure (the rows from there on stay as they are) and at an abort (the row becomes "Error!"). A row
    // whose items could not be written keeps nothing, becomes "Error!" and raises Warning with the reason.
    void ImportSelected();
    // That warning: the row's title, what could not be written, and how many items could not be removed again.
    static QString WriteFailureMessage(const QString& title, const QString& why, int left);
    // How many rows were imported ("Finished").
    int FinishedCount() const;

    static QString PendingState() { return QStringLiteral("Pending"); }
    static QString ProcessingState() { return QStringLiteral("Processing..."); }
    static QString FinishedState() { return QStringLiteral("Finished"); }
    static QString ErrorState() { return QStringLiteral("Error!"); }

signals:
    // The results were replaced.
    void ResultsChanged();

protected:
    void OnProgress(int row, int percent) override;

private:
    void SetState(int row, const QString& state);
    // The table's records as the results, each code once; false when the wait was aborted meanwhile.
    bool ReadResults(const QList<QStringList>& table);

    QList<Result> m_results;
    QList<Row> m_rows;
};
