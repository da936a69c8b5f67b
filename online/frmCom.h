#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// The socket host: one TCP client socket and its watchdog, re-raising the socket's events and the watchdog's expiry
// as eight events of its own. It has no window; it lives on the user-interface thread's event loop.
//
// Its users reach the socket through the Wsock* calls and switch the watchdog themselves. Closing from our side
// raises nothing: only a close by the peer is reported as WSKClose.
class frmCom : public QObject
{
    Q_OBJECT
public:
    static constexpr int kWatchdogMs = 30000;
    // Hosts created afterwards use this interval (tests shorten it); the address lookup uses it as its bound too.
    static void SetWatchdogInterval(int ms);
    static int WatchdogInterval();

    explicit frmCom(QObject* parent = nullptr);
    ~frmCom() override;

    // The socket. The first of these calls also starts the watchdog, as the host is then first used.
    void WsockClose();
    void WsockConnect(const QString& host, quint16 port);
    // False when the socket is not connected or refuses the bytes; the text crosses as 8-bit text.
    bool WsockSendData(const QString& data);
    // The same for bytes already encoded. The socket copies them, so the caller may overwrite its array at once.
    bool WsockSendBytes(const QByteArray& bytes);
    void WsockGetData(QString& data);
    bool WsockConnected() const;

    // stop: off. restart: a fresh countdown from now. start: on, and a running countdown goes on unchanged.
    void StopWatchdog();
    void RestartWatchdog();
    void StartWatchdog();
    bool WatchdogRunning() const;

signals:
    void WSKClose();
    void WSKConnect();
    void WSKError(qint16 Number, QString& Description, qint32 Scode, const QString& Source, const QString& HelpFile,
                  qint32 HelpContext, bool& CancelDisplay);
    void WSKSendComplete();
    void WSKConnectionRequest(qint32 requestID);
    void WSKDataArrival(qint32 bytesTotal);
    void WSKSendProgress(qint32 bytesSent, qint32 bytesRemaining);
    void WSKTimeOut();

private:
    void Use();
    void OnDisconnected();
    void OnError(QAbstractSocket::SocketError error);
    void OnBytesWritten(qint64 bytes);
    void OnReadyRead();
    void OnTimer();

    QTcpSocket Wsock;
    QTimer Timer1;
    bool m_used = false;
    bool m_closing = false; // our own close raises no WSKClose
    qint64 m_sent = 0;      // bytes of the pending sends written so far
};
