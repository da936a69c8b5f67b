#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A loopback stand-in for the online service: a web host answering the endpoint lookup and the catalogue service
// speaking the text protocol. Both run on the caller's thread, so they are served while the client waits.
//
// By default it behaves as the real service does; the public fields script hostile peers.
class FakeService : public QObject
{
    Q_OBJECT
public:
    FakeService();
    ~FakeService() override;

    // Listens on two loopback ports and points the client's lookup at the web host.
    bool Start();
    quint16 ServicePort() const { return m_service.serverPort(); }
    // "127.0.0.1:<service port>"
    QByteArray Endpoint() const;
    // Closes every open connection of the catalogue service, as a service (or the client's watchdog) dropping an
    // idle connection does.
    void DropConnections();

    // The web host. lookupLine replaces the last line of its reply when set; lookupRaw replaces the whole reply.
    QByteArray lookupLine;
    QByteArray lookupRaw;
    bool lookupSilent = false; // accept and never answer nor close
    QList<QByteArray> lookupRequests;

    // The catalogue.
    QHash<QByteArray, QByteArray> users; // user -> password
    QList<QList<QByteArray>> records;    // product code, title, media description
    QHash<QByteArray, QByteArray> items; // product code -> exchange text
    QByteArray missing;                  // the missing-items list

    // Scripted replies: a request word found here is answered with these raw bytes instead (empty: silence).
    QHash<QByteArray, QByteArray> replies;
    // Words after which the service closes the connection (after its reply, if any).
    QList<QByteArray> closeAfter;

    // The download: sent in pieces of this size, one piece per pieceDelayMs (0: all at once).
    int pieceSize = 0;
    int pieceDelayMs = 20;
    QByteArray extraAfterFile;          // bytes appended to the announced file
    qsizetype closeAfterFileBytes = -1; // close the connection once this many file bytes are sent

    // What arrived: every message (terminator removed) and every upload body.
    QList<QByteArray> requests;
    QList<QByteArray> uploads;
    int connections = 0;

private:
    struct Peer;
    void OnWebConnection();
    void OnServiceConnection();
    void OnServiceData(QTcpSocket* socket);
    void HandleRequest(QTcpSocket* socket, const QByteArray& message);
    void SendFile(QTcpSocket* socket, const QByteArray& file);
    void Reply(QTcpSocket* socket, const QByteArray& word, const QByteArray& reply);

    QTcpServer m_web;
    QTcpServer m_service;
    QHash<QTcpSocket*, Peer*> m_peers;
};
