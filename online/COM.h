#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <functional>

class QEventLoop;
class Server;
class frmCom;

// The client of the online catalogue service. It looks the service's endpoint up once, connects through its own
// socket host and speaks the service's text protocol. Every operation sends its request and waits in a local event
// loop (user input excluded) until a reply, the peer's close, a socket error or the watchdog moves the status on.
//
// Every operation ends within a bound of its own, whatever the peer does: a command's reply within ReplyLimit, a
// download or upload within ReplyLimit plus the time its size takes at TransferRate. A peer that trickles or floods
// keeps the watchdog alive, but not the operation: at the bound the status becomes -1 and the socket is closed.
//
// One operation runs at a time: an operation started while another waits returns its failure value at once.
// The object may be destroyed during a wait (by a handler of its events or by a timer); the waiting operation then
// returns its failure value without touching the object again.
class COM : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Doing READ Doing)
    Q_PROPERTY(eStatus Status READ Status)
    Q_PROPERTY(QString CurrentFile READ CurrentFile)

public:
    enum eStatus : qint32
    {
        Status_None = 0,
        Status_Connecting = 1,
        Status_Connected = 2,
        Status_LoggingIn = 3,
        Status_LoggedIn = 4,
        Status_Searching = 5,
        Status_WaitingForUEFConfirmation = 6,
        Status_WaitingForUEF = 7,
        Status_ReceivingUEF = 8,
        Status_PreparingUpload = 9,
        Status_UploadingUEF = 10,
        Status_PreparingCollectionUpload = 11,
        Status_UploadingCollection = 12,
        Status_DownloadingLatestVersion = 13,
        Status_WaitingToUpload = 14,
        Status_WaitingFormissingConfirmation = 15,
        Status_WaitingForMissing = 16,
        Status_Dead = 17,
    };
    Q_ENUM(eStatus)
    // Failed or closed. Deliberately outside the enumeration, as callers compare with -1.
    static constexpr eStatus StatusFailed = static_cast<eStatus>(-1);

    // A search result: rows 0 to n, each of the four columns 0 to 3, so table[row][column]. Row 0 and column 0 stay
    // empty; row i holds the i-th record: column 1 the product code, 2 the title, 3 the media description.
    // FindTitle and FindUPC hand it out inside a QVariant, or the empty string when there is no result.
    using ResultTable = QList<QStringList>;

    // Bounds on what the service can make the client hold.
    static constexpr qsizetype kMaxMessage = 4 * 1024 * 1024;
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
    // The longest lookup answer, "address:port", that is accepted.
    static constexpr qsizetype kMaxServerAnswer = 25;

    // The bounds of an operation (tests shorten them; they apply to operations started afterwards).
    static constexpr int kReplyLimitMs = 120000;
    static constexpr qint64 kTransferBytesPerSecond = 16 * 1024;
    static void SetTimeLimits(int replyMs, qint64 transferBytesPerSecond);
    static int ReplyLimit();
    static qint64 TransferRate();
    // The bound of a transfer of this many bytes: the reply limit and the time the bytes take at the slowest rate.
    static qint64 TransferLimitMs(qint64 bytes);

    explicit COM(QObject* parent = nullptr);
    ~COM() override;

    QString Doing() const { return m_doing; }
    eStatus Status() const { return m_status; }
    QString CurrentFile() const { return m_fileBuffer; }

    Q_INVOKABLE bool Connect();
    Q_INVOKABLE void Disconnect();
    Q_INVOKABLE bool LogIn(const QString& strUser, const QString& strPassword);
    Q_INVOKABLE QVariant FindTitle(const QString& strTitle);
    Q_INVOKABLE bool DoUpload(const QString& strUEF);
    Q_INVOKABLE bool DoUploadCollection(const QString& strCollection);
    Q_INVOKABLE QVariant FindUPC(const QString& strUPC);
    Q_INVOKABLE QString GetUEF(const QString& strUPC);
    Q_INVOKABLE void SendData(const QString& strData);
    Q_INVOKABLE QString GetMissing();

    // How the reply to the last search ended. A reply that broke off before its end (the peer closed, the connection
    // failed, the watchdog or the operation's bound expired) or grew past kMaxMessage is no result: FindTitle and
    // FindUPC give the empty string, and PartialResult holds, as a result table, the records that had arrived whole
    // (within the first kMaxMessage characters of the message).
    enum class ReplyEnd
    {
        None,     // no search reply began: nothing found, no answer, or no search yet
        Whole,    // "RESULT" and its records, up to the end of the message
        CutOff,   // the reply began but its end never came
        TooLarge, // longer than kMaxMessage
    };
    ReplyEnd LastReplyEnd() const { return m_replyEnd; }
    const ResultTable& PartialResult() const { return m_partial; }

signals:
    // Raised before every change of the status with the new value; the value stored is the one the handlers leave.
    // Connect directly (the reference must reach the handler).
    void StateChanged(COM::eStatus& Status);
    // A percentage from 0 to 100, during a download and on every send progress report.
    void ProgressChanged(qint32& Progress);

private:
    class BusyScope;
    class HostScope;

    bool SetStatus(eStatus value); // false once a handler has destroyed the object
    bool ReportProgress(qint32 value);
    bool Fail(); // status -1 and the socket closed
    bool ConnectNow();
    bool Send(const QString& data);
    bool SendBytes(const QByteArray& bytes);
    bool WaitWhile(const std::function<bool()>& pending);
    void StartBound(qint64 ms);
    void OnBoundExpired();
    void Wake();
    void EmptyMessageBuffer();
    QVariant Find(const QString& request);
    QString Download(const QString& request, const QString& doing);
    bool Upload(const QString& word, const QString& text, eStatus preparing, eStatus uploading);

    void OnClose();
    void OnConnect();
    void OnError(qint16 number, QString& description);
    void OnSendComplete();
    void OnDataArrival();
    void OnSendProgress(qint32 bytesSent, qint32 bytesRemaining);
    void OnTimeOut();
    bool ReceiveMessages();
    bool ReceiveFile();
    bool HandleMessage(const QString& message);
    // Keeps the whole records of a search reply that ended as `end`; nothing when message is no search reply.
    void KeepPartialResult(QStringView message, ReplyEnd end);

    eStatus m_status = Status_None;
    QString m_doing;
    // Received text not yet cut into messages starts at m_bufferStart.
    QString m_messageBuffer;
    qsizetype m_bufferStart = 0;
    QString m_serviceAddress;
    quint16 m_servicePort = 0;
    QString m_fileBuffer;
    qint64 m_fileSize = 0;
    QVariant m_result;
    ReplyEnd m_replyEnd = ReplyEnd::None;
    ResultTable m_partial;
    frmCom* fCom = nullptr;
    Server* m_lookup = nullptr;

    QTimer m_bound; // the running operation's bound
    bool m_busy = false;
    int m_hostDepth = 0;        // handlers of the host's events on the stack
    QList<QEventLoop*> m_loops; // the waits in progress
};
