#include "FakeService.h"

#include "Server.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

struct FakeService::Peer
{
    QByteArray buffer;
    qsizetype uploadLeft = -1; // bytes of an upload body still expected
    QByteArray upload;
    QByteArray pendingFile; // announced by the last FILESIZE, sent on EXECDOWNLOAD
};

namespace {
constexpr char kEnd = '\x01';
constexpr char kWord = '\x02';
constexpr char kRecord = '\x03';
constexpr char kColumn = '\x04';
} // namespace

FakeService::FakeService()
{
    connect(&m_web, &QTcpServer::newConnection, this, &FakeService::OnWebConnection);
    connect(&m_service, &QTcpServer::newConnection, this, &FakeService::OnServiceConnection);
}

FakeService::~FakeService()
{
    // The connections go first, quietly: their close must not reach a half-destroyed service.
    for (QTcpServer* server : {&m_web, &m_service}) {
        for (QTcpSocket* socket : server->findChildren<QTcpSocket*>()) {
            socket->disconnect(this);
            delete socket;
        }
    }
    qDeleteAll(m_peers);
    Server::SetWebHost(QString(), 0);
}

bool FakeService::Start()
{
    if (!m_web.listen(QHostAddress::LocalHost) || !m_service.listen(QHostAddress::LocalHost)) {
        return false;
    }
    Server::SetWebHost(QStringLiteral("127.0.0.1"), m_web.serverPort());
    return true;
}

QByteArray FakeService::Endpoint() const
{
    return "127.0.0.1:" + QByteArray::number(m_service.serverPort());
}

void FakeService::DropConnections()
{
    const QList<QTcpSocket*> sockets = m_peers.keys();
    for (QTcpSocket* socket : sockets) {
        socket->disconnectFromHost();
    }
}

void FakeService::OnWebConnection()
{
    while (QTcpSocket* socket = m_web.nextPendingConnection()) {
        const qsizetype index = lookupRequests.size();
        lookupRequests.append(QByteArray());
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] {
            if (index >= lookupRequests.size()) {
                return; // a connection from before the requests were last cleared
            }
            QByteArray& seen = lookupRequests[index];
            seen += socket->readAll();
            if (!seen.endsWith("\r\n\r\n") || lookupSilent) {
                return;
            }
            QByteArray reply = lookupRaw;
            if (reply.isEmpty()) {
                reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n" +
                        (lookupLine.isEmpty() ? Endpoint() : lookupLine);
            }
            socket->write(reply);
            socket->disconnectFromHost();
        });
    }
}

void FakeService::OnServiceConnection()
{
    while (QTcpSocket* socket = m_service.nextPendingConnection()) {
        ++connections;
        m_peers.insert(socket, new Peer);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            delete m_peers.take(socket);
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnServiceData(socket); });
    }
}

void FakeService::OnServiceData(QTcpSocket* socket)
{
    Peer* peer = m_peers.value(socket);
    if (!peer) {
        return;
    }
    peer->buffer += socket->readAll();
    for (;;) {
        if (peer->uploadLeft >= 0) {
            const qsizetype take = std::min(peer->uploadLeft, peer->buffer.size());
            peer->upload += peer->buffer.left(take);
            peer->buffer.remove(0, take);
            peer->uploadLeft -= take;
            if (peer->uploadLeft > 0) {
                return;
            }
            peer->uploadLeft = -1;
            uploads.append(peer->upload);
            peer->upload.clear();
            Reply(socket, "UPLOAD", QByteArray("UPLOADDONE") + kEnd);
            if (!m_peers.contains(socket)) {
                return; // the reply closed the connection, and its peer went with it
            }
            continue;
        }
        const qsizetype end = peer->buffer.indexOf(kEnd);
        if (end < 0) {
            return;
        }
        const QByteArray message = peer->buffer.left(end);
        peer->buffer.remove(0, end + 1);
        HandleRequest(socket, message);
        if (!m_peers.contains(socket)) {
            return;
        }
    }
}

void FakeService::Reply(QTcpSocket* socket, const QByteArray& word, const QByteArray& reply)
{
    const QByteArray scripted = replies.value(word, reply);
    if (!scripted.isEmpty()) {
        socket->write(scripted);
    }
    if (closeAfter.contains(word)) {
        socket->disconnectFromHost();
    }
}

void FakeService::HandleRequest(QTcpSocket* socket, const QByteArray& message)
{
    requests.append(message);
    Peer* peer = m_peers.value(socket);
    const qsizetype mark = message.indexOf(kWord);
    const QByteArray word = mark < 0 ? message : message.left(mark);
    const QByteArray argument = mark < 0 ? QByteArray() : message.mid(mark + 1);

    if (word == "LOGIN") {
        const QList<QByteArray> parts = argument.split(kRecord);
        const bool good = parts.size() == 2 && users.contains(parts[0]) && users.value(parts[0]) == parts[1];
        Reply(socket, word, QByteArray(good ? "LOGINOK" : "BADLOGIN") + kEnd);
    } else if (word == "FINDTITLE" || word == "FINDUPC") {
        QList<QByteArray> found;
        for (const QList<QByteArray>& record : std::as_const(records)) {
            const bool match = word == "FINDUPC" ? record.value(0) == argument
                                                 : record.value(1).toLower().contains(argument.toLower());
            if (match) {
                found.append(record.join(kColumn));
            }
        }
        if (word == "FINDUPC" && found.isEmpty()) {
            Reply(socket, word, QByteArray("UPCNOTFOUND") + kEnd);
        } else {
            Reply(socket, word, QByteArray("RESULT") + kWord + found.join(kRecord) + kEnd);
        }
    } else if (word == "PREPAREUEF" || word == "PREPAREMISSING") {
        if (word == "PREPAREUEF" && !items.contains(argument)) {
            Reply(socket, word, QByteArray("UPCNOTFOUND") + kEnd);
            return;
        }
        peer->pendingFile = word == "PREPAREUEF" ? items.value(argument) : missing;
        Reply(socket, word, QByteArray("FILESIZE") + kWord + QByteArray::number(peer->pendingFile.size()) + kEnd);
    } else if (word == "EXECDOWNLOAD") {
        if (replies.contains(word) || closeAfter.contains(word)) {
            Reply(socket, word, QByteArray());
            return;
        }
        SendFile(socket, peer->pendingFile + extraAfterFile);
    } else if (word == "PREPAREUPLOAD" || word == "PREPARECOLLECTIONUPLOAD") {
        peer->uploadLeft = argument.toLongLong();
        peer->upload.clear();
        Reply(socket, word, QByteArray("UPLOADPREPARED") + kEnd);
    } else {
        Reply(socket, word, QByteArray());
    }
}

void FakeService::SendFile(QTcpSocket* socket, const QByteArray& file)
{
    QByteArray data = file;
    if (closeAfterFileBytes >= 0) {
        data.truncate(closeAfterFileBytes);
    }
    const bool closeAtEnd = closeAfterFileBytes >= 0;
    if (pieceSize <= 0) {
        socket->write(data);
        if (closeAtEnd) {
            socket->disconnectFromHost();
        }
        return;
    }
    // Pieces apart in time, so the client sees one arrival per piece.
    QPointer<QTcpSocket> target(socket);
    for (qsizetype offset = 0, i = 0; offset < data.size(); offset += pieceSize, ++i) {
        const QByteArray piece = data.mid(offset, pieceSize);
        const bool last = offset + pieceSize >= data.size();
        QTimer::singleShot(int(i) * pieceDelayMs, this, [target, piece, last, closeAtEnd] {
            if (target && target->state() == QAbstractSocket::ConnectedState) {
                target->write(piece);
                if (last && closeAtEnd) {
                    target->disconnectFromHost();
                }
            }
        });
    }
}
