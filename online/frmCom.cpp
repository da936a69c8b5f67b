#include "frmCom.h"

#include "AnsiText.h"

#include <algorithm>
#include <limits>

namespace {

int gWatchdogMs = frmCom::kWatchdogMs;

qint32 Clamp32(qint64 value)
{
    return qint32(std::clamp<qint64>(value, 0, std::numeric_limits<qint32>::max()));
}

// The socket errors as the old control numbered them, so callers that show or compare the number keep working.
qint16 ErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::NetworkError:
        return 10050;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    default:
        return 10004;
    }
}

} // namespace

void frmCom::SetWatchdogInterval(int ms)
{
    gWatchdogMs = std::max(1, ms);
}

int frmCom::WatchdogInterval()
{
    return gWatchdogMs;
}

frmCom::frmCom(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("frmCom"));
    Wsock.setObjectName(QStringLiteral("Wsock"));
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(gWatchdogMs);
    Timer1.setSingleShot(true);

    connect(&Wsock, &QTcpSocket::connected, this, [this] { emit WSKConnect(); });
    connect(&Wsock, &QTcpSocket::disconnected, this, &frmCom::OnDisconnected);
    connect(&Wsock, &QTcpSocket::errorOccurred, this, &frmCom::OnError);
    connect(&Wsock, &QTcpSocket::bytesWritten, this, &frmCom::OnBytesWritten);
    connect(&Wsock, &QTcpSocket::readyRead, this, &frmCom::OnReadyRead);
    connect(&Timer1, &QTimer::timeout, this, &frmCom::OnTimer);
}

frmCom::~frmCom()
{
    m_closing = true;
    Timer1.stop();
    Wsock.abort();
}

void frmCom::Use()
{
    if (!m_used) {
        m_used = true;
        Timer1.start();
    }
}

void frmCom::WsockClose()
{
    Use();
    m_closing = true;
    Wsock.abort();
    m_closing = false;
    m_sent = 0;
}

void frmCom::WsockConnect(const QString& host, quint16 port)
{
    Use();
    m_sent = 0;
    Wsock.connectToHost(host, port);
}

bool frmCom::WsockSendData(const QString& data)
{
    return WsockSendBytes(AnsiText::Encode(data));
}

bool frmCom::WsockSendBytes(const QByteArray& bytes)
{
    Use();
    if (Wsock.state() != QAbstractSocket::ConnectedState) {
        return false;
    }
    // Written from the raw data, so the socket takes a copy of its own rather than sharing the caller's array.
    const qint64 written = bytes.isEmpty() ? 0 : Wsock.write(bytes.constData(), bytes.size());
    return written == bytes.size();
}

void frmCom::WsockGetData(QString& data)
{
    Use();
    data = AnsiText::Decode(Wsock.readAll());
}

bool frmCom::WsockConnected() const
{
    return Wsock.state() == QAbstractSocket::ConnectedState;
}

void frmCom::StopWatchdog()
{
    Timer1.stop();
}

void frmCom::RestartWatchdog()
{
    Timer1.start(gWatchdogMs);
}

void frmCom::StartWatchdog()
{
    if (!Timer1.isActive()) {
        Timer1.start(gWatchdogMs);
    }
}

bool frmCom::WatchdogRunning() const
{
    return Timer1.isActive();
}

void frmCom::OnDisconnected()
{
    if (m_closing) {
        return;
    }
    StopWatchdog();
    emit WSKClose();
}

void frmCom::OnError(QAbstractSocket::SocketError error)
{
    // A close by the peer arrives as WSKClose; our own close reports nothing.
    if (m_closing || error == QAbstractSocket::RemoteHostClosedError) {
        return;
    }
    QString description = Wsock.errorString();
    bool cancelDisplay = false;
    emit WSKError(ErrorNumber(error), description, qint32(error), QStringLiteral("Wsock"), QString(), 0, cancelDisplay);
}

void frmCom::OnBytesWritten(qint64 bytes)
{
    m_sent += bytes;
    const qint64 remaining = Wsock.bytesToWrite();
    RestartWatchdog();
    emit WSKSendProgress(Clamp32(m_sent), Clamp32(remaining));
    if (remaining == 0) {
        m_sent = 0;
        StopWatchdog();
        emit WSKSendComplete();
    }
}

void frmCom::OnReadyRead()
{
    RestartWatchdog();
    emit WSKDataArrival(Clamp32(Wsock.bytesAvailable()));
}

void frmCom::OnTimer()
{
    // Stopped first, so a slow handler cannot see a second expiry.
    StopWatchdog();
    emit WSKTimeOut();
}
