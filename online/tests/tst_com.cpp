#include "AnsiText.h"
#include "COM.h"
#include "FakeService.h"
#include "frmCom.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using Table = COM::ResultTable;

namespace {

const QString kUser = QStringLiteral("anna");
const QString kPassword = QStringLiteral("s3cret");

QByteArray Msg(const QByteArray& word, const QByteArray& argument = QByteArray(), bool withArgument = false)
{
    return word + (withArgument || !argument.isEmpty() ? "\x02" + argument : QByteArray()) + "\x01";
}

// An exchange-text stand-in of the given size with every byte value in it.
QByteArray Item(qsizetype size)
{
    QByteArray text(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        text[i] = char(i % 256);
    }
    return text;
}

} // namespace

class TestCom : public QObject
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
        m_service = std::make_unique<FakeService>();
        QVERIFY(m_service->Start());
        m_service->users.insert(kUser.toLatin1(), kPassword.toLatin1());
        m_service->records = {{"0123456789012", "Alien", "DVD"}, {"5012345678900", "Aliens", "Laserdisc"}};
        m_service->items.insert("0123456789012", Item(200));
        m_com = std::make_unique<COM>();
        m_states.clear();
        m_progress.clear();
        connect(m_com.get(), &COM::StateChanged, this, [this](COM::eStatus& s) { m_states.append(s); });
        connect(m_com.get(), &COM::ProgressChanged, this, [this](qint32& p) { m_progress.append(p); });
    }

    void cleanup()
    {
        m_com.reset();
        m_service.reset();
    }

    void logIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("ok");
        QTest::newRow("good") << kUser << kPassword << true;
        QTest::newRow("bad password") << kUser << QStringLiteral("wrong") << false;
        QTest::newRow("unknown user") << QStringLiteral("bob") << kPassword << false;
    }

    void logIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, ok);
        QCOMPARE(m_com->LogIn(user, password), ok);
        QCOMPARE(m_com->Status(), ok ? COM::Status_LoggedIn : COM::StatusFailed);
        QCOMPARE(m_states, (ok ? QList<qint32>{1, 2, 3, 4} : QList<qint32>{1, 2, 3, -1}));
        QCOMPARE(m_service->requests.last(), "LOGIN\x02" + user.toLatin1() + "\x03" + password.toLatin1());
        QVERIFY(!m_com->Doing().contains(password));
        QCOMPARE(m_com->Doing(), ok ? QStringLiteral("Logged in!") : QString());
    }

    void lookupOnceReconnectEachLogIn()
    {
        QVERIFY(m_com->LogIn(kUser, kPassword));
        QVERIFY(m_com->LogIn(kUser, kPassword));
        QCOMPARE(m_service->lookupRequests.size(), 1);
        QCOMPARE(m_service->connections, 2);
        // A second client looks the endpoint up again.
        COM other;
        QVERIFY(other.Connect());
        QCOMPARE(m_service->lookupRequests.size(), 2);
    }

    void separatorsRemovedFromTypedText()
    {
        m_service->users.insert("ab", "pw");
        QVERIFY(m_com->LogIn(QStringLiteral("a\x01"
                                            "b\x04"),
                             QStringLiteral("\x02p\x03w")));
        m_com->FindTitle(QStringLiteral("  Ali\x01"
                                        "en\x03  "));
        m_com->FindUPC(QStringLiteral(" 0123\x02"));
        QCOMPARE(m_service->requests.mid(0, 3), (QList<QByteArray>{"LOGIN\x02"
                                                                   "ab\x03pw",
                                                                   "FINDTITLE\x02"
                                                                   "Alien",
                                                                   "FINDUPC\x02 0123"}));
    }

    void search_data()
    {
        QTest::addColumn<bool>("byTitle");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Table>("expected");
        const QStringList empty(4);
        QTest::newRow("title, two records")
            << true << QByteArray()
            << Table{empty, {"", "0123456789012", "Alien", "DVD"}, {"", "5012345678900", "Aliens", "Laserdisc"}};
        QTest::newRow("no records") << true << Msg("RESULT", "", true) << Table{empty};
        QTest::newRow("short and long records") << false
                                                << Msg("RESULT", "1\x04two\x03"
                                                                 "a\x04"
                                                                 "b\x04"
                                                                 "c\x04"
                                                                 "d\x04"
                                                                 "e")
                                                << Table{empty, {"", "1", "two", ""}, {"", "a", "b", "c"}};
        QTest::newRow("8-bit text") << false
                                    << Msg("RESULT", "9\x04"
                                                     "Caf\xe9 \x80\x81")
                                    << Table{empty, {"", "9", QStringLiteral("Caf\u00e9 \u20ac\u0081"), ""}};
    }

    void search()
    {
        QFETCH(bool, byTitle);
        QFETCH(QByteArray, reply);
        QFETCH(Table, expected);
        QVERIFY(m_com->LogIn(kUser, kPassword));
        if (!reply.isEmpty()) {
            m_service->replies.insert(byTitle ? "FINDTITLE" : "FINDUPC", reply);
        }
        const QVariant result = byTitle ? m_com->FindTitle(QStringLiteral(" alien ")) : m_com->FindUPC("x");
        QVERIFY(result.canConvert<Table>());
        QCOMPARE(result.value<Table>(), expected);
        QCOMPARE(m_com->Status(), COM::Status_LoggedIn);
        if (byTitle) {
            QCOMPARE(m_service->requests.last(), QByteArray("FINDTITLE\x02"
                                                            "alien"));
        }
    }

    void searchNotFound()
    {
        QVERIFY(m_com->LogIn(kUser, kPassword));
        const QVariant result = m_com->FindUPC(QStringLiteral("999"));
        QCOMPARE(result.typeId(), QMetaType::QString);
        QVERIFY(result.toString().isEmpty());
        QCOMPARE(m_com->Status(), COM::Status_LoggedIn);
    }

    void download_data()
    {
        QTest::addColumn<bool>("missingList");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("piece");
        QTest::addColumn<QList<qint32>>("progress");
        QTest::newRow("item in two pieces") << false << 200 << 120 << QList<qint32>{60, 100};
        QTest::newRow("item at once") << false << 200 << 0 << QList<qint32>{100};
        QTest::newRow("missing list in pieces") << true << 1000 << 250 << QList<qint32>{25, 50, 75, 100};
        QTest::newRow("empty missing list") << true << 0 << 0 << QList<qint32>{};
    }

    void download()
    {
        QFETCH(bool, missingList);
        QFETCH(int, size);
        QFETCH(int, piece);
        QFETCH(QList<qint32>, progress);
        const QByteArray text = Item(size);
        m_service->items.insert("0123456789012", text);
        m_service->missing = text;
        m_service->pieceSize = piece;
        m_service->pieceDelayMs = 60;
        QVERIFY(m_com->LogIn(kUser, kPassword));
        m_progress.clear();
        m_states.clear();
        const QString result = missingList ? m_com->GetMissing() : m_com->GetUEF(QStringLiteral("0123456789012"));
        QCOMPARE(AnsiText::Encode(result), text);
        QCOMPARE(m_com->Status(), COM::Status_LoggedIn);
        QCOMPARE(m_states, (QList<qint32>{6, 7, 4}));
        // Send reports of the two requests may come in between; the download's own reports are the rest.
        QList<qint32> received = m_progress;
        received.removeAll(100);
        if (!progress.isEmpty() && progress.last() == 100) {
            received.append(100);
        }
        QCOMPARE(received, progress);
        QTRY_COMPARE_WITH_TIMEOUT(m_service->requests.mid(m_service->requests.size() - 2),
                                  (QList<QByteArray>{missingList ? QByteArray("PREPAREMISSING")
                                                                 : "PREPAREUEF\x02"
                                                                   "0123456789012",
                                                     "EXECDOWNLOAD"}),
                                  30000);
    }

    void downloadNotFound()
    {
        QVERIFY(m_com->LogIn(kUser, kPassword));
        QVERIFY(m_com->GetUEF(QStringLiteral("404")).isEmpty());
        QCOMPARE(m_com->Status(), COM::Status_LoggedIn);
        QVERIFY(!m_service->requests.contains("EXECDOWNLOAD"));
    }

    void upload_data()
    {
        QTest::addColumn<bool>("collection");
        QTest::addColumn<int>("size");
        QTest::newRow("item") << false << 1234;
        QTest::newRow("collection, large") << true << 3 * 1024 * 1024;
        // Nothing to send: the service confirms the upload together with its preparation, in one piece.
        QTest::newRow("collection, empty") << true << 0;
        QTest::newRow("item, empty") << false << 0;
    }

    void upload()
    {
        QFETCH(bool, collection);
        QFETCH(int, size);
        // Separators inside the body travel as they are: the body is framed by its length.
        const QByteArray body = Item(size);
        QVERIFY(m_com->LogIn(kUser, kPassword));
        m_states.clear();
        m_progress.clear();
        const QString text = AnsiText::Decode(body);
        QVERIFY(collection ? m_com->DoUploadCollection(text) : m_com->DoUpload(text));
        QCOMPARE(m_com->Status(), COM::Status_LoggedIn);
        QCOMPARE(m_states, (collection ? QList<qint32>{11, 12, 4} : QList<qint32>{9, 10, 4}));
        QCOMPARE(m_service->requests.last(), QByteArray(collection ? "PREPARECOLLECTIONUPLOAD" : "PREPAREUPLOAD") +
                                                 "\x02" + QByteArray::number(size));
        QCOMPARE(m_service->uploads.size(), 1);
        QVERIFY(m_service->uploads.first() == body);
        for (qint32 p : std::as_const(m_progress)) {
            QVERIFY(p >= 0 && p <= 100);
        }
    }

    // A service that confirms an upload before its body was sent has not received the text.
    void confirmedBeforeTheBody_data()
    {
        QTest::addColumn<bool>("collection");
        QTest::newRow("item") << false;
        QTest::newRow("collection") << true;
    }

    void confirmedBeforeTheBody()
    {
        QFETCH(bool, collection);
        const QByteArray word = collection ? "PREPARECOLLECTIONUPLOAD" : "PREPAREUPLOAD";
        m_service->replies.insert(word, Msg("UPLOADPREPARED") + Msg("UPLOADDONE"));
        QVERIFY(m_com->LogIn(kUser, kPassword));
        const QString text = QStringLiteral("body");
        QVERIFY(!(collection ? m_com->DoUploadCollection(text) : m_com->DoUpload(text)));
        QCOMPARE(m_service->requests.last(), word + "\x02" + "4");
        QVERIFY(m_service->uploads.isEmpty());
    }

    void handlerChangesStatus()
    {
        // The value a handler leaves is the one stored.
        connect(m_com.get(), &COM::StateChanged, this, [](COM::eStatus& s) {
            if (s == COM::Status_LoggedIn) {
                s = COM::Status_Dead;
            }
        });
        QVERIFY(!m_com->LogIn(kUser, kPassword));
        QCOMPARE(m_com->Status(), COM::Status_Dead);
    }

    void disconnectFresh()
    {
        m_com->Disconnect();
        QCOMPARE(m_states, QList<qint32>{-1});
        QCOMPARE(m_com->Status(), COM::StatusFailed);
    }

    void lookupAnswers_data()
    {
        QTest::addColumn<QByteArray>("line"); // empty: the service's own endpoint
        QTest::addColumn<int>("padTo");       // the endpoint with spaces around its parts, padded to this length
        QTest::addColumn<bool>("ok");
        QTest::newRow("plain") << QByteArray() << 0 << true;
        QTest::newRow("spaces, 25 characters") << QByteArray() << 25 << true;
        QTest::newRow("26 characters") << QByteArray() << 26 << false;
        QTest::newRow("no colon") << QByteArray("127.0.0.1") << 0 << false;
        QTest::newRow("two colons") << QByteArray("127.0.0.1:1:2") << 0 << false;
        QTest::newRow("port 0") << QByteArray("127.0.0.1:0") << 0 << false;
        QTest::newRow("port 65536") << QByteArray("127.0.0.1:65536") << 0 << false;
        QTest::newRow("signed port") << QByteArray("127.0.0.1:+80") << 0 << false;
        QTest::newRow("no address") << QByteArray(":80") << 0 << false;
        QTest::newRow("not an address") << QByteArray("localhost:80") << 0 << false;
        QTest::newRow("error page") << QByteArray("</HTML>") << 0 << false;
    }

    void lookupAnswers()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, padTo);
        QFETCH(bool, ok);
        if (padTo > 0) {
            line = " " + m_service->Endpoint().replace(":", " : ");
            line += QByteArray(padTo - line.size(), ' ');
            QCOMPARE(line.size(), padTo);
        }
        m_service->lookupLine = line;
        QCOMPARE(m_com->Connect(), ok);
        QCOMPARE(m_com->Status(), ok ? COM::Status_Connected : COM::StatusFailed);
        QTRY_COMPARE_WITH_TIMEOUT(m_service->connections, ok ? 1 : 0, 30000);
        if (!ok) {
            // Nothing was kept: the next attempt asks again.
            m_service->lookupLine.clear();
            QVERIFY(m_com->Connect());
            QCOMPARE(m_service->lookupRequests.size(), 2);
        }
    }

    // Each hostile peer ends in the failed status, within the watchdog's bound or at once.
    void hostile_data()
    {
        QTest::addColumn<QByteArray>("word"); // the request whose reply is scripted
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("immediate"); // fails without waiting for the watchdog
        QTest::addColumn<bool>("close");     // the service closes after its reply
        QTest::newRow("silent log-in") << QByteArray("LOGIN") << QByteArray() << false << false;
        QTest::newRow("silent search") << QByteArray("FINDTITLE") << QByteArray() << false << false;
        QTest::newRow("silent upload") << QByteArray("UPLOAD") << QByteArray() << false << false;
        QTest::newRow("garbage") << QByteArray("FINDTITLE") << QByteArray("\xff\x00zz\x05", 5) << false << false;
        QTest::newRow("unknown words") << QByteArray("FINDTITLE") << Msg("HELLO") + Msg("FILES", "3") << false << false;
        QTest::newRow("RESULT without argument") << QByteArray("FINDTITLE") << Msg("RESULT") << false << false;
        QTest::newRow("replies for other states")
            << QByteArray("FINDTITLE")
            << Msg("LOGINOK") + Msg("UPLOADPREPARED") + Msg("UPLOADDONE") + Msg("FILESIZE", "10") << false << false;
        QTest::newRow("log-in answered out of turn")
            << QByteArray("LOGIN") << Msg("RESULT", "1") + Msg("UPCNOTFOUND") + Msg("UPLOADDONE") << false << false;
        QTest::newRow("upload answered out of turn")
            << QByteArray("PREPAREUPLOAD") << Msg("LOGINOK") + Msg("UPLOADDONE") + Msg("RESULT", "x") << false << false;
        QTest::newRow("bad log-in mid search") << QByteArray("FINDTITLE") << Msg("BADLOGIN") << true << false;
        QTest::newRow("size not a number") << QByteArray("PREPAREUEF") << Msg("FILESIZE", "12a") << true << false;
        QTest::newRow("size signed") << QByteArray("PREPAREUEF") << Msg("FILESIZE", "-5") << true << false;
        QTest::newRow("size missing") << QByteArray("PREPAREUEF") << Msg("FILESIZE") << true << false;
        QTest::newRow("size over 64 MiB") << QByteArray("PREPAREUEF") << Msg("FILESIZE", "67108865") << true << false;
        QTest::newRow("size overflowing")
            << QByteArray("PREPAREUEF") << Msg("FILESIZE", "99999999999999999999999") << true << false;
        QTest::newRow("endless message") << QByteArray("FINDTITLE") << QByteArray(COM::kMaxMessage + 10, 'x') << true
                                         << false;
        QTest::newRow("close before reply") << QByteArray("FINDTITLE") << QByteArray() << true << true;
        QTest::newRow("extra bytes") << QByteArray("EXTRA") << QByteArray() << true << false;
        QTest::newRow("close mid-transfer") << QByteArray("CLOSEMID") << QByteArray() << true << false;
    }

    void hostile()
    {
        QFETCH(QByteArray, word);
        QFETCH(QByteArray, reply);
        QFETCH(bool, immediate);
        QFETCH(bool, close);
        // Long enough to tell an immediate failure from the watchdog's.
        const int watchdog = immediate ? 30000 : 250;
        frmCom::SetWatchdogInterval(watchdog);
        m_com = std::make_unique<COM>();
        QVERIFY(word == "LOGIN" || m_com->LogIn(kUser, kPassword));

        if (word == "EXTRA") {
            m_service->extraAfterFile = "!";
        } else if (word == "CLOSEMID") {
            m_service->closeAfterFileBytes = 100;
        } else {
            m_service->replies.insert(word, reply);
            if (close) {
                m_service->closeAfter.append(word);
            }
        }
        QElapsedTimer clock;
        clock.start();
        bool failedValue = false;
        if (word == "LOGIN") {
            failedValue = !m_com->LogIn(kUser, kPassword);
        } else if (word == "FINDTITLE") {
            const QVariant result = m_com->FindTitle(QStringLiteral("alien"));
            failedValue = result.typeId() == QMetaType::QString && result.toString().isEmpty();
        } else if (word == "PREPAREUPLOAD" || word == "UPLOAD") {
            failedValue = !m_com->DoUpload(QStringLiteral("body"));
        } else {
            failedValue = m_com->GetUEF(QStringLiteral("0123456789012")).isEmpty();
        }
        const qint64 elapsed = clock.elapsed();
        QVERIFY(failedValue);
        QCOMPARE(m_com->Status(), COM::StatusFailed);
        if (immediate) {
            QVERIFY2(elapsed < watchdog / 2, qPrintable(QString::number(elapsed)));
        } else {
            QVERIFY2(elapsed >= watchdog * 9 / 10 && elapsed < watchdog * 80, qPrintable(QString::number(elapsed)));
        }
    }

    void burstOfMessages()
    {
        QByteArray burst;
        for (int i = 0; i < 50000; ++i) {
            burst += Msg("NOTLOGGEDIN");
        }
        m_service->replies.insert("LOGIN", burst + Msg("LOGINOK") + Msg("UPCNOTFOUND"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_com->LogIn(kUser, kPassword));
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_states, (QList<qint32>{1, 2, 3, 4}));
    }

    void refusedAndSilentEndpoints_data()
    {
        QTest::addColumn<bool>("silentLookup");
        QTest::newRow("service port closed") << false;
        QTest::newRow("lookup never answers") << true;
    }

    void refusedAndSilentEndpoints()
    {
        QFETCH(bool, silentLookup);
        frmCom::SetWatchdogInterval(300);
        m_com = std::make_unique<COM>();
        if (silentLookup) {
            m_service->lookupSilent = true;
        } else {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            m_service->lookupLine = "127.0.0.1:" + QByteArray::number(closed.serverPort());
        }
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!m_com->LogIn(kUser, kPassword));
        QCOMPARE(m_com->Status(), COM::StatusFailed);
        QVERIFY(clock.elapsed() < 20000);
    }

    void secondOperationRefused()
    {
        frmCom::SetWatchdogInterval(4000);
        m_com = std::make_unique<COM>();
        QVERIFY(m_com->LogIn(kUser, kPassword));
        m_service->replies.insert("FINDTITLE", QByteArray());
        QVariant nested = QStringLiteral("not run");
        bool nestedLogIn = true;
        qint64 nestedTime = -1;
        QTimer::singleShot(50, this, [&] {
            QElapsedTimer clock;
            clock.start();
            nested = m_com->FindUPC(QStringLiteral("0123456789012"));
            nestedLogIn = m_com->LogIn(kUser, kPassword);
            m_com->SendData(QStringLiteral("RAW\x01"));
            nestedTime = clock.elapsed();
        });
        QVERIFY(m_com->FindTitle(QStringLiteral("alien")).toString().isEmpty());
        QVERIFY(nestedTime >= 0 && nestedTime < 2000);
        QCOMPARE(nested, QVariant(QString()));
        QVERIFY(!nestedLogIn);
        QCOMPARE(m_service->requests.last(), QByteArray("FINDTITLE\x02"
                                                        "alien"));
        QCOMPARE(m_service->connections, 1);
    }

    // The owner goes away while an operation waits: the operation returns its failure value and nothing runs on.
    void destroyedDuringWait_data()
    {
        QTest::addColumn<int>("when");
        QTest::newRow("by a timer while waiting") << 0;
        QTest::newRow("in a status handler") << 1;
        QTest::newRow("in a progress handler") << 2;
        QTest::newRow("while looking up") << 3;
    }

    void destroyedDuringWait()
    {
        QFETCH(int, when);
        frmCom::SetWatchdogInterval(2000);
        COM* com = new COM;
        QPointer<COM> watch(com);
        m_service->pieceSize = 50;
        if (when == 3) {
            m_service->lookupSilent = true;
            QTimer::singleShot(30, this, [com] { delete com; });
            QVERIFY(!com->LogIn(kUser, kPassword));
            QVERIFY(watch.isNull());
            return;
        }
        QVERIFY(com->LogIn(kUser, kPassword));
        if (when == 0) {
            m_service->replies.insert("PREPAREUEF", QByteArray());
            QTimer::singleShot(30, this, [com] { delete com; });
        } else if (when == 1) {
            connect(com, &COM::StateChanged, this, [com](COM::eStatus& s) {
                if (s == COM::Status_WaitingForUEF) {
                    delete com;
                }
            });
        } else {
            connect(com, &COM::ProgressChanged, this, [com](qint32& p) {
                if (p > 0 && p < 100) {
                    delete com;
                }
            });
        }
        QVERIFY(com->GetUEF(QStringLiteral("0123456789012")).isEmpty());
        QVERIFY(watch.isNull());
        // Whatever the service still sends lands nowhere.
        QTest::qWait(150);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<FakeService> m_service;
    std::unique_ptr<COM> m_com;
    QList<qint32> m_states;
    QList<qint32> m_progress;
};

QTEST_GUILESS_MAIN(TestCom)
#include "tst_com.moc"
