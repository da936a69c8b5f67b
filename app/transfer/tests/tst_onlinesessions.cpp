// The online import and upload sessions against the loopback service: places, search, queue, import with its row
// states, upload of items and of the collection list, the missing items, failures and the abort of a wait.

#include "TransferWorld.h"

#include "core/mUEF.h"
#include "transfer/AccountCommands.h"
#include "transfer/CollectionList.h"
#include "transfer/ImportSession.h"
#include "transfer/UploadSession.h"

#include "CCategories.h"
#include "CGroups.h"
#include "COM.h"
#include "FakeService.h"
#include "UEF.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace TransferWorld;

namespace {

QByteArray Movie(const QString& title, const QString& code)
{
    return "[MOVIE=[TITLE=" + title.toLatin1() + "][UPC=" + code.toLatin1() + "][NOTES=" + QByteArray(3000, 'n') + "]]";
}

QList<QByteArray> Words(const QList<QByteArray>& requests)
{
    QList<QByteArray> words;
    for (const QByteArray& request : requests) {
        const qsizetype mark = request.indexOf('\x02');
        words << (mark < 0 ? request : request.left(mark));
    }
    return words;
}

// A reply as the service sends it, written with '^' after the word, '|' between records and ';' between columns.
QByteArray Wire(const char* text)
{
    return QByteArray(text).replace('^', '\x02').replace('|', '\x03').replace(';', '\x04');
}

// Every state each row went through, in order, with repeats of one state folded.
struct StateLog
{
    QList<QStringList> rows;
    void Record(int row, const QString& state)
    {
        while (rows.size() <= row) {
            rows.append(QStringList());
        }
        if (rows[row].isEmpty() || rows[row].last() != state) {
            rows[row].append(state);
        }
    }
};

} // namespace

class TestOnlineSessions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(RegisterCodevet()); }

    void init()
    {
        NewWorld(QStringLiteral("store"));
        WriteRegSetting(QStringLiteral("User"), QStringLiteral("anna"));
        WriteRegSetting(QStringLiteral("Password"), QStringLiteral("pw"));
        m_service = std::make_unique<FakeService>();
        QVERIFY(m_service->Start());
        m_service->users.insert("anna", "pw");
        m_service->records = {{kCodeA.toLatin1(), "Alien", "DVD"},
                              {kCodeB.toLatin1(), "Aliens", "Laserdisc"},
                              {kCodeA.toLatin1(), "Alien again", "DVD"},
                              {kCodeC.toLatin1(), "Refused", "VHS"}};
        m_service->items.insert(kCodeA.toLatin1(), Movie("Alien", kCodeA));
        m_service->items.insert(kCodeB.toLatin1(), Movie("Aliens", kCodeB));
        m_service->items.insert(kCodeC.toLatin1(), Movie("Refused", "123"));
    }

    void cleanup()
    {
        m_service.reset();
        RemoveTempFolder();
    }

    void places()
    {
        const QString drama = TestWorld::AddCategory(QStringLiteral("Drama"));
        const QString comedy = TestWorld::AddCategory(QStringLiteral("Comedy"));
        const QString classics = TestWorld::AddGroup(QStringLiteral("Classics"), drama);
        const QString art = TestWorld::AddGroup(QStringLiteral("Art House"), drama);
        const QString loose = TestWorld::AddGroup(QStringLiteral("Loose"), "!0");
        TestWorld::AddGroup(QStringLiteral("Orphan"), "C99");
        const QString longName = TestWorld::AddCategory(QString(60, u'x'));
        TestWorld::AddBox(QStringLiteral("Box at the root"), "!0");
        TestWorld::AddMedia(QStringLiteral("Disc at the root"), "!0", "DVD");
        TestWorld::LoadCollections(gMovies->DBDir());

        QStringList keys;
        QList<int> indents;
        for (const ImportSession::Place& place : ImportSession::Places()) {
            keys << place.key;
            indents << place.indent;
        }
        QCOMPARE(keys, (QStringList{"!0", loose, comedy, drama, art, classics, longName}));
        QCOMPARE(indents, (QList<int>{0, 1, 1, 1, 2, 2, 1}));
        const QList<ImportSession::Place> all = ImportSession::Places();
        QCOMPARE(all[0].text, QStringLiteral("Root"));
        QCOMPARE(all[0].image, QStringLiteral("imgVidsora"));
        QCOMPARE(all[1].image, QStringLiteral("imgSubCategory"));
        QCOMPARE(all[3].image, QStringLiteral("imgCategory"));
        QCOMPARE(all[6].text, ShortenText(QString(60, u'x'), 50));
    }

    void searchBothWays_data()
    {
        QTest::addColumn<bool>("byTitle");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("title") << true << "  alien "
                               << QByteArray("FINDTITLE\x02"
                                             "alien")
                               << QStringList{"Alien", "Aliens"};
        QTest::newRow("code") << false << " " + kCodeB + " "
                              << "FINDUPC\x02" + kCodeB.toLatin1() << QStringList{"Aliens"};
        QTest::newRow("nothing found") << false << "1"
                                       << QByteArray("FINDUPC\x02"
                                                     "1")
                                       << QStringList{};
    }
    void searchBothWays()
    {
        QFETCH(bool, byTitle);
        QFETCH(QString, typed);
        QFETCH(QByteArray, request);
        QFETCH(QStringList, titles);
        ImportSession session;
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        QVERIFY(session.Find(typed, byTitle));
        QCOMPARE(m_service->requests.last(), request);
        QStringList found;
        for (const ImportSession::Result& result : session.Results()) {
            found << result.title;
            QCOMPARE(result.key, QStringLiteral("U") + result.code);
        }
        // The second record with the same code is left out.
        QCOMPARE(found, titles);
        QCOMPARE(warnings.count(), 0);
        if (byTitle && !titles.isEmpty()) {
            QCOMPARE(session.Results().first().media, QStringLiteral("DVD"));
            QCOMPARE(session.Results().first().code, kCodeA);
        }
    }

    // A reply naming codes again and again keeps the first record of each code, in the reply's order.
    void searchKeepsFirstOfEachCode()
    {
        m_service->records.clear();
        for (int i = 0; i < 30000; ++i) {
            const int code = (i * 7) % 1000;
            m_service->records.append({QByteArray::number(1000000 + code), "Title " + QByteArray::number(i), "DVD"});
        }
        ImportSession session;
        QVERIFY(session.Find(QStringLiteral("title"), true));
        QCOMPARE(session.Results().size(), 1000);
        for (int i = 0; i < 1000; ++i) {
            QCOMPARE(session.Results()[i].title, QStringLiteral("Title %1").arg(i));
            QCOMPARE(session.Results()[i].code, QString::number(1000000 + i * 7 % 1000));
        }
    }

    // A reply that breaks off, or that is longer than the client holds, is said, with how many results could be read;
    // those are shown.
    void brokenSearchReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("close");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("firstTitles");
        QTest::addColumn<int>("count");

        QTest::newRow("cut off mid-record")
            << Wire("RESULT^1;Alien;DVD|2;Aliens;VHS|3;Ali") << true
            << QStringLiteral("The reply to the search was cut off before its end. 2 results could be read.")
            << QStringList{"Alien", "Aliens"} << 2;
        QTest::newRow("cut off in its first record")
            << Wire("RESULT^1;Ali") << true
            << QStringLiteral("The reply to the search was cut off before its end. No result could be read.")
            << QStringList{} << 0;

        // Records of 31 characters and their separator; the reply is larger than the client holds.
        QByteArray many("RESULT\x02");
        for (int i = 0; i < 140000; ++i) {
            const QByteArray title = "Title " + QByteArray::number(i).rightJustified(7, '0');
            many += QByteArray::number(1000000000000LL + i) + '\x04' + title + '\x04' + "DVD" + '\x03';
        }
        many += '\x01';
        const qsizetype whole = many.left(COM::kMaxMessage).count('\x03');
        QTest::newRow("over the bound")
            << many << false
            << QStringLiteral(
                   "The reply to the search is larger than the 4 MB Vidsora takes. %1 results could be read.")
                   .arg(whole)
            << QStringList{"Title 0000000", "Title 0000001"} << int(whole);
        QTest::newRow("one line over the bound, endless")
            << "RESULT\x02" + QByteArray(COM::kMaxMessage + 1000, 'x') << false
            << QStringLiteral("The reply to the search is larger than the 4 MB Vidsora takes. No result could be read.")
            << QStringList{} << 0;
    }
    void brokenSearchReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, close);
        QFETCH(QString, message);
        QFETCH(QStringList, firstTitles);
        QFETCH(int, count);
        m_service->replies.insert("FINDTITLE", reply);
        if (close) {
            m_service->closeAfter << "FINDTITLE";
        }
        ImportSession session;
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        // Told once the wait has ended: while it runs, the window takes no answer.
        bool toldWhileWaiting = false;
        connect(&session, &OnlineSession::Warning, this, [&] { toldWhileWaiting = session.IsWaiting(); });
        QVERIFY(!session.Find(QStringLiteral("alien"), true));
        QCOMPARE(warnings.count(), 1);
        QCOMPARE(warnings[0][0].toString(), message);
        QVERIFY(!toldWhileWaiting);
        QStringList titles;
        for (const ImportSession::Result& result : session.Results().mid(0, 2)) {
            titles << result.title;
        }
        QCOMPARE(titles, firstTitles);
        QCOMPARE(session.Results().size(), count);
        // A whole reply afterwards is taken as before.
        m_service->replies.clear();
        m_service->closeAfter.clear();
        QVERIFY(session.Find(QStringLiteral("aliens"), true));
        QCOMPARE(session.Results().size(), 1);
        QCOMPARE(warnings.count(), 1);
    }

    void searchFailures()
    {
        ImportSession session;
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        m_service->users.clear();
        QVERIFY(session.Find(QStringLiteral("alien"), true) == false);
        QCOMPARE(warnings.count(), 1);
        QCOMPARE(warnings[0][0].toString(), QStringLiteral("Could not log in!"));
        QVERIFY(!Words(m_service->requests).contains("FINDTITLE"));

        m_service->lookupLine = ":";
        ImportSession unreachable;
        QSignalSpy unreachableWarnings(&unreachable, &OnlineSession::Warning);
        QVERIFY(!unreachable.Find(QStringLiteral("alien"), true));
        QCOMPARE(unreachableWarnings.count(), 1);
        QCOMPARE(unreachableWarnings[0][0].toString(), QStringLiteral("Could not connect!"));
    }

    void queueTwiceAndRequeue()
    {
        const QString drama = TestWorld::AddCategory(QStringLiteral("Drama"));
        const QList<ImportSession::Place> places = ImportSession::Places();
        ImportSession session;
        QVERIFY(session.Find(QStringLiteral("alien"), true));
        QVERIFY(session.Queue(0, places[0]));
        QVERIFY(!session.Queue(0, places[1]));
        QVERIFY(!session.Queue(7, places[0]));
        QCOMPARE(session.Rows().size(), 1);
        QCOMPARE(session.Rows()[0].placeKey, QStringLiteral("!0"));
        QVERIFY(session.Remove(0));
        QVERIFY(!session.Remove(0));
        QVERIFY(session.Queue(0, places[1]));
        QCOMPARE(session.Rows()[0].placeKey, drama);
        QCOMPARE(session.Rows()[0].placeText, QStringLiteral("Drama"));
        QCOMPARE(session.Rows()[0].state, QStringLiteral("Pending"));
        QCOMPARE(session.Rows()[0].code, kCodeA);
    }

    void importRowStates()
    {
        const QString drama = TestWorld::AddCategory(QStringLiteral("Drama"));
        const QList<ImportSession::Place> places = ImportSession::Places();
        m_service->pieceSize = 1000;
        m_service->pieceDelayMs = 10;
        m_service->records.append({"000000000000", "Gone", "DVD"});

        ImportSession session;
        QVERIFY(session.Find(QStringLiteral("e"), true));
        QCOMPARE(session.Results().size(), 4);
        // Alien under the root, Aliens in Drama, the refused one, and one the service does not hold.
        for (int i = 0; i < 4; ++i) {
            QVERIFY(session.Queue(i, places[i == 1 ? 1 : 0]));
        }
        StateLog log;
        connect(&session, &OnlineSession::RowChanged, this,
                [&](int row) { log.Record(row, session.Rows()[row].state); });
        session.ImportSelected();

        // Percentages of the download as it arrives in pieces, then the import.
        for (int row : {0, 1}) {
            const QStringList states = log.rows.value(row);
            // The request's send progress first, then the download's, piece by piece.
            QVERIFY2(states.size() >= 5, qPrintable(states.join(u',')));
            QCOMPARE(states.mid(states.size() - 3), (QStringList{"100%", "Processing...", "Finished"}));
            int last = -1;
            for (const QString& state : states.mid(1, states.size() - 3)) {
                QVERIFY(state.endsWith(u'%'));
                const int percent = state.chopped(1).toInt();
                QVERIFY2(percent > last, qPrintable(states.join(u',')));
                last = percent;
            }
        }
        // A text whose item the product-code check refuses gives nothing: an error, not "Finished".
        QCOMPARE(log.rows.value(2).last(), QStringLiteral("Error!"));
        QVERIFY(log.rows.value(2).contains(QStringLiteral("Processing...")));
        QCOMPARE(log.rows.value(3), (QStringList{"100%", "Error!"}));
        QCOMPARE(session.FinishedCount(), 2);

        // Each row on a new connection with a new log-in, each under its own place.
        QCOMPARE(Words(m_service->requests).count("LOGIN"), 5);
        QCOMPARE(gMovies->Count(), 2);
        QCOMPARE(gMovies->Item(1)->strTitle(), QStringLiteral("Alien"));
        QCOMPARE(MakeItemKey(gMovies->Item(1)->lngParentType(), gMovies->Item(1)->lngParentID()), QStringLiteral("!0"));
        QCOMPARE(MakeItemKey(gMovies->Item(2)->lngParentType(), gMovies->Item(2)->lngParentID()), drama);
    }

    void logInFailsMidQueue()
    {
        ImportSession session;
        QVERIFY(session.Find(QStringLiteral("alien"), true));
        const ImportSession::Place root = ImportSession::Places().first();
        QVERIFY(session.Queue(0, root));
        QVERIFY(session.Queue(1, root));
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        connect(&session, &OnlineSession::RowChanged, this, [&](int row) {
            if (row == 0 && session.Rows()[0].state == ImportSession::FinishedState()) {
                m_service->users.clear();
            }
        });
        session.ImportSelected();
        QCOMPARE(session.Rows()[0].state, QStringLiteral("Finished"));
        QCOMPARE(session.Rows()[1].state, QStringLiteral("Pending"));
        QCOMPARE(warnings.count(), 1);
        QCOMPARE(warnings[0][0].toString(), QStringLiteral("Could not log in!"));
        QCOMPARE(gMovies->Count(), 1);
    }

    void abortDuringASlowReply_data()
    {
        QTest::addColumn<QByteArray>("silentWord"); // empty: the address lookup never answers
        QTest::addColumn<bool>("search");
        QTest::newRow("search") << QByteArray("FINDTITLE") << true;
        QTest::newRow("lookup") << QByteArray() << true;
        QTest::newRow("download") << QByteArray("PREPAREUEF") << false;
        QTest::newRow("log-in") << QByteArray("LOGIN") << false;
    }
    void abortDuringASlowReply()
    {
        QFETCH(QByteArray, silentWord);
        QFETCH(bool, search);
        ImportSession session;
        session.Abort(); // no wait: nothing happens
        QVERIFY(!session.Aborted());
        if (!search) {
            QVERIFY(session.Find(QStringLiteral("alien"), true));
            QVERIFY(session.Queue(0, ImportSession::Places().first()));
            QVERIFY(session.Queue(1, ImportSession::Places().first()));
        }
        if (silentWord.isEmpty()) {
            m_service->lookupSilent = true;
        } else {
            m_service->replies.insert(silentWord, QByteArray());
        }
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        bool wasWaiting = false;
        QTimer::singleShot(300, &session, [&session, &wasWaiting] {
            wasWaiting = session.IsWaiting();
            session.Abort();
        });
        QElapsedTimer clock;
        clock.start();
        if (search) {
            QVERIFY(!session.Find(QStringLiteral("alien"), true));
            QVERIFY(session.Results().isEmpty());
        } else {
            session.ImportSelected();
            QCOMPARE(session.Rows()[0].state, QStringLiteral("Error!"));
            QCOMPARE(session.Rows()[1].state, QStringLiteral("Pending"));
        }
        QVERIFY(wasWaiting);
        // Well before the client's own 30 s watchdog would have ended it.
        QVERIFY(clock.elapsed() < 20000);
        QVERIFY(!session.IsWaiting());
        QCOMPARE(warnings.count(), 0);
        QCOMPARE(gMovies->Count(), 0);

        // The next command works on a fresh connection.
        m_service->replies.clear();
        m_service->lookupSilent = false;
        QVERIFY(session.Find(QStringLiteral("aliens"), true));
        QCOMPARE(session.Results().size(), 1);
    }

    void uploadSingleItems()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Up"), "!0", "DVD");
        SetCode(movie, kCodeA);
        const QString box = AddFullBox("!0", 1, 1, false);
        UploadSession session;
        session.AddItem(QStringLiteral("Up"), kCodeA, movie);
        session.AddItem(QStringLiteral("Box"), kCodeA, box);
        session.AddItem(QStringLiteral("Gone"), kCodeA, QStringLiteral("C4")); // nothing to send
        bool asked = false;
        session.ask = [&asked](const QString&) { return asked = true; };
        QCOMPARE(session.UploadAll(), UploadSession::After::Close);
        QVERIFY(!asked);
        QCOMPARE(session.Rows()[0].state, QStringLiteral("Done"));
        QCOMPARE(session.Rows()[1].state, QStringLiteral("Done"));
        QCOMPARE(session.Rows()[2].state, QString());
        QCOMPARE(m_service->uploads.size(), 2);
        QCOMPARE(m_service->uploads[0], AnsiText::Encode(CreateUEF(movie, true)->strUEF()));
        QCOMPARE(m_service->uploads[1], AnsiText::Encode(CreateUEF(box, true)->strUEF()));
        QCOMPARE(Words(m_service->requests).count("LOGIN"), 3);
    }

    void uploadFailuresMarkRowsAndGoOn()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Up"), "!0", "DVD");
        UploadSession session;
        session.AddItem(QStringLiteral("Up"), kCodeA, movie);
        session.AddItem(QStringLiteral("Up"), kCodeA, movie);
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        // The first log-in is refused; the second row logs in afresh and is sent.
        int logins = 0;
        m_service->users.clear();
        connect(&session, &OnlineSession::Warning, this, [&] {
            if (++logins == 1) {
                m_service->users.insert("anna", "pw");
            }
        });
        QCOMPARE(session.UploadAll(), UploadSession::After::Close);
        QCOMPARE(session.Rows()[0].state, QStringLiteral("Error"));
        QCOMPARE(session.Rows()[1].state, QStringLiteral("Done"));
        QCOMPARE(warnings.count(), 1);
    }

    void collectionRowAndMissingItems()
    {
        // A code shared by two movies, a code of a movie and a box, a code of a medium only, one of nobody.
        const QString first = TestWorld::AddMovie(QStringLiteral("First"), "!0", "DVD");
        const QString second = TestWorld::AddMovie(QStringLiteral("Second"), "!0", "DVD");
        const QString boxed = TestWorld::AddMovie(QStringLiteral("Movie of the box code"), "!0", "DVD");
        const QString box = TestWorld::AddBox(QStringLiteral("Box"), "!0");
        const QString disc = TestWorld::AddMedia(QStringLiteral("Disc"), "!0", "DVD");
        SetCode(first, kCodeA);
        SetCode(second, kCodeA);
        SetCode(boxed, kCodeB);
        SetCode(box, kCodeB);
        SetCode(disc, kCodeC);
        TestWorld::LoadCollections(gMovies->DBDir());
        BuildChildLists();
        // Each item is queued once, at the first line naming its code, however often the list repeats it.
        m_service->missing = "\r\n  " + kCodeA.toLatin1() + " \r\n\r\n" + kCodeB.toLatin1() + "\r\n" +
                             kCodeA.toLatin1() + "\r\n" + kCodeC.toLatin1() + "\r\n   \r\n" + kCodeD.toLatin1() +
                             "\r\n";
        for (int i = 0; i < 20000; ++i) {
            m_service->missing += (i % 2 ? kCodeC : kCodeA).toLatin1() + "\r\n";
        }
        m_service->missing += kCodeB.toLatin1();

        const QString list = BuildCollectionList();
        UploadSession session;
        session.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, list);
        QStringList questions;
        session.ask = [&](const QString& question) {
            questions << question;
            // The user takes a while; meanwhile the connection is dropped.
            m_service->DropConnections();
            QTest::qWait(100);
            return true;
        };
        StateLog log;
        connect(&session, &OnlineSession::RowChanged, this,
                [&](int row) { log.Record(row, session.Rows()[row].state); });
        QCOMPARE(session.UploadAll(), UploadSession::After::StayOpen);
        QCOMPARE(questions, QStringList{UploadSession::MissingQuestion()});
        QCOMPARE(m_service->uploads, QList<QByteArray>{AnsiText::Encode(list)});
        QCOMPARE(log.rows.value(0).value(log.rows.value(0).indexOf("Done") - 1), QStringLiteral("100%"));
        QVERIFY(log.rows.value(0).contains(QStringLiteral("Done")));
        // A fresh log-in comes before the missing list is asked for.
        const QList<QByteArray> words = Words(m_service->requests);
        QCOMPARE(words.mid(words.size() - 3), (QList<QByteArray>{"LOGIN", "PREPAREMISSING", "EXECDOWNLOAD"}));

        QStringList queued;
        for (const UploadSession::Row& row : session.Rows()) {
            queued << row.tag;
            QCOMPARE(row.state, QString());
        }
        QCOMPARE(queued, (QStringList{first, second, boxed, disc}));

        // The next OK sends each of them and asks nothing more.
        m_service->uploads.clear();
        questions.clear();
        QCOMPARE(session.UploadAll(), UploadSession::After::Close);
        QVERIFY(questions.isEmpty());
        QCOMPARE(m_service->uploads.size(), 4);
        QCOMPARE(m_service->uploads[3], AnsiText::Encode(CreateUEF(disc, true)->strUEF()));
    }

    void missingListOutcomes_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("warning");
        QTest::newRow("no") << "" << false << "";
        QTest::newRow("empty list") << "empty" << true << "";
        QTest::newRow("download fails") << "close" << true << UploadSession::MissingFailedMessage();
        QTest::newRow("log-in fails") << "login" << true << OnlineSession::CouldNotLogInMessage();
    }
    void missingListOutcomes()
    {
        QFETCH(QString, failure);
        QFETCH(bool, answer);
        QFETCH(QString, warning);
        m_service->missing = kCodeA.toLatin1();
        if (failure == u"empty") {
            m_service->missing.clear();
        } else if (failure == u"close") {
            m_service->closeAfter << "PREPAREMISSING";
            m_service->replies.insert("PREPAREMISSING", QByteArray());
        }
        SetCode(TestWorld::AddMovie(QStringLiteral("Listed"), "!0", "DVD"), kCodeA);
        QString doneBeforeAsking;
        UploadSession session;
        session.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, QStringLiteral("row\r\n"));
        session.ask = [&](const QString&) {
            doneBeforeAsking = session.Rows()[0].state;
            if (failure == u"login") {
                m_service->users.clear();
            }
            return answer;
        };
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        QCOMPARE(session.UploadAll(), UploadSession::After::Close);
        QVERIFY(m_service->requests.contains(QByteArray("PREPARECOLLECTIONUPLOAD\x02"
                                                        "5")));
        QCOMPARE(doneBeforeAsking, QStringLiteral("Done"));
        QCOMPARE(warnings.count(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty()) {
            QCOMPARE(warnings[0][0].toString(), warning);
        }
    }

    // Cancel reaches the reading of a long missing list: it stops there and the rows stay as they were.
    void abortWhileReadingMissingList()
    {
        SetCode(TestWorld::AddMovie(QStringLiteral("Listed"), "!0", "DVD"), kCodeA);
        UploadSession session;
        session.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, QStringLiteral("row\r\n"));
        QString list;
        for (int i = 0; i < 2000000; ++i) {
            list += kCodeB + QStringLiteral("\r\n");
        }
        list += kCodeA;
        // The first events to run are those the reading lets through.
        QTimer::singleShot(0, &session, [&session] { session.Abort(); });
        QCOMPARE(session.QueueMissing(list), -1);
        QVERIFY(session.Aborted());
        QCOMPARE(session.Rows().size(), 1);
        QVERIFY(session.Rows()[0].IsCollection());
    }

    void abortAnUpload()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Up"), "!0", "DVD");
        UploadSession session;
        session.AddItem(QStringLiteral("Up"), kCodeA, movie);
        session.AddItem(QStringLiteral("Up again"), kCodeA, movie);
        m_service->replies.insert("PREPAREUPLOAD", QByteArray());
        QTimer::singleShot(300, &session, [&session] { session.Abort(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(session.UploadAll(), UploadSession::After::Close);
        QVERIFY(clock.elapsed() < 20000);
        QCOMPARE(session.Rows()[0].state, QStringLiteral("Error"));
        QCOMPARE(session.Rows()[1].state, QString());
        QCOMPARE(Words(m_service->requests).count("PREPAREUPLOAD"), 1);
    }

    // Cancel after the collection list went out, while the service's answer is awaited: no success is claimed, and
    // the user is told the answer was not waited for (the service did get the list here).
    void abortACollectionUploadAfterItsText()
    {
        UploadSession session;
        session.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, QStringLiteral("row\r\n"));
        m_service->replies.insert("UPLOAD", QByteArray()); // the body is taken, never confirmed
        QSignalSpy warnings(&session, &OnlineSession::Warning);
        QTimer poll;
        connect(&poll, &QTimer::timeout, &session, [this, &session] {
            if (!m_service->uploads.isEmpty()) {
                session.Abort();
            }
        });
        poll.start(10);
        QCOMPARE(session.UploadAll(), UploadSession::After::Close);
        QCOMPARE(m_service->uploads, QList<QByteArray>{"row\r\n"});
        QCOMPARE(session.Rows()[0].state, QStringLiteral("Error"));
        QCOMPARE(warnings.count(), 1);
        QCOMPARE(warnings[0][0].toString(), UploadSession::CancelledUnansweredMessage(UploadSession::kCollectionText));
    }

    void submission_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("says");
        QTest::newRow("valid") << "movie" << kCodeA << true << "";
        QTest::newRow("spaces around") << "box"
                                       << "  " + kCodeB + " " << true << "";
        QTest::newRow("blank") << "movie"
                               << "   " << false << "Invalid UPC/EAN.";
        QTest::newRow("invalid") << "medium"
                                 << "036000291453" << false << "Invalid UPC/EAN.";
        QTest::newRow("category") << "category"
                                  << "" << false << "Only a box, a media or a movie";
        QTest::newRow("no checker") << "nochecker" << kCodeA << false << "not installed";
    }
    void submission()
    {
        QFETCH(QString, which);
        QFETCH(QString, code);
        QFETCH(bool, accepted);
        QFETCH(QString, says);
        QString key;
        QString name = QStringLiteral("Named Item");
        if (which == u"movie" || which == u"nochecker") {
            key = TestWorld::AddMovie(name, "!0", "DVD");
        } else if (which == u"box") {
            key = TestWorld::AddBox(name, "!0");
        } else if (which == u"medium") {
            key = TestWorld::AddMedia(name, "!0", "DVD");
        } else {
            key = TestWorld::AddCategory(name);
        }
        SetCode(key, code);
        const std::shared_ptr<QObject> checker =
            which == u"nochecker" ? nullptr : Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        const UploadSession::Submission s = UploadSession::CheckSubmission(key, checker.get());
        QCOMPARE(s.accepted, accepted);
        if (accepted) {
            QCOMPARE(s.name, name);
            QCOMPARE(s.code, code);
            QVERIFY(s.message.isEmpty());
        } else {
            QVERIFY2(s.message.contains(says), qPrintable(s.message));
            if (which != u"category") {
                QVERIFY(s.message.contains(name));
            }
        }
    }

    void accountComponentMissing()
    {
        for (const char* method : {"UserLogin", "NewUser", "Announcements"}) {
            QCOMPARE(AccountCommands::Call(method), AccountCommands::Outcome::NotInstalled);
        }
        QVERIFY(AccountCommands::NotInstalledMessage().contains(QStringLiteral("not installed")));
    }

private:
    std::unique_ptr<FakeService> m_service;
};

int main(int argc, char** argv)
{
    TransferWorld::SetUp();
    QCoreApplication app(argc, argv);
    TestOnlineSessions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_onlinesessions.moc"
