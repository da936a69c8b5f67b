#include "COM.h"

#include "AnsiText.h"
#include "OnlineLog.h"
#include "Server.h"
#include "frmCom.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QPointer>
#include <QStringTokenizer>

#include <algorithm>
#include <limits>

namespace {

int gReplyLimitMs = COM::kReplyLimitMs;
qint64 gTransferRate = COM::kTransferBytesPerSecond;

// The protocol's separators: end of message, after the word, between arguments and records, between columns.
constexpr QChar kEnd(1);
constexpr QChar kWord(2);
constexpr QChar kRecord(3);
constexpr QChar kColumn(4);

// The separators frame the protocol, so typed text must not carry them.
QString StripSeparators(const QString& text)
{
    QString clean = text;
    clean.removeIf([](QChar c) { return c.unicode() >= 1 && c.unicode() <= 4; });
    return clean;
}

// Overwrites bytes that held a password before they are released. The array must not be shared, or the fill would
// land in a copy of its own.
void Wipe(QByteArray& bytes)
{
    if (!bytes.isDetached()) {
        bytes.clear();
        return;
    }
    std::fill(bytes.begin(), bytes.end(), '\0');
    bytes.clear();
}

bool IsSeparatorByte(char c)
{
    return c >= 1 && c <= 4;
}

bool AllDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// part * 100 / whole, rounded to the nearest whole number with halves to even, kept within 0 to 100.
qint32 Percent(qint64 part, qint64 whole)
{
    if (whole <= 0) {
        return 0;
    }
    part = std::clamp<qint64>(part, 0, whole);
    const qint64 scaled = part * 100;
    qint64 quotient = scaled / whole;
    const qint64 twice = (scaled % whole) * 2;
    if (twice > whole || (twice == whole && quotient % 2 == 1)) {
        ++quotient;
    }
    return qint32(std::clamp<qint64>(quotient, 0, 100));
}

// The lookup's answer "address:port": an IPv4 address and a port from 1 to 65535, spaces around either allowed.
bool ParseServerAnswer(const QString& answer, QString& address, quint16& port)
{
    if (answer.size() > COM::kMaxServerAnswer) {
        return false;
    }
    const QStringList parts = answer.split(QLatin1Char(':'));
    if (parts.size() != 2) {
        return false;
    }
    const QString host = AnsiText::Trim(parts[0]);
    const QString number = AnsiText::Trim(parts[1]);
    QHostAddress parsed;
    if (!parsed.setAddress(host) || parsed.protocol() != QAbstractSocket::IPv4Protocol) {
        return false;
    }
    if (!AllDigits(number) || number.size() > 5) {
        return false;
    }
    const int value = number.toInt();
    if (value < 1 || value > 65535) {
        return false;
    }
    address = host;
    port = quint16(value);
    return true;
}

// Adds one row per record of the text (an empty text is one empty record).
void AppendRecords(COM::ResultTable& table, QStringView records)
{
    // Cut in place: a reply near the size cap holds hundreds of thousands of records, and lists of every record's
    // text and every record's fields on top of the table would hold the reply several times over.
    for (const QStringView record : QStringTokenizer(records, kRecord)) {
        QStringList row(4);
        int column = 1;
        for (const QStringView field : QStringTokenizer(record, kColumn)) {
            row[column] = field.toString();
            if (++column > 3) {
                break;
            }
        }
        table.append(row);
    }
}

COM::ResultTable BuildResultTable(QStringView argument)
{
    COM::ResultTable table;
    table.append(QStringList(4));
    if (!argument.isEmpty()) {
        AppendRecords(table, argument);
    }
    return table;
}

} // namespace

// One operation at a time; the flag is left alone when the object is gone by the end of the operation.
class COM::BusyScope
{
public:
    explicit BusyScope(COM* owner) : m_owner(owner), m_refused(owner->m_busy)
    {
        if (!m_refused) {
            owner->m_busy = true;
            owner->StartBound(ReplyLimit());
        }
    }
    ~BusyScope()
    {
        if (m_owner && !m_refused) {
            m_owner->m_busy = false;
            m_owner->m_bound.stop();
        }
    }
    bool Refused() const { return m_refused; }

private:
    QPointer<COM> m_owner;
    bool m_refused;
};

// Marks a handler of the host's events on the stack: the host must then not be deleted at once.
class COM::HostScope
{
public:
    explicit HostScope(COM* owner) : m_owner(owner) { ++owner->m_hostDepth; }
    ~HostScope()
    {
        if (m_owner) {
            --m_owner->m_hostDepth;
        }
    }

private:
    QPointer<COM> m_owner;
};

void COM::SetTimeLimits(int replyMs, qint64 transferBytesPerSecond)
{
    gReplyLimitMs = std::max(1, replyMs);
    gTransferRate = std::max<qint64>(1, transferBytesPerSecond);
}

int COM::ReplyLimit()
{
    return gReplyLimitMs;
}

qint64 COM::TransferRate()
{
    return gTransferRate;
}

qint64 COM::TransferLimitMs(qint64 bytes)
{
    return ReplyLimit() + std::max<qint64>(0, bytes) * 1000 / TransferRate();
}

COM::COM(QObject* parent) : QObject(parent), m_result(QString())
{
    m_bound.setSingleShot(true);
    connect(&m_bound, &QTimer::timeout, this, &COM::OnBoundExpired);
    fCom = new frmCom;
    connect(fCom, &frmCom::WSKClose, this, &COM::OnClose);
    connect(fCom, &frmCom::WSKConnect, this, &COM::OnConnect);
    connect(fCom, &frmCom::WSKError, this, &COM::OnError);
    connect(fCom, &frmCom::WSKSendComplete, this, &COM::OnSendComplete);
    connect(fCom, &frmCom::WSKDataArrival, this, &COM::OnDataArrival);
    connect(fCom, &frmCom::WSKSendProgress, this, &COM::OnSendProgress);
    connect(fCom, &frmCom::WSKTimeOut, this, &COM::OnTimeOut);
}

COM::~COM()
{
    for (QEventLoop* loop : std::as_const(m_loops)) {
        loop->quit();
    }
    delete m_lookup;
    fCom->disconnect(this);
    fCom->WsockClose();
    // Destroyed from inside one of the host's own events: the host and its socket are still on the stack.
    if (m_hostDepth > 0) {
        fCom->deleteLater();
    } else {
        delete fCom;
    }
}

bool COM::SetStatus(eStatus value)
{
    QPointer<COM> self(this);
    emit StateChanged(value);
    if (!self) {
        return false;
    }
    m_status = value;
    Wake();
    return true;
}

bool COM::ReportProgress(qint32 value)
{
    QPointer<COM> self(this);
    value = std::clamp<qint32>(value, 0, 100);
    emit ProgressChanged(value);
    return !self.isNull();
}

bool COM::Fail()
{
    if (!SetStatus(StatusFailed)) {
        return false;
    }
    fCom->WsockClose();
    return true;
}

void COM::StartBound(qint64 ms)
{
    m_bound.start(int(std::clamp<qint64>(ms, 1, std::numeric_limits<int>::max())));
}

void COM::OnBoundExpired()
{
    // The peer kept the connection alive without finishing: the operation ends as the watchdog would end it.
    qCWarning(lcOnline) << "operation ended at its time bound; status" << int(m_status);
    Fail();
}

void COM::Wake()
{
    for (QEventLoop* loop : std::as_const(m_loops)) {
        loop->quit();
    }
}

bool COM::WaitWhile(const std::function<bool()>& pending)
{
    QPointer<COM> self(this);
    while (pending()) {
        QEventLoop loop;
        m_loops.append(&loop);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!self) {
            return false;
        }
        m_loops.removeOne(&loop);
    }
    return true;
}

void COM::EmptyMessageBuffer()
{
    m_messageBuffer.clear();
    m_bufferStart = 0;
}

bool COM::Send(const QString& data)
{
    return SendBytes(AnsiText::Encode(data));
}

bool COM::SendBytes(const QByteArray& bytes)
{
    if (!fCom->WsockSendBytes(bytes)) {
        qCWarning(lcOnline) << "a request could not be sent in status" << int(m_status);
        Fail();
        return false;
    }
    fCom->StartWatchdog();
    return true;
}

bool COM::Connect()
{
    BusyScope busy(this);
    if (busy.Refused()) {
        return false;
    }
    return ConnectNow();
}

bool COM::ConnectNow()
{
    fCom->WsockClose();
    if (!SetStatus(Status_Connecting)) {
        return false;
    }
    if (m_serviceAddress.isEmpty()) {
        m_doing = QStringLiteral("Looking for server...");
        m_lookup = new Server;
        connect(m_lookup, &Server::ServerIPChanged, this, &COM::Wake);
        m_lookup->GetServer();
        // The lookup bounds itself; the operation's bound (or a close) may end it earlier.
        if (!WaitWhile([this] { return m_lookup->ServerIP().isEmpty() && m_status == Status_Connecting; })) {
            return false;
        }
        const QString answer = m_lookup->ServerIP();
        delete m_lookup;
        m_lookup = nullptr;
        if (answer.isEmpty()) {
            return false; // failed while looking up
        }
        QString address;
        quint16 port = 0;
        if (!ParseServerAnswer(answer, address, port)) {
            // A failed lookup (":") was traced where it failed.
            if (answer != u":") {
                qCWarning(lcOnline) << "the service's address" << answer << "is no IPv4 address and port";
            }
            SetStatus(StatusFailed);
            return false;
        }
        m_serviceAddress = address;
        m_servicePort = port;
        if (m_status != Status_Connecting) {
            return false; // failed or closed while looking up
        }
    }
    m_doing = QStringLiteral("Connecting...");
    QPointer<COM> self(this);
    fCom->WsockConnect(m_serviceAddress, m_servicePort);
    if (!self) {
        return false;
    }
    // A connection attempt that never answers ends with the watchdog.
    fCom->StartWatchdog();
    if (!WaitWhile([this] { return m_status == Status_Connecting; })) {
        return false;
    }
    return m_status == Status_Connected;
}

void COM::Disconnect()
{
    if (SetStatus(StatusFailed)) {
        fCom->WsockClose();
    }
}

bool COM::LogIn(const QString& strUser, const QString& strPassword)
{
    BusyScope busy(this);
    if (busy.Refused()) {
        return false;
    }
    if (m_status != Status_Connected) {
        QPointer<COM> self(this);
        if (!ConnectNow()) {
            if (self) {
                SetStatus(StatusFailed);
            }
            return false;
        }
    }
    m_doing = QStringLiteral("Logging in ") + strUser + QStringLiteral("...");
    if (!SetStatus(Status_LoggingIn)) {
        return false;
    }
    EmptyMessageBuffer();
    // The request is built once, as the bytes that go on the wire, straight from the caller's text: the password
    // passes through one encoded copy and the request, both overwritten as soon as the socket has taken the request.
    // The socket's own buffer and the caller's string are beyond this object's reach.
    const QByteArray user = AnsiText::Encode(strUser);
    QByteArray password = AnsiText::Encode(strPassword);
    QByteArray request;
    request.reserve(8 + user.size() + password.size());
    request.append("LOGIN");
    request.append(char(kWord.unicode()));
    for (char c : user) {
        if (!IsSeparatorByte(c)) {
            request.append(c);
        }
    }
    request.append(char(kRecord.unicode()));
    for (char c : std::as_const(password)) {
        if (!IsSeparatorByte(c)) {
            request.append(c);
        }
    }
    request.append(char(kEnd.unicode()));
    Wipe(password);
    const bool sent = SendBytes(request);
    Wipe(request);
    if (!sent || !WaitWhile([this] { return m_status == Status_LoggingIn; })) {
        return false;
    }
    return m_status == Status_LoggedIn;
}

QVariant COM::FindTitle(const QString& strTitle)
{
    return Find(QStringLiteral("FINDTITLE") + kWord + AnsiText::Trim(StripSeparators(strTitle)) + kEnd);
}

QVariant COM::FindUPC(const QString& strUPC)
{
    return Find(QStringLiteral("FINDUPC") + kWord + StripSeparators(strUPC) + kEnd);
}

QVariant COM::Find(const QString& request)
{
    BusyScope busy(this);
    if (busy.Refused()) {
        return QString();
    }
    m_doing = QStringLiteral("Searching...");
    EmptyMessageBuffer();
    m_result = QString();
    m_replyEnd = ReplyEnd::None;
    m_partial.clear();
    if (!SetStatus(Status_Searching) || !Send(request)) {
        return QString();
    }
    if (!WaitWhile([this] { return m_status == Status_Searching; })) {
        return QString();
    }
    if (m_status != Status_LoggedIn && m_replyEnd == ReplyEnd::None) {
        // Ended before the reply did: what of it arrived whole is kept for the caller to show.
        KeepPartialResult(QStringView(m_messageBuffer).sliced(m_bufferStart), ReplyEnd::CutOff);
    }
    return m_result;
}

void COM::KeepPartialResult(QStringView message, ReplyEnd end)
{
    const QStringView prefix = u"RESULT\x02";
    if (!message.startsWith(prefix)) {
        return;
    }
    const QStringView records = message.sliced(prefix.size());
    // The text after the last separator may be a record cut short: only those before it are whole.
    const qsizetype last = records.lastIndexOf(kRecord);
    m_partial = BuildResultTable({});
    if (last >= 0) {
        AppendRecords(m_partial, records.first(last));
    }
    m_replyEnd = end;
    qCWarning(lcOnline) << "the search's reply" << (end == ReplyEnd::TooLarge ? "was too large" : "was cut off")
                        << "after" << m_partial.size() - 1 << "whole records";
}

QString COM::GetUEF(const QString& strUPC)
{
    return Download(QStringLiteral("PREPAREUEF") + kWord + StripSeparators(strUPC) + kEnd,
                    QStringLiteral("Retreiveing UEF..."));
}

QString COM::GetMissing()
{
    return Download(QStringLiteral("PREPAREMISSING") + kEnd, QStringLiteral("Retreiveing list of missing items..."));
}

QString COM::Download(const QString& request, const QString& doing)
{
    BusyScope busy(this);
    if (busy.Refused()) {
        return QString();
    }
    m_doing = doing;
    EmptyMessageBuffer();
    if (!SetStatus(Status_WaitingForUEFConfirmation) || !Send(request)) {
        return QString();
    }
    m_result = QString();
    if (!WaitWhile([this] { return m_status == Status_WaitingForUEFConfirmation; })) {
        return QString();
    }
    if (m_status != Status_WaitingForUEF) {
        return QString();
    }
    // The announced size is known now: the transfer gets the time that size takes.
    StartBound(TransferLimitMs(m_fileSize));
    if (!Send(QStringLiteral("EXECDOWNLOAD") + kEnd)) {
        return QString();
    }
    if (m_fileSize == 0) {
        // Nothing will arrive for an empty file; waiting would only end with the watchdog.
        m_result = QString();
        if (!SetStatus(Status_LoggedIn)) {
            return QString();
        }
        m_doing.clear();
    }
    if (!WaitWhile([this] { return m_status == Status_WaitingForUEF; })) {
        return QString();
    }
    return m_status == Status_LoggedIn ? m_result.toString() : QString();
}

bool COM::DoUpload(const QString& strUEF)
{
    return Upload(QStringLiteral("PREPAREUPLOAD"), strUEF, Status_PreparingUpload, Status_UploadingUEF);
}

bool COM::DoUploadCollection(const QString& strCollection)
{
    return Upload(QStringLiteral("PREPARECOLLECTIONUPLOAD"), strCollection, Status_PreparingCollectionUpload,
                  Status_UploadingCollection);
}

bool COM::Upload(const QString& word, const QString& text, eStatus preparing, eStatus uploading)
{
    BusyScope busy(this);
    if (busy.Refused()) {
        return false;
    }
    m_doing = QStringLiteral("Preparing upload...");
    StartBound(TransferLimitMs(text.size()));
    if (!SetStatus(preparing)) {
        return false;
    }
    // One byte per character on the wire, so the length in characters is the length in bytes.
    if (!Send(word + kWord + QString::number(text.size()) + kEnd) ||
        !WaitWhile([this, preparing] { return m_status == preparing; })) {
        return false;
    }
    // An empty text has no body to wait for: the service may confirm it in the same breath as the preparation, so
    // both replies can be handled before this wait ends and the status has already moved on to logged in.
    if (text.isEmpty() && m_status == Status_LoggedIn) {
        return true;
    }
    if (m_status != uploading) {
        return false;
    }
    if (!Send(text) || !WaitWhile([this, uploading] { return m_status == uploading; })) {
        return false;
    }
    return m_status == Status_LoggedIn;
}

void COM::SendData(const QString& strData)
{
    // Raw text in the middle of another operation's exchange would corrupt it.
    if (m_busy) {
        return;
    }
    Send(strData);
}

void COM::OnClose()
{
    HostScope scope(this);
    SetStatus(StatusFailed);
}

void COM::OnConnect()
{
    HostScope scope(this);
    SetStatus(Status_Connected);
}

void COM::OnError(qint16 number, QString& description)
{
    // A refused or broken connection ends the wait at once instead of leaving it to the watchdog.
    HostScope scope(this);
    qCWarning(lcOnline) << "connection error" << number << description << "in status" << int(m_status);
    Fail();
}

void COM::OnSendComplete()
{
    // The host stops the watchdog here; an operation still waits for the first byte of the reply, which the
    // watchdog bounds as well.
    if (m_busy && fCom->WsockConnected()) {
        fCom->StartWatchdog();
    }
}

void COM::OnSendProgress(qint32 bytesSent, qint32 bytesRemaining)
{
    HostScope scope(this);
    const qint64 total = qint64(bytesSent) + bytesRemaining;
    // Nothing sent and nothing left: there was nothing to send, so it is all sent.
    ReportProgress(total == 0 ? 100 : Percent(bytesSent, total));
}

void COM::OnTimeOut()
{
    HostScope scope(this);
    // An idle connection ends this way by design; only a wait that ends so is a failure.
    if (m_busy) {
        qCWarning(lcOnline) << "no word from the service within" << frmCom::WatchdogInterval() << "ms in status"
                            << int(m_status);
    }
    Fail();
}

void COM::OnDataArrival()
{
    HostScope scope(this);
    if (m_status == Status_None && !SetStatus(Status_Connected)) {
        return;
    }
    if (m_status == Status_WaitingForUEF) {
        ReceiveFile();
    } else {
        ReceiveMessages();
    }
}

bool COM::ReceiveMessages()
{
    QPointer<COM> self(this);
    QString data;
    fCom->WsockGetData(data);
    m_messageBuffer += data;
    // Cut one message at a time; a message that moves the status to 7 leaves the rest where it is, as the file
    // text comes only after the download has been started.
    while (m_status != Status_WaitingForUEF) {
        const qsizetype end = m_messageBuffer.indexOf(kEnd, m_bufferStart);
        if (end < 0) {
            break;
        }
        if (end - m_bufferStart > kMaxMessage) {
            qCWarning(lcOnline) << "a message longer than" << kMaxMessage << "characters; the connection is closed";
            if (m_status == Status_Searching) {
                KeepPartialResult(QStringView(m_messageBuffer).sliced(m_bufferStart, kMaxMessage), ReplyEnd::TooLarge);
            }
            EmptyMessageBuffer();
            return Fail();
        }
        const QString message = m_messageBuffer.mid(m_bufferStart, end - m_bufferStart);
        m_bufferStart = end + 1;
        if (!HandleMessage(message)) {
            // Failed (the rest of the text belongs to a closed connection) or destroyed.
            if (self) {
                EmptyMessageBuffer();
            }
            return false;
        }
    }
    m_messageBuffer.remove(0, m_bufferStart);
    m_bufferStart = 0;
    if (m_messageBuffer.size() > kMaxMessage) {
        qCWarning(lcOnline) << "a message longer than" << kMaxMessage << "characters; the connection is closed";
        if (m_status == Status_Searching) {
            KeepPartialResult(QStringView(m_messageBuffer).first(kMaxMessage), ReplyEnd::TooLarge);
        }
        EmptyMessageBuffer();
        return Fail();
    }
    return true;
}

// False when the handling failed the connection or destroyed the object: no further message is handled then.
bool COM::HandleMessage(const QString& message)
{
    const qsizetype mark = message.indexOf(kWord);
    const QString word = mark < 0 ? message : message.left(mark);
    const QString argument = mark < 0 ? QString() : message.mid(mark + 1);

    // Each reply acts only in the state that waits for it; anything else is ignored.
    bool acted = false;
    if (word == u"BADLOGIN") {
        qCWarning(lcOnline) << "the service refused the login";
        if (Fail()) {
            m_doing.clear();
        }
        return false;
    } else if (word == u"LOGINOK") {
        if (m_status == Status_LoggingIn) {
            if (!SetStatus(Status_LoggedIn)) {
                return false;
            }
            m_doing = QStringLiteral("Logged in!");
            acted = true;
        }
    } else if (word == u"RESULT") {
        if (m_status == Status_Searching && mark >= 0) {
            m_result = QVariant::fromValue(BuildResultTable(argument));
            m_replyEnd = ReplyEnd::Whole;
            if (!SetStatus(Status_LoggedIn)) {
                return false;
            }
            m_doing.clear();
            acted = true;
        }
    } else if (word == u"FILESIZE") {
        if (m_status == Status_WaitingForUEFConfirmation) {
            // Digits only and a size this client is prepared to hold; the length check keeps the number in range.
            if (!AllDigits(argument) || argument.size() > 12 || argument.toLongLong() > kMaxFileSize) {
                qCWarning(lcOnline) << "refused the file size" << argument.left(20) << "- digits up to" << kMaxFileSize
                                    << "expected";
                Fail();
                return false;
            }
            if (!SetStatus(Status_WaitingForUEF)) {
                return false;
            }
            m_fileBuffer.clear();
            m_fileSize = argument.toLongLong();
            acted = true;
        }
    } else if (word == u"UPCNOTFOUND") {
        if (m_status == Status_Searching || m_status == Status_WaitingForUEFConfirmation) {
            return SetStatus(Status_LoggedIn);
        }
    } else if (word == u"UPLOADPREPARED") {
        if (m_status == Status_PreparingUpload) {
            return SetStatus(Status_UploadingUEF);
        }
        if (m_status == Status_PreparingCollectionUpload) {
            return SetStatus(Status_UploadingCollection);
        }
    } else if (word == u"UPLOADDONE") {
        if (m_status == Status_UploadingUEF || m_status == Status_UploadingCollection) {
            return SetStatus(Status_LoggedIn);
        }
    }
    if (!acted) {
        qCWarning(lcOnline) << "ignored the reply" << word.left(40) << "in status" << int(m_status);
    }
    return true;
}

bool COM::ReceiveFile()
{
    QString data;
    fCom->WsockGetData(data);
    if (m_fileBuffer.size() + data.size() > m_fileSize) {
        // More than announced: the text cannot be the item's.
        qCWarning(lcOnline) << "the service sent more than the" << m_fileSize << "characters it announced";
        return Fail();
    }
    m_fileBuffer += data;
    if (!ReportProgress(Percent(m_fileBuffer.size(), m_fileSize))) {
        return false;
    }
    if (m_status == Status_WaitingForUEF && m_fileBuffer.size() == m_fileSize) {
        m_result = m_fileBuffer;
        if (!SetStatus(Status_LoggedIn)) {
            return false;
        }
        m_doing.clear();
    }
    return true;
}
