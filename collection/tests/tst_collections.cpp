#include "CBoxes.h"
#include "CCategories.h"
#include "CCategory.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "FakeBar.h"
#include "ItemOrder.h"
#include "ItemStore.h"
#include "SafeFile.h"
#include "StagedItems.h"
#include "TestStore.h"

#include <QApplication>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <climits>
#include <thread>

static const QString kHead = "'Vidsora 3.3 Databasefile - DO NOT EDIT\r\n";

// A category folder as an older save would have left it.
static void WriteCategory(const TestStore& store, const QString& folder, int id, const QString& sortKey)
{
    TestStore::Write(store.db() + "/Categories/" + folder + "/content.mdc",
                     kHead + QString("ID = %1\r\nNAME = n%1\r\nSORTKEY = %2\r\n\r\n").arg(id).arg(sortKey));
}

static QStringList Keys(const CCategories& list)
{
    QStringList keys;
    for (const auto& c : list) {
        keys << c->strKey();
    }
    return keys;
}

class TestCollections : public QObject
{
    Q_OBJECT

private slots:
    void dbDirCreatesTheStoreFolders()
    {
        TestStore store;
        const QString db = store.path("fresh");
        CMovies movies;
        movies.setDBDir(db);
        QVERIFY(QFileInfo(db + "/Movies").isDir());
        QCOMPARE(movies.Add("First"), QString("M1"));
        QCOMPARE(movies.Item("M1")->Path(), db + "/Movies/First.1");
    }

    void addAssignsTheNextId()
    {
        TestStore store;
        CBoxes boxes;
        boxes.setDBDir(store.db());
        QCOMPARE(boxes.Add("a"), QString("B1"));
        QCOMPARE(boxes.Add("b"), QString("B2"));
        QCOMPARE(boxes.Add("c"), QString("B3"));
        boxes.Remove("B3");
        QCOMPARE(boxes.Add("d"), QString("B3"));
        boxes.Remove("B2");
        QCOMPARE(boxes.Add("e"), QString("B4"));
        QCOMPARE(boxes.Count(), 3);
        QCOMPARE(boxes.Item("B4")->strName(), QString("e"));
        QVERIFY(QFileInfo(store.db() + "/Boxes/e.4/content.mdc").isFile());
    }

    void idsAtOrBelowZeroDoNotCount()
    {
        TestStore store;
        WriteCategory(store, "neg", -5, "X");
        CCategories cats;
        cats.setDBDir(store.db());
        cats.LoadData();
        QCOMPARE(cats.Count(), 1);
        QCOMPARE(cats.Add("new"), QString("C1"));
    }

    void addRefusesToWrapTheId()
    {
        TestStore store;
        WriteCategory(store, "max", INT_MAX, "X");
        CCategories cats;
        cats.setDBDir(store.db());
        cats.LoadData();
        QVERIFY(cats.Add("next").isEmpty());
        QCOMPARE(cats.Count(), 1);
        QCOMPARE(TestStore::Entries(store.db() + "/Categories"), QStringList{"max"});
    }

    void addThatCannotStoreKeepsNothing()
    {
        TestStore store;
        CGroups groups;
        groups.setDBDir(store.db());
        QVERIFY(QDir(store.db() + "/Groups").removeRecursively());
        QVERIFY(groups.Add("lost").isEmpty());
        QCOMPARE(groups.Count(), 0);
        QVERIFY(!groups.Update("S1"));
    }

    void updateRewritesWithoutMoving()
    {
        TestStore store;
        WriteCategory(store, "a", 1, "A");
        WriteCategory(store, "b", 2, "B");
        CCategories cats;
        cats.setDBDir(store.db());
        cats.LoadData();
        const QString key = cats.Add("Zed");
        QCOMPARE(Keys(cats), (QStringList{"C3", "C1", "C2"}));
        auto zed = cats.Item(key);
        zed->setStrSortKey("ZED");
        QVERIFY(cats.Update(key));
        QCOMPARE(Keys(cats), (QStringList{"C3", "C1", "C2"}));
        QVERIFY(TestStore::Read(zed->Path() + "/content.mdc").contains("SORTKEY = ZED\r\n"));
        QCOMPARE(QFileInfo(zed->Path()).fileName(), QString("Zed.3"));
        QVERIFY(!cats.Update("C99"));
    }

    // A whole new item lands where an item added by name and given its sort key after always did, and its folder
    // carries its name: sibling order and folder names stay what they were.
    void wholeItemLandsWhereANamedOneDid()
    {
        TestStore store;
        WriteCategory(store, "a", 1, "A");
        WriteCategory(store, "b", 2, "B");
        CCategories cats;
        cats.setDBDir(store.db());
        cats.LoadData();
        auto item = ItemStore::NewItem(ItemKind::Category);
        item->setDisplayName("Zed");
        item->setStrSortKey("AA");
        const QString key = cats.AddNew(item).valueOr({});
        QCOMPARE(Keys(cats), (QStringList{"C3", "C1", "C2"}));
        QCOMPARE(QFileInfo(item->Path()).fileName(), QString("Zed.3"));
        QVERIFY(TestStore::Read(item->Path() + "/content.mdc").contains("SORTKEY = AA\r\n"));
        // The key it holds now counts for what is placed after it.
        QCOMPARE(cats.Item(key)->strSortKey(), QString("AA"));
        const QString later = cats.Add("Ann");
        QCOMPARE(Keys(cats), (QStringList{"C4", "C3", "C1", "C2"}));
        QVERIFY(!later.isEmpty());
    }

    void loadSortsStablyByKey()
    {
        TestStore store;
        WriteCategory(store, "1", 1, "B");
        WriteCategory(store, "2", 2, "A");
        WriteCategory(store, "3", 3, "B");
        WriteCategory(store, "4", 4, "b");
        WriteCategory(store, "5", 5, "");
        WriteCategory(store, "6", 6, "BA");
        CCategories cats;
        cats.setDBDir(store.db());
        cats.LoadData();
        QCOMPARE(Keys(cats), (QStringList{"C5", "C2", "C1", "C3", "C6", "C4"}));
    }

    void loadSkipsDuplicatesAndStrays()
    {
        TestStore store;
        WriteCategory(store, "a", 1, "A");
        WriteCategory(store, "b", 1, "B"); // same id: the first listed wins
        TestStore::Write(store.db() + "/Categories/stray.txt", "x");
        TestStore::Write(store.db() + "/Categories/no record/letter.doc", "x"); // not the program's: it stays
        WriteCategory(store, ".hidden", 2, "H");                                // a dot folder is an ordinary entry
        CCategories cats;
        cats.setDBDir(store.db());
        FakeBar bar;
        cats.setPGB(&bar);
        cats.LoadData();
        QCOMPARE(bar.Value(), 5);
        QCOMPARE(Keys(cats), (QStringList{"C1", "C2"}));
        QCOMPARE(cats.Item("C1")->strSortKey(), QString("A"));

        // A second load adds only new keys and keeps what memory holds.
        cats.Item("C1")->setStrName("edited");
        WriteCategory(store, "c", 3, "0");
        cats.LoadData();
        QCOMPARE(bar.Value(), 11);
        QCOMPARE(Keys(cats), (QStringList{"C3", "C1", "C2"}));
        QCOMPARE(cats.Item("C1")->strName(), QString("edited"));
        cats.setPGB(nullptr);
        QVERIFY(!cats.PGB());
    }

    // The batch placement must give exactly what placing arrivals one at a time before the first greater key gives,
    // sorted list or not.
    void placementMatchesTheOneByOneWalk_data()
    {
        QTest::addColumn<bool>("unsortFirst");
        QTest::newRow("sorted list") << false;
        QTest::newRow("list unsorted by edits") << true;
    }
    void placementMatchesTheOneByOneWalk()
    {
        QFETCH(bool, unsortFirst);
        TestStore store;
        QRandomGenerator rng(42);
        const QStringList alphabet{"", "A", "AB", "B", "b", "BA", "C"};
        QList<QPair<int, QString>> firstWave, secondWave;
        for (int id = 1; id <= 120; ++id) {
            const QString key = alphabet[rng.bounded(int(alphabet.size()))];
            WriteCategory(store, QString("w1-%1").arg(id, 3, 10, QChar('0')), id, key);
            firstWave.append({id, key});
        }
        CCategories cats;
        cats.setDBDir(store.db());
        cats.LoadData();

        // The reference: the literal walk over the same arrivals.
        QList<QPair<int, QString>> expected;
        auto walk = [&](const QPair<int, QString>& in) {
            for (const auto& e : expected) {
                if (e.first == in.first)
                    return;
            }
            qsizetype at = 0;
            while (at < expected.size() && !(in.second < expected[at].second))
                ++at;
            expected.insert(at, in);
        };
        for (const auto& in : firstWave)
            walk(in);
        if (unsortFirst) {
            cats.Item(1)->setStrSortKey("ZZ");
            cats.Item(cats.Count())->setStrSortKey("");
            expected.first().second = "ZZ";
            expected.last().second = "";
        }
        for (int id = 200; id < 260; ++id) {
            const QString key = alphabet[rng.bounded(int(alphabet.size()))];
            WriteCategory(store, QString("w2-%1").arg(id), id, key);
            secondWave.append({id, key});
        }
        cats.LoadData();
        for (const auto& in : secondWave)
            walk(in);

        QStringList want;
        for (const auto& e : expected)
            want << "C" + QString::number(e.first);
        QCOMPARE(Keys(cats), want);
    }

    // A new entry goes before the first entry whose key is greater, also after keys were edited in place, entries
    // removed and the order read between changes: the order must match the literal walk at every step.
    void orderPlacesAsTheWalkDoes()
    {
        QRandomGenerator rng(7);
        const QStringList alphabet{"", "A", "AB", "B", "BA", "C"};
        const auto pick = [&] { return alphabet[rng.bounded(int(alphabet.size()))]; };
        const auto keysOf = [](const std::vector<std::shared_ptr<CItem>>& items) {
            QStringList keys;
            for (const auto& item : items) {
                keys << item->strKey();
            }
            return keys;
        };
        for (int round = 0; round < 300; ++round) {
            std::vector<std::shared_ptr<CItem>> walk;
            int id = 0;
            {
                ItemOrder order;
                for (int step = 0; step < 80; ++step) {
                    const int what = rng.bounded(20);
                    if (what < 11 || walk.empty()) {
                        auto item = std::make_shared<CCategory>();
                        item->setLngID(++id);
                        item->setStrSortKey(pick());
                        auto at = std::find_if(walk.begin(), walk.end(),
                                               [&](const auto& e) { return item->strSortKey() < e->strSortKey(); });
                        walk.insert(at, item);
                        QVERIFY(order.Place(item));
                    } else if (what < 17) {
                        walk[size_t(rng.bounded(int(walk.size())))]->setStrSortKey(pick());
                    } else if (what < 19) {
                        const auto at = walk.begin() + rng.bounded(int(walk.size()));
                        QVERIFY(order.Remove(at->get()));
                        QVERIFY(!order.Remove(at->get()));
                        walk.erase(at);
                    } else {
                        order.Assign(walk); // as a load leaves it
                    }
                    if (rng.bounded(3) == 0) {
                        QCOMPARE(keysOf(order.Items()), keysOf(walk));
                    }
                }
                QCOMPARE(keysOf(order.Items()), keysOf(walk));
                QCOMPARE(order.Count(), qsizetype(walk.size()));
                ItemOrder other;
                QVERIFY(!other.Place(walk.front())); // an item is in one order at a time
            }
            // The order is gone; its items live on and must not reach it.
            for (const auto& item : walk) {
                item->setStrSortKey("Z");
            }
        }
    }

    // The load reads several folders at once; what it gives must be what reading them one by one in listing order
    // and placing each in turn gives: the same items, fields and order, owned by the loading thread.
    void threadedLoadGivesTheOneByOneResult()
    {
        TestStore store;
        QRandomGenerator rng(11);
        const QStringList alphabet{"", "NIGHT", "NIGHT RIVER", "RIVER", "river", "STAR"};
        for (int n = 0; n < 120; ++n) {
            const int id = 1 + rng.bounded(100); // some ids twice: the first listed wins
            WriteCategory(store, QString("f%1").arg(n, 3, 10, QChar('0')), id,
                          alphabet[rng.bounded(int(alphabet.size()))]);
        }
        TestStore::Write(store.db() + "/Categories/f050x", "a stray file");
        // A folder without a record that holds a file of the user's own is no item, but stays and counts a step.
        TestStore::Write(store.db() + "/Categories/f090x/keep.me", "the user's");

        QStringList expected;
        QStringList expectedRecords;
        {
            std::vector<std::shared_ptr<CItem>> walk;
            QSet<QString> held;
            const QStringList names = ItemStore::ListEntries(store.db() + "/Categories").value();
            for (const QString& name : names) {
                const auto item = ItemStore::ReadItem(ItemKind::Category, store.db() + "/Categories/" + name);
                if (!item || held.contains(item->strKey())) {
                    continue;
                }
                held.insert(item->strKey());
                auto at = std::find_if(walk.begin(), walk.end(),
                                       [&](const auto& e) { return item->strSortKey() < e->strSortKey(); });
                walk.insert(at, item);
            }
            for (const auto& item : walk) {
                expected << item->strKey();
                expectedRecords << ItemStore::RecordText(*item) + item->Path();
            }
        }

        QThread elsewhere;
        for (QThread* owner : {static_cast<QThread*>(nullptr), &elsewhere}) {
            CCategories cats;
            cats.setDBDir(store.db());
            FakeBar bar;
            cats.setPGB(&bar);
            cats.setItemThread(owner);
            cats.LoadData();
            QCOMPARE(bar.Value(), 122);
            QCOMPARE(Keys(cats), expected);
            QStringList records;
            for (const auto& c : cats) {
                records << ItemStore::RecordText(*c) + c->Path();
                QCOMPARE(c->thread(), owner ? owner : QThread::currentThread());
            }
            QCOMPARE(records, expectedRecords);
        }
    }

    void itemByKeyOrPosition()
    {
        TestStore store;
        WriteCategory(store, "a", 7, "B");
        WriteCategory(store, "b", 8, "A");
        CCategories cats;
        cats.setDBDir(store.db());
        cats.LoadData();
        QCOMPARE(cats.Item(1)->strKey(), QString("C8"));
        QCOMPARE(cats.Item(QVariant(2))->strKey(), QString("C7"));
        QCOMPARE(cats.Item(QVariant(QString("C7")))->lngID(), 7);
        QVERIFY(!cats.Item(0));
        QVERIFY(!cats.Item(3));
        QVERIFY(!cats.Item("C9"));
        QVERIFY(!cats.Item(QVariant()));
        // The very object the list holds.
        cats.Item("C7")->setStrName("changed");
        QCOMPARE(cats.items().back()->strName(), QString("changed"));

        cats.Remove("1"); // by key only
        QCOMPARE(cats.Count(), 2);
        cats.Clear();
        QCOMPARE(cats.Count(), 0);
        QCOMPARE(TestStore::Entries(store.db() + "/Categories"), (QStringList{"a", "b"}));
    }

    void removeDeletesTheFolder()
    {
        TestStore store;
        CMovies movies;
        movies.setDBDir(store.db());
        const QString key = movies.Add("Gone");
        const QString path = movies.Item(key)->Path();
        TestStore::Write(path + "/FrontCover.png", "x");
        movies.Remove(key);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(movies.Count(), 0);
        movies.Remove(key);
    }

    void fullRoundTripOfEveryKind()
    {
        TestStore store;
        {
            CMedias medias;
            medias.setDBDir(store.db());
            const QString key = medias.Add("Disc");
            auto e = medias.Item(key);
            e->setDMedia({"Laserdisc", "", "", "CAV", ""});
            e->setLngParentType(3);
            e->setLngParentID(9);
            QVERIFY(medias.Update(key));
            TestStore::Write(e->Path() + "/BackCover.gif", "x");
        }
        CMedias again;
        again.setDBDir(store.db());
        again.LoadData();
        QCOMPARE(again.Count(), 1);
        auto e = again.Item("E1");
        QCOMPARE(e->dMedia().strLDType, QString("CAV"));
        QCOMPARE(e->lngParentID(), 9);
        QCOMPARE(e->strBackCover(), QString("BackCover.gif"));
    }

    // Loading lets events run now and then, never more often than every 16 ms, and steps the bar once per entry.
    void loadLetsEventsRunSparingly()
    {
        TestStore store;
        for (int id = 1; id <= 40; ++id)
            WriteCategory(store, QString::number(id), id, "K");
        CCategories cats;
        cats.setDBDir(store.db());
        FakeBar bar;
        bar.m_delayMs = 2;
        cats.setPGB(&bar);
        int ticks = 0;
        QTimer timer;
        timer.setInterval(0);
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start();
        QElapsedTimer clock;
        clock.start();
        cats.LoadData();
        const qint64 ms = clock.elapsed();
        QCOMPARE(bar.Value(), 40);
        QVERIFY2(ticks >= 1, "events never ran during the load");
        QVERIFY2(ticks <= ms / 16 + 1, qPrintable(QString("%1 event runs in %2 ms").arg(ticks).arg(ms)));
    }

    void progressBarAdvancesByName()
    {
        TestStore store;
        WriteCategory(store, "a", 1, "A");
        TestStore::Write(store.db() + "/Categories/b", "file");
        QProgressBar bar;
        bar.setRange(0, 10);
        bar.setValue(0);
        CCategories cats;
        cats.setDBDir(store.db());
        cats.setPGB(&bar);
        cats.LoadData();
        QCOMPARE(bar.value(), 2);
        // Beyond its maximum the bar refuses the step and loading goes on.
        bar.setRange(0, 2);
        cats.Clear();
        cats.LoadData();
        QCOMPARE(cats.Count(), 1);
    }

    // A load's sweep while a worker stages items and puts them in place takes none of its folders: every item comes
    // through whole. What a worker gives up is debris that the next sweep takes.
    void sweepSparesALiveWorker()
    {
        TestStore store;
        const QString kindFolder = store.db() + "/Movies";
        CMovies movies;
        movies.setDBDir(store.db());
        StagedItems staged({&movies});
        std::atomic<bool> done{false};
        bool placed = false;
        std::thread worker([&] {
            for (int i = 0; i < 100; ++i) {
                const auto movie = ItemStore::NewItem(ItemKind::Movie);
                movie->setDisplayName(QString("Staged %1").arg(i));
                (void)staged.Stage(ItemKind::Movie, movie, {}, {});
            }
            placed = bool(staged.PutInPlace(nullptr, QStringLiteral("an import")));
            done.store(true);
        });
        int sweeps = 0;
        while (!done.load()) {
            ItemStore::RemoveDebris(kindFolder);
            ++sweeps;
        }
        worker.join();
        QVERIFY(sweeps > 1);
        QVERIFY(placed);
        QCOMPARE(staged.Place({&movies}).value_or(QStringList()).size(), 100);
        QCOMPARE(TestStore::Entries(kindFolder).size(), 100);

        StagedItems given({&movies});
        for (int i = 0; i < 3; ++i) {
            (void)given.Stage(ItemKind::Movie, ItemStore::NewItem(ItemKind::Movie), {}, {});
        }
        const std::atomic<bool> abandon{true};
        given.Discard(&abandon);
        QCOMPARE(TestStore::Entries(kindFolder).size(), 103);
        QCOMPARE(ItemStore::RemoveDebris(kindFolder), 3);
        CMovies loaded;
        loaded.setDBDir(store.db());
        loaded.LoadData();
        QCOMPARE(loaded.Count(), 100);
    }

    // What is staged reaches the disk before the record that puts it in place, and the record before anything is
    // renamed: a failure of either sync puts nothing in place and leaves no folder. A failed sync after the renames
    // leaves them made, not confirmed: the items are in place, and say so.
    void stagedItemsSyncBeforeAndAfterTheRenames_data()
    {
        QTest::addColumn<int>("failing");
        QTest::addColumn<QString>("why");
        QTest::newRow("the staged files") << 1 << "synced";
        QTest::newRow("the record") << 2 << "record";
        QTest::newRow("the renames") << 3 << "";
    }
    void stagedItemsSyncBeforeAndAfterTheRenames()
    {
        QFETCH(int, failing);
        QFETCH(QString, why);
        TestStore store;
        CMovies movies;
        movies.setDBDir(store.db());
        StagedItems staged({&movies});
        for (int i = 0; i < 3; ++i) {
            const auto movie = ItemStore::NewItem(ItemKind::Movie);
            movie->setDisplayName(QString("Staged %1").arg(i));
            QVERIFY(staged.Stage(ItemKind::Movie, movie, {}, {}));
        }
        SafeFile::Faults::Reset();
        SafeFile::Faults::FailNth(SafeFile::Faults::SyncDir, failing);
        const Result<void> placed = staged.PutInPlace(nullptr, QStringLiteral("an import"));
        const int renames = SafeFile::Faults::Calls(SafeFile::Faults::Rename);
        SafeFile::Faults::Reset();
        QCOMPARE(bool(placed), why.isEmpty());
        QVERIFY2(placed.why().contains(why), qPrintable(placed.why()));
        QCOMPARE(renames > 1, failing > 2);
        QCOMPARE(staged.Unconfirmed(), why.isEmpty());
        QCOMPARE(staged.Place({&movies}).value_or(QStringList()).size(), why.isEmpty() ? 3 : 0);
        staged.Discard();
        QCOMPARE(TestStore::Entries(store.db() + "/Movies").size(), why.isEmpty() ? 3 : 0);
        QCOMPARE(movies.Count(), why.isEmpty() ? 3 : 0);
    }
};

QTEST_MAIN(TestCollections)
#include "tst_collections.moc"
