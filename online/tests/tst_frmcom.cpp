#include "frmCom.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// The socket host's watchdog rules against a loopback peer.
class TestFrmCom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
        qputenv("TMPDIR", m_dir.filePath("tmp").toUtf8());
    }

    void init()
    {
        frmCom::SetWatchdogInterval(frmCom::kWatchdogMs);
        QVERIFY(m_server.isListening() || m_server.listen(QHostAddress::LocalHost));
    }

    void cleanup()
    {
        delete m_peer;
        m_peer = nullptr;
    }

    void firstUseStartsWatchdog()
    {
        frmCom host;
        QVERIFY(!host.WatchdogRunning());
        host.WsockClose();
        QVERIFY(host.WatchdogRunning());
        // Our own close changes nothing, and raises nothing.
        QSignalSpy closed(&host, &frmCom::WSKClose);
        host.WsockClose();
        QVERIFY(host.WatchdogRunning());
        QCOMPARE(closed.count(), 0);
    }

    void eventsSwitchWatchdog()
    {
        frmCom host;
        ConnectTo(host);

        QSignalSpy arrivals(&host, &frmCom::WSKDataArrival);
        host.StopWatchdog();
        m_peer->write("one");
        QVERIFY(arrivals.wait(2000));
        QVERIFY2(host.WatchdogRunning(), "an arrival restarts the watchdog");
        QString data;
        host.WsockGetData(data);
        QCOMPARE(data, QStringLiteral("one"));

        // Pieces apart in time arrive as one event each.
        m_peer->write("two");
        QVERIFY(arrivals.wait(2000));
        m_peer->write("three");
        QVERIFY(arrivals.wait(2000));
        QCOMPARE(arrivals.count(), 3);

        // Starting the watchdog and sending: the completion stops it.
        QSignalSpy complete(&host, &frmCom::WSKSendComplete);
        QSignalSpy progress(&host, &frmCom::WSKSendProgress);
        QVERIFY(host.WsockSendData(QStringLiteral("hello \u20AC")));
        host.StartWatchdog();
        QVERIFY(complete.wait(2000));
        QVERIFY(!host.WatchdogRunning());
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toInt(), 7);
        QCOMPARE(progress.last().at(1).toInt(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_peer->bytesAvailable() >= 7, 2000);
        QCOMPARE(m_peer->readAll(), QByteArray("hello \x80"));

        // The peer's close stops it.
        QSignalSpy closed(&host, &frmCom::WSKClose);
        host.StartWatchdog();
        m_peer->disconnectFromHost();
        QVERIFY(closed.wait(2000));
        QVERIFY(!host.WatchdogRunning());
        QVERIFY(!host.WsockSendData(QStringLiteral("late")));
    }

    void errorLeavesWatchdog_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("running") << true;
        QTest::newRow("stopped") << false;
    }

    void errorLeavesWatchdog()
    {
        QFETCH(bool, running);
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();

        frmCom host;
        host.WsockClose();
        if (!running) {
            host.StopWatchdog();
        }
        QList<qint16> errors;
        connect(&host, &frmCom::WSKError, this,
                [&](qint16 number, QString&, qint32, const QString&, const QString&, qint32, bool&) {
                    errors.append(number);
                });
        host.WsockConnect(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 2000);
        QCOMPARE(errors.first(), qint16(10061));
        QCOMPARE(host.WatchdogRunning(), running);
    }

    void startKeepsCountdownRestartRenews_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("start") << false;
        QTest::newRow("restart") << true;
    }

    void startKeepsCountdownRestartRenews()
    {
        QFETCH(bool, restart);
        frmCom::SetWatchdogInterval(2000);
        frmCom host;
        int fired = 0;
        bool runningInHandler = true;
        connect(&host, &frmCom::WSKTimeOut, this, [&] {
            ++fired;
            runningInHandler = host.WatchdogRunning();
        });
        QElapsedTimer clock;
        clock.start();
        host.WsockClose();
        QTest::qWait(1250);
        if (restart) {
            host.RestartWatchdog();
        } else {
            host.StartWatchdog();
        }
        QTRY_COMPARE_WITH_TIMEOUT(fired, 1, 30000);
        const qint64 elapsed = clock.elapsed();
        if (restart) {
            QVERIFY2(elapsed >= 3000, qPrintable(QString::number(elapsed)));
        } else {
            QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));
        }
        QVERIFY2(!runningInHandler, "the expiry stops the watchdog before it is reported");
        QTest::qWait(2250);
        QCOMPARE(fired, 1);
    }

private:
    void ConnectTo(frmCom& host)
    {
        QSignalSpy connected(&host, &frmCom::WSKConnect);
        host.WsockClose();
        host.WsockConnect(QStringLiteral("127.0.0.1"), m_server.serverPort());
        QVERIFY(connected.wait(2000));
        QVERIFY(m_server.hasPendingConnections() || m_server.waitForNewConnection(2000));
        m_peer = m_server.nextPendingConnection();
        QVERIFY(m_peer);
    }

    QTemporaryDir m_dir;
    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;
};

QTEST_GUILESS_MAIN(TestFrmCom)
#include "tst_frmcom.moc"
