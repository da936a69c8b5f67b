#include "AnsiText.h"
#include "COM.h"
#include "OnlineHost.h"
#include "Registry.h"
#include "Server.h"
#include "frmCom.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kUser = QStringLiteral("anna");
const QString kPassword = QStringLiteral("s3cret");

// How the peer answers the request it was told to pick on: a byte every 200 ms that never completes anything, an
// endless stream of messages it ignores, or (for a download) the file in steady pieces.
enum class Mode
{
    Trickle,
    Flood,
    Steady,
};

// A loopback web host and catalogue service that answer as the real ones do, except for one chosen request, from
// which on the peer misbehaves. The web host may misbehave instead.
class Peer : public QObject
{
public:
    Peer()
    {
        connect(&m_web, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_web.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnLookup(socket); });
            }
        });
        connect(&m_service, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_service.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnService(socket); });
            }
        });
    }

    bool Start()
    {
        if (!m_web.listen(QHostAddress::LocalHost) || !m_service.listen(QHostAddress::LocalHost)) {
            return false;
        }
        Server::SetWebHost(QStringLiteral("127.0.0.1"), m_web.serverPort());
        return true;
    }

    ~Peer() override { Server::SetWebHost(QString(), 0); }

    QByteArray target; // the request word from which on the service misbehaves ("BODY": the upload body)
    bool lookupMisbehaves = false;
    Mode mode = Mode::Trickle;
    qint64 fileSize = 500;

private:
    void OnLookup(QTcpSocket* socket)
    {
        socket->readAll();
        if (socket->property("answered").toBool()) {
            return;
        }
        socket->setProperty("answered", true);
        if (lookupMisbehaves) {
            Misbehave(socket, false);
            return;
        }
        socket->write("HTTP/1.0 200 OK\r\n\r\n127.0.0.1:" + QByteArray::number(m_service.serverPort()));
        socket->disconnectFromHost();
    }

    void OnService(QTcpSocket* socket)
    {
        if (socket->property("misbehaving").toBool()) {
            socket->readAll();
            return;
        }
        QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
        qint64 body = socket->property("body").toLongLong();
        while (!buffer.isEmpty()) {
            if (body > 0) {
                const qint64 take = std::min<qint64>(body, buffer.size());
                buffer.remove(0, take);
                body -= take;
                if (body == 0) {
                    if (target == "BODY") {
                        Misbehave(socket, false);
                        return;
                    }
                    socket->write("UPLOADDONE\x01");
                }
                continue;
            }
            const qsizetype end = buffer.indexOf('\x01');
            if (end < 0) {
                break;
            }
            const QByteArray message = buffer.left(end);
            buffer.remove(0, end + 1);
            const qsizetype mark = message.indexOf('\x02');
            const QByteArray word = mark < 0 ? message : message.left(mark);
            if (word == target) {
                Misbehave(socket, word == "EXECDOWNLOAD");
                return;
            }
            if (word == "LOGIN") {
                socket->write("LOGINOK\x01");
            } else if (word == "FINDTITLE") {
                socket->write("RESULT\x02"
                              "1\x04Title\x04"
                              "DVD\x01");
            } else if (word == "PREPAREUEF" || word == "PREPAREMISSING") {
                socket->write("FILESIZE\x02" + QByteArray::number(fileSize) + "\x01");
            } else if (word == "EXECDOWNLOAD") {
                socket->write(QByteArray(fileSize, 'x'));
            } else if (word == "PREPAREUPLOAD" || word == "PREPARECOLLECTIONUPLOAD") {
                body = message.mid(message.indexOf('\x02') + 1).toLongLong();
                socket->write("UPLOADPREPARED\x01");
            }
        }
        socket->setProperty("buffer", buffer);
        socket->setProperty("body", body);
    }

    // From now on the socket gets what the mode says, until the client gives up.
    void Misbehave(QTcpSocket* socket, bool fileText)
    {
        socket->setProperty("misbehaving", true);
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qint64>(0);
        switch (mode) {
        case Mode::Trickle:
            // One byte at a time of an answer that never ends: unknown words, or file text that never fills up.
            timer->setInterval(200);
            connect(timer, &QTimer::timeout, socket, [socket, sent, fileText] {
                static const QByteArray pattern("WAIT\x01");
                socket->write(QByteArray(1, fileText ? 'x' : pattern.at(*sent % pattern.size())));
                ++*sent;
            });
            break;
        case Mode::Flood:
            // As fast as the client reads: complete messages it has no use for (or more file text than announced).
            timer->setInterval(1);
            connect(timer, &QTimer::timeout, socket, [socket, fileText] {
                if (socket->bytesToWrite() < 1024 * 1024) {
                    socket->write(fileText ? QByteArray(64 * 1024, 'x') : QByteArray("FLOOD\x01").repeated(10000));
                }
            });
            break;
        case Mode::Steady:
            // The file in tenths, one every 100 ms.
            timer->setInterval(100);
            connect(timer, &QTimer::timeout, socket, [this, socket, timer, sent] {
                const qint64 piece = std::min(fileSize / 10, fileSize - *sent);
                socket->write(QByteArray(piece, 'x'));
                *sent += piece;
                if (*sent >= fileSize) {
                    timer->stop();
                }
            });
            break;
        }
        timer->start();
    }

    QTcpServer m_web;
    QTcpServer m_service;
};

} // namespace

// Every online operation ends within its own bound whatever the peer does; the watchdog alone would not end these,
// as the peer keeps sending.
class TestComBounds : public QObject
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
        COM::SetTimeLimits(kReplyMs, kRate);
    }

    void cleanup()
    {
        COM::SetTimeLimits(COM::kReplyLimitMs, COM::kTransferBytesPerSecond);
        Registry::HKEY key = 0;
        if (Registry::OpenKey(Registry::HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora"),
                              Registry::KeyAllAccess, &key) == Registry::Success) {
            Registry::DeleteValue(key, QString::fromLatin1(kOnlineHostSetting));
            Registry::CloseKey(key);
        }
    }

    void defaultLimits()
    {
        COM::SetTimeLimits(COM::kReplyLimitMs, COM::kTransferBytesPerSecond);
        QCOMPARE(COM::ReplyLimit(), 120000);
        // A download's bound grows with its size: 64 MiB at the slowest rate takes more than an hour.
        QCOMPARE(COM::TransferLimitMs(0), qint64(120000));
        QVERIFY(COM::TransferLimitMs(64 * 1024 * 1024) > COM::TransferLimitMs(1024 * 1024));
        QVERIFY(COM::TransferLimitMs(64 * 1024 * 1024) >= 3600 * 1000);
    }

    void hostilePeers_data()
    {
        QTest::addColumn<QByteArray>("operation");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("boundMs");

        const int reply = kReplyMs;
        const int transfer = int(kReplyMs + kFileSize * 1000 / kRate);
        const struct
        {
            const char* name;
            const char* target;
            int bound;
        } operations[] = {
            {"lookup", "", reply},
            {"log-in", "LOGIN", reply},
            {"search", "FINDTITLE", reply},
            {"item download", "EXECDOWNLOAD", transfer},
            {"missing list", "PREPAREMISSING", reply},
            {"upload", "BODY", transfer},
            {"collection upload", "PREPARECOLLECTIONUPLOAD", transfer},
        };
        for (const auto& op : operations) {
            for (const Mode mode : {Mode::Trickle, Mode::Flood}) {
                QTest::addRow("%s, %s", op.name, mode == Mode::Trickle ? "trickling" : "flooding")
                    << QByteArray(op.name) << QByteArray(op.target) << int(mode) << op.bound;
            }
        }
    }

    void hostilePeers()
    {
        QFETCH(QByteArray, operation);
        QFETCH(QByteArray, target);
        QFETCH(int, mode);
        QFETCH(int, boundMs);

        Peer peer;
        QVERIFY(peer.Start());
        peer.fileSize = kFileSize;
        peer.mode = Mode(mode);
        peer.lookupMisbehaves = operation == "lookup";
        peer.target = target;
        COM com;
        if (operation != "lookup" && operation != "log-in") {
            QVERIFY(com.LogIn(kUser, kPassword));
        }

        QElapsedTimer clock;
        clock.start();
        bool failed = false;
        const QString text(kFileSize, QLatin1Char('u'));
        if (operation == "lookup" || operation == "log-in") {
            failed = !com.LogIn(kUser, kPassword);
        } else if (operation == "search") {
            failed = com.FindTitle(QStringLiteral("alien")) == QVariant(QString());
        } else if (operation == "item download") {
            failed = com.GetUEF(QStringLiteral("0123456789012")).isEmpty();
        } else if (operation == "missing list") {
            failed = com.GetMissing().isEmpty();
        } else if (operation == "upload") {
            failed = !com.DoUpload(text);
        } else {
            failed = !com.DoUploadCollection(text);
        }
        const qint64 elapsed = clock.elapsed();

        QVERIFY(failed);
        QCOMPARE(com.Status(), COM::StatusFailed);
        // A flood may end at once (a message or file beyond what the client holds); nothing outlasts its bound.
        QVERIFY2(elapsed < boundMs + 20000, qPrintable(QString::number(elapsed)));
        if (Mode(mode) == Mode::Trickle) {
            QVERIFY2(elapsed >= boundMs * 9 / 10, qPrintable(QString::number(elapsed)));
        }
        // The object is usable afterwards: the next operation starts with a bound of its own.
        peer.target.clear();
        peer.lookupMisbehaves = false;
        QVERIFY(com.LogIn(kUser, kPassword));
    }

    // A download that keeps coming in steadily completes although it takes longer than a command's reply may: its
    // bound grows with the announced size.
    void steadyTransferOutlastsReplyLimit()
    {
        COM::SetTimeLimits(500, 4000);
        Peer peer;
        QVERIFY(peer.Start());
        peer.fileSize = 6000; // 500 ms + 1500 ms allowed; sent in 1 s
        peer.mode = Mode::Steady;
        peer.target = "EXECDOWNLOAD";
        COM com;
        QVERIFY(com.LogIn(kUser, kPassword));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(com.GetUEF(QStringLiteral("1")), QString(6000, QLatin1Char('x')));
        QVERIFY(clock.elapsed() > 500);
        QCOMPARE(com.Status(), COM::Status_LoggedIn);
    }

    // The lookup bounds itself as a whole: arrivals do not extend it, and a reply too long to be an answer ends it.
    void lookupBoundsItself_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("trickling") << int(Mode::Trickle);
        QTest::newRow("flooding") << int(Mode::Flood);
    }

    void lookupBoundsItself()
    {
        QFETCH(int, mode);
        frmCom::SetWatchdogInterval(800);
        Peer peer;
        QVERIFY(peer.Start());
        peer.lookupMisbehaves = true;
        peer.mode = Mode(mode);
        Server lookup;
        QSignalSpy done(&lookup, &Server::ServerIPChanged);
        QElapsedTimer clock;
        clock.start();
        lookup.GetServer();
        QVERIFY(done.wait(30000));
        QCOMPARE(lookup.ServerIP(), QStringLiteral(":"));
        QVERIFY(clock.elapsed() < 800 + 20000);
    }

    // The web host is a setting; without a usable one it lies under ".invalid", where nobody answers.
    void webHostSetting_data()
    {
        QTest::addColumn<QString>("setting"); // empty: not set
        QTest::addColumn<QString>("host");
        const QString fallback = QString::fromLatin1(kDefaultOnlineHost);
        QTest::newRow("not set") << QString() << fallback;
        QTest::newRow("a host name") << "catalogue.example.org"
                                     << "catalogue.example.org";
        QTest::newRow("an address") << "192.0.2.7"
                                    << "192.0.2.7";
        QTest::newRow("request line smuggled") << "evil.example\r\nX-Other: 1" << fallback;
        QTest::newRow("blank inside") << "evil example" << fallback;
        QTest::newRow("a path") << "evil.example/x" << fallback;
        QTest::newRow("a port") << "evil.example:8080" << fallback;
        QTest::newRow("a user") << "me@evil.example" << fallback;
        QTest::newRow("empty label") << "evil..example" << fallback;
        QTest::newRow("too long") << QString(254, QLatin1Char('a')) << fallback;
    }

    void webHostSetting()
    {
        QFETCH(QString, setting);
        QFETCH(QString, host);
        QVERIFY(QString::fromLatin1(kDefaultOnlineHost).endsWith(QLatin1String(".invalid")));
        Registry::HKEY key = 0;
        QCOMPARE(Registry::CreateKey(Registry::HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix\\Vidsora"),
                                     Registry::KeyAllAccess, &key),
                 Registry::Success);
        if (setting.isEmpty()) {
            Registry::DeleteValue(key, QString::fromLatin1(kOnlineHostSetting));
        } else {
            QCOMPARE(Registry::SetString(key, QString::fromLatin1(kOnlineHostSetting), setting), Registry::Success);
        }
        Registry::CloseKey(key);
        QCOMPARE(OnlineWebHost(), host);
        // The lookup asks the same host, unless a test points it elsewhere.
        Server::SetWebHost(QString(), 0);
        QCOMPARE(Server::WebHost(), host);
    }

private:
    static constexpr int kReplyMs = 1000;
    static constexpr qint64 kRate = 1000;
    static constexpr qint64 kFileSize = 500;
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestComBounds)
#include "tst_combounds.moc"
