#include "FakeService.h"
#include "Server.h"
#include "frmCom.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The endpoint lookup against a loopback web host.
class TestServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
        qputenv("TMPDIR", m_dir.filePath("tmp").toUtf8());
    }

    void init() { frmCom::SetWatchdogInterval(frmCom::kWatchdogMs); }

    void defaultsToServiceHost()
    {
        Server::SetWebHost(QString(), 0);
        QCOMPARE(Server::WebHost(), QString::fromLatin1(Server::kWebHost));
        QCOMPARE(Server::WebPort(), quint16(80));
    }

    void sendsRequestAndTakesLastLine()
    {
        FakeService service;
        QVERIFY(service.Start());
        service.lookupLine = " 127.0.0.1 : 4321 ";
        Server lookup;
        QSignalSpy done(&lookup, &Server::ServerIPChanged);
        lookup.GetServer();
        QVERIFY(lookup.ServerIP().isEmpty());
        QVERIFY(done.wait(3000));
        // Handed on as it stands; the client trims the parts.
        QCOMPARE(lookup.ServerIP(), QStringLiteral(" 127.0.0.1 : 4321 "));
        QCOMPARE(service.lookupRequests.size(), 1);
        QCOMPARE(service.lookupRequests.first(), QByteArray("GET /server.asp HTTP/1.1\r\n"
                                                            "Host: 127.0.0.1\r\n"
                                                            "Connection: close\r\n"
                                                            "Referer: 127.0.0.1\r\n"
                                                            "Accept: */*\r\n"
                                                            "\r\n"));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("refused");
        QTest::newRow("ends with a line end")
            << QByteArray("HTTP/1.1 200 OK\r\n\r\n127.0.0.1:80\r\n") << false << false;
        QTest::newRow("oversize reply") << (QByteArray("HTTP/1.1 200 OK\r\n\r\n") + QByteArray(70 * 1024, 'x')) << false
                                        << false;
        QTest::newRow("never answers") << QByteArray() << true << false;
        QTest::newRow("refused") << QByteArray() << false << true;
    }

    void failures()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, silent);
        QFETCH(bool, refused);
        frmCom::SetWatchdogInterval(300);
        FakeService service;
        QVERIFY(service.Start());
        service.lookupRaw = raw;
        service.lookupSilent = silent;
        if (refused) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            Server::SetWebHost(QStringLiteral("127.0.0.1"), closed.serverPort());
        }
        Server lookup;
        QSignalSpy done(&lookup, &Server::ServerIPChanged);
        QElapsedTimer clock;
        clock.start();
        lookup.GetServer();
        QVERIFY(done.wait(30000));
        QCOMPARE(lookup.ServerIP(), QStringLiteral(":"));
        QVERIFY(clock.elapsed() < 20000);
        QCOMPARE(done.count(), 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
