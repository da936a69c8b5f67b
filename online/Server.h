#pragma once

#include "OnlineHost.h"

#include <QObject>
#include <QString>
#include <QTimer>

class frmCom;

// Looks the service's TCP endpoint up with one plain HTTP request to the service's web host. The answer is the last
// line of the reply, "address:port", taken once the web host closes the connection; ":" marks a failed lookup.
class Server : public QObject
{
    Q_OBJECT
public:
    // The default web host; the one used is OnlineWebHost() unless a test points the lookup elsewhere.
    static constexpr const char* kWebHost = kDefaultOnlineHost;
    static constexpr quint16 kWebPort = 80;
    // A reply longer than this is no endpoint answer; the lookup fails rather than keep it.
    static constexpr qsizetype kMaxResponse = 64 * 1024;

    // Points every later lookup at another web host (tests use a loopback one); an empty host restores the setting.
    static void SetWebHost(const QString& host, quint16 port);
    static QString WebHost();
    static quint16 WebPort();

    explicit Server(QObject* parent = nullptr);
    ~Server() override;

    // Starts a lookup and returns at once; ServerIP stays empty until it ends.
    void GetServer();
    QString ServerIP() const { return m_serverIP; }

signals:
    // ServerIP is no longer empty.
    void ServerIPChanged();

private:
    void OnConnect();
    void OnDataArrival();
    void OnClose();
    void Fail();
    void Finish(const QString& answer);

    frmCom* fCom = nullptr;
    QString m_response;
    QString m_serverIP;
    // The web host may never close the connection; the lookup then ends here.
    QTimer m_deadline;
};
