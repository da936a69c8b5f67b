#include "Server.h"

#include "OnlineLog.h"
#include "frmCom.h"

#include <QLoggingCategory>

namespace {

QString gWebHost;
quint16 gWebPort = Server::kWebPort;

const QString kFailed = QStringLiteral(":");

} // namespace

void Server::SetWebHost(const QString& host, quint16 port)
{
    gWebHost = host;
    gWebPort = host.isEmpty() ? kWebPort : port;
}

QString Server::WebHost()
{
    return gWebHost.isEmpty() ? OnlineWebHost() : gWebHost;
}

quint16 Server::WebPort()
{
    return gWebPort;
}

Server::Server(QObject* parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        qCWarning(lcOnline) << "the address lookup at" << WebHost() + u':' + QString::number(WebPort())
                            << "had no answer within" << m_deadline.interval() << "ms";
        Fail();
    });
}

Server::~Server()
{
    // The host may be inside one of its own events (the lookup is released from an event handler of the client).
    if (fCom) {
        fCom->disconnect(this);
        fCom->deleteLater();
    }
}

void Server::GetServer()
{
    if (fCom) {
        fCom->disconnect(this);
        fCom->deleteLater();
    }
    fCom = new frmCom(this);
    connect(fCom, &frmCom::WSKConnect, this, &Server::OnConnect);
    connect(fCom, &frmCom::WSKDataArrival, this, &Server::OnDataArrival);
    connect(fCom, &frmCom::WSKClose, this, &Server::OnClose);
    connect(fCom, &frmCom::WSKError, this, [this](qint16 number, QString& description) {
        qCWarning(lcOnline) << "the address lookup at" << WebHost() + u':' + QString::number(WebPort())
                            << "failed: error" << number << description;
        Fail();
    });

    m_response.clear();
    m_serverIP.clear();
    m_deadline.start(frmCom::WatchdogInterval());
    fCom->WsockClose();
    fCom->WsockConnect(WebHost(), WebPort());
}

void Server::OnConnect()
{
    const QString host = WebHost();
    const QString crlf = QStringLiteral("\r\n");
    fCom->WsockSendData(QStringLiteral("GET /server.asp HTTP/1.1") + crlf + QStringLiteral("Host: ") + host + crlf +
                        QStringLiteral("Connection: close") + crlf + QStringLiteral("Referer: ") + host + crlf +
                        QStringLiteral("Accept: */*") + crlf + crlf);
}

void Server::OnDataArrival()
{
    QString data;
    fCom->WsockGetData(data);
    if (!m_serverIP.isEmpty()) {
        return;
    }
    m_response += data;
    if (m_response.size() > kMaxResponse) {
        qCWarning(lcOnline) << "the address lookup's reply is longer than" << kMaxResponse << "characters";
        Fail();
    }
}

void Server::OnClose()
{
    if (!m_serverIP.isEmpty()) {
        return;
    }
    const qsizetype lineEnd = m_response.lastIndexOf(QStringLiteral("\r\n"));
    const QString last = lineEnd < 0 ? m_response : m_response.mid(lineEnd + 2);
    // Nothing more can come once the web host has closed, so an empty last line is a failed lookup at once.
    if (last.isEmpty() || last == kFailed) {
        qCWarning(lcOnline) << "the address lookup at" << WebHost() + u':' + QString::number(WebPort())
                            << "gave no service address";
    }
    Finish(last.isEmpty() ? kFailed : last);
}

void Server::Fail()
{
    Finish(kFailed);
}

void Server::Finish(const QString& answer)
{
    if (!m_serverIP.isEmpty()) {
        return;
    }
    m_deadline.stop();
    m_response.clear();
    m_serverIP = answer;
    if (fCom) {
        fCom->WsockClose();
    }
    emit ServerIPChanged();
}
