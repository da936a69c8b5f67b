// A many-item command recorded in the store lands whole: cut short after any step, the next start finishes it; a
// record that is damaged or names anything outside the kind folders is never acted on.
#include "KillRun.h"
#include "SafeFile.h"
#include "StoreIntent.h"
#include "TestStore.h"

#include <QProcess>
#include <QtTest>

namespace {

using Faults = SafeFile::Faults::Op;

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList Records(const QString& db)
{
    return QDir(db).entryList({QStringLiteral("*.intent")}, QDir::Files | QDir::Hidden);
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A folder of the writer's temporary pattern holding one file, as a staged item is.
QString Staged(const QString& kindDir, int n)
{
    const QString temp = kindDir + QStringLiteral("/.Item %1.%2.tmp").arg(n).arg(n + 0xa0, 0, 16);
    QDir().mkpath(temp);
    WriteFile(temp + QStringLiteral("/content.mdc"), QByteArray("item ") + QByteArray::number(n));
    return temp;
}

QString Final(const QString& kindDir, int n)
{
    return kindDir + QStringLiteral("/Item %1 (%2)").arg(n).arg(n);
}

} // namespace

class tst_StoreIntent : public QObject
{
    Q_OBJECT

private slots:
    void init() { SafeFile::Faults::Reset(); }
    void cleanup() { SafeFile::Faults::Reset(); }

    // A placing of six items and a withdrawal of four, cut short before step `cut` (0: before the record): the next
    // start shows all of each or, cut before its record, none, and says what it finished.
    void cutAtEveryStep_data()
    {
        QTest::addColumn<int>("cut");
        for (int cut = 0; cut <= 6; ++cut) {
            QTest::addRow("before step %d", cut) << cut;
        }
    }
    void cutAtEveryStep()
    {
        QFETCH(int, cut);
        TestStore store;
        const QString movies = store.db() + QStringLiteral("/Movies");
        StoreIntent::Intent place(store.db(), QStringLiteral("an import of 6 items"), 6);
        for (int n = 1; n <= 6; ++n) {
            place.Place(Staged(movies, n), Final(movies, n));
        }
        if (cut == 0) {
            SafeFile::Faults::FailNth(Faults::Rename, 1); // the record's own write fails
            QVERIFY(!place.Record());
        } else {
            QVERIFY(place.Record());
            SafeFile::Faults::FailNth(Faults::Rename, cut);
            QVERIFY(!place.Carry());
        }
        SafeFile::Faults::Reset();
        const StoreIntent::Recovery recovery = StoreIntent::Recover(store.db());
        const QStringList placed = Entries(movies).filter(QStringLiteral("Item"));
        QCOMPARE(placed.filter(QStringLiteral(".tmp")).size(), cut == 0 ? 6 : 0); // debris for the sweep
        QCOMPARE(placed.size() - placed.filter(QStringLiteral(".tmp")).size(), cut == 0 ? 0 : 6);
        QCOMPARE(recovery.finished.size(), cut == 0 ? 0 : 1);
        if (cut > 0) {
            QCOMPARE(recovery.counts, std::vector<int>{6});
            QVERIFY(StoreIntent::Message(recovery).contains(QStringLiteral("an import of 6 items")));
            QCOMPARE(QFile(Final(movies, 4) + QStringLiteral("/content.mdc")).size(), qint64(6));
        }
        QVERIFY(Records(store.db()).isEmpty());
        // Carried out already: a second start finds nothing to do.
        QVERIFY(StoreIntent::Message(StoreIntent::Recover(store.db())).isEmpty());

        // The delete of the items placed: withdrawn to temporary names, then removed.
        if (cut > 0) {
            StoreIntent::Intent remove(store.db(), QStringLiteral("the delete of a box and its 3 items"), 4);
            for (int n = 1; n <= 4; ++n) {
                const QString trash = movies + QStringLiteral("/.gone %1.%2.tmp").arg(n).arg(n + 0xb0, 0, 16);
                remove.Move(Final(movies, n), trash);
                remove.Remove(trash);
            }
            QVERIFY(remove.Record());
            SafeFile::Faults::FailNth(Faults::RemoveFile, std::min(cut, 4));
            QVERIFY(!remove.Carry());
            SafeFile::Faults::Reset();
            const StoreIntent::Recovery second = StoreIntent::Recover(store.db());
            QCOMPARE(second.finished, QStringList{QStringLiteral("the delete of a box and its 3 items")});
            QCOMPARE(Entries(movies),
                     (QStringList{Final(movies, 5).section(u'/', -1), Final(movies, 6).section(u'/', -1)}));
        }
    }

    // A kill at any moment while an import's items go in place, or while a container's items leave the store, and
    // then a start: all fifteen items or none, each whole, and the start says what it finished.
    void killAtAnyStep_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("import") << "place";
        QTest::newRow("container delete") << "withdraw";
    }
    void killAtAnyStep()
    {
        QFETCH(QString, mode);
        int finished = 0;
        for (int run = 0; run < 40 && (finished < 2 || run < 10); ++run) {
            TestStore store;
            const QString sources = store.path(QStringLiteral("sources"));
            QDir().mkpath(sources);
            WriteFile(sources + QStringLiteral("/a.jpg"), KillRun::kCoverA);
            WriteFile(sources + QStringLiteral("/b.GIF"), KillRun::kCoverB);
            if (mode == u"withdraw") {
                KillRun::LoadedKinds kinds(store.db());
                const QStringList made =
                    KillRun::MakeSet(kinds, QStringLiteral("0"), [&](CItemList& list, const QString& name) {
                        return KillRun::CreateOne(list, name, sources);
                    });
                QCOMPARE(made.size(), 15);
            }
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--together"), mode, store.db(), sources});
            QVERIFY(child.waitForStarted(10000));
            QByteArray out;
            while (!out.contains("go\n") && child.waitForReadyRead(20000)) {
                out += child.readAllStandardOutput();
            }
            QVERIFY(out.contains("go\n"));
            QThread::usleep((run * 7000) % 140000);
            child.kill();
            QVERIFY(child.waitForFinished(10000));

            const StoreIntent::Recovery recovery = StoreIntent::Recover(store.db());
            QVERIFY(recovery.kept.isEmpty());
            QString why;
            const KillRun::Creation found = KillRun::CheckCreated(store.db(), {}, &why);
            QVERIFY2(found.half == 0 && found.recordless == 0, qPrintable(why));
            QVERIFY2(found.loaded == 0 || found.loaded == 15, qPrintable(QString::number(found.loaded)));
            if (!recovery.finished.isEmpty()) {
                ++finished;
                QCOMPARE(found.loaded, mode == u"place" ? 15 : 0);
                QVERIFY(StoreIntent::Message(recovery).contains(mode == u"place" ? "an import of 15 items"
                                                                                 : "the delete of a box"));
            }
            QVERIFY(Records(store.db()).isEmpty());
        }
        QVERIFY2(finished > 0, "no kill landed while the items were renamed");
    }

    // A record that is damaged, made up to reach outside the kind folders, or unreadable is left as it lies, nothing
    // of it is done, and the start says so.
    void untrustedRecordLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<bool>("flipByte");
        QTest::addRow("damaged") << QByteArray("Movies/.Item 1.a1.tmp") << QByteArray("Movies/Item 1 (1)") << true;
        QTest::addRow("outside the store")
            << QByteArray("Movies/.Item 1.a1.tmp") << QByteArray("../Item 1 (1)") << false;
        QTest::addRow("item over item") << QByteArray("Movies/Item 1 (1)") << QByteArray("Movies/Item 2 (2)") << false;
        QTest::addRow("encoded climb") << QByteArray("Movies/.Item 1.a1.tmp") << QByteArray("Movies%2F..%2F..%2Fx")
                                       << false;
    }
    void untrustedRecordLeftAlone()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(bool, flipByte);
        TestStore store;
        const QString movies = store.db() + QStringLiteral("/Movies");
        Staged(movies, 1);
        QDir().mkpath(movies + QStringLiteral("/Item 1 (1)"));
        QByteArray text = "Vidsora intent 1\nwhat an%20import%20of%201%20item\ncount 1\nplace " +
                          from.toPercentEncoding("/%") + ' ' + to.toPercentEncoding("/%") + '\n';
        text += "sum " + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex() + '\n';
        if (flipByte) {
            text[20] = 'X';
        }
        const QString record = store.db() + QStringLiteral("/Vidsora-00000000000000a1.intent");
        WriteFile(record, text);
        const QStringList before = Entries(movies);

        const StoreIntent::Recovery recovery = StoreIntent::Recover(store.db());
        QVERIFY(recovery.finished.isEmpty());
        QCOMPARE(recovery.kept.size(), 1);
        QVERIFY(StoreIntent::Message(recovery).contains(record));
        QCOMPARE(Entries(movies), before);
        QVERIFY(!QFileInfo::exists(store.path(QStringLiteral("Item 1 (1)"))));
        QFile kept(record);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), text);
    }
};

int main(int argc, char** argv)
{
    if (argc >= 5 && qstrcmp(argv[1], "--together") == 0) {
        QCoreApplication app(argc, argv);
        return KillRun::RunTogether(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]),
                                    QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    tst_StoreIntent test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_storeintent.moc"
