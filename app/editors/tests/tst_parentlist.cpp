// The editors' parent list: order, texts, images and indentation per editor kind, with orphans in the store.

#include "editors/ParentList.h"

#include "CollectionWorld.h"

#include <QtTest>

Q_DECLARE_METATYPE(ParentKind)

class TestParentList : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestWorld::CollectionStore> m_store;
    QString m_longName;

    QString Db() const { return m_store->db(); }

private slots:
    void initTestCase()
    {
        TestWorld::SetUpEnvironment();
        using namespace TestWorld;
        m_store = std::make_unique<CollectionStore>();
        m_longName = QStringLiteral("Zebra") + QString(50, u'x') + QStringLiteral("-tail"); // 60 characters
        QCOMPARE(m_longName.size(), 60);
        AddCategory("Comedy");                      // C1
        AddCategory("Drama");                       // C2
        AddGroup("Classics", "C2");                 // S1
        AddGroup("Loose", "!0");                    // S2
        AddGroup("Orphan", "C999");                 // S3, its category is gone
        AddBox("Zeta Box", "!0");                   // B1
        AddBox("Alpha Box", "C1");                  // B2
        AddBox("Group Box", "S1");                  // B3
        AddBox("Orphan Box", "S3");                 // B4, inside the orphan
        AddMedia("Box Disc", "B2", "DVD");          // E1
        AddMedia("Cat Disc", "C1", "DVD");          // E2
        AddMedia("Root Disc", "!0", "DVD");         // E3
        AddMedia(m_longName, "S1", "VHS");          // E4
        AddMedia(QString(49, u'y'), "B999", "VHS"); // E5, its box is gone
        AddMovie("Root Movie", "!0", "DVD");        // never listed
        LoadCollections(Db());
        BuildChildLists();
    }

    void order_data()
    {
        QTest::addColumn<ParentKind>("kind");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QList<int>>("indents");
        // Root groups come right after the root, then each category with its groups (and their contents) before its
        // own boxes and media, a box followed by its media; the root's boxes and media last.
        QTest::newRow("movie") << ParentKind::Movie
                               << QStringList{"!0", "S2", "C1", "B2", "E1", "E2", "C2", "S1", "B3", "E4", "E3", "B1"}
                               << QList<int>{0, 1, 1, 2, 3, 2, 1, 2, 3, 3, 1, 1};
        QTest::newRow("media") << ParentKind::Media << QStringList{"!0", "S2", "C1", "B2", "C2", "S1", "B3", "B1"}
                               << QList<int>{0, 1, 1, 2, 1, 2, 3, 1};
        QTest::newRow("box") << ParentKind::Box << QStringList{"!0", "S2", "C1", "C2", "S1"}
                             << QList<int>{0, 1, 1, 1, 2};
        QTest::newRow("group") << ParentKind::Group << QStringList{"!0", "C1", "C2"} << QList<int>{0, 1, 1};
    }

    void order()
    {
        QFETCH(ParentKind, kind);
        QFETCH(QStringList, keys);
        QFETCH(QList<int>, indents);
        QCOMPARE(ParentOrder(kind), keys);
        const QList<ParentEntry> entries = FillParentList(kind);
        QCOMPARE(entries.size(), keys.size());
        for (int i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries[i].key, keys[i]);
            QCOMPARE(entries[i].indent, indents[i]);
            QCOMPARE(entries[i].image, ParentImageKey(keys[i]));
        }
    }

    void textsAndImages()
    {
        const QList<ParentEntry> entries = FillParentList(ParentKind::Movie);
        QHash<QString, ParentEntry> byKey;
        for (const ParentEntry& entry : entries) {
            byKey.insert(entry.key, entry);
        }
        QCOMPARE(byKey["!0"], (ParentEntry{"!0", "Root", "imgVidsora", 0}));
        QCOMPARE(byKey["C1"].text, QStringLiteral("Comedy"));
        QCOMPARE(byKey["C1"].image, QStringLiteral("imgCategory"));
        QCOMPARE(byKey["S1"].image, QStringLiteral("imgSubCategory"));
        QCOMPARE(byKey["B1"].image, QStringLiteral("imgBox"));
        QCOMPARE(byKey["E3"].image, QStringLiteral("imgMedia"));
        // 60 characters: the first 8, " ... " and the last 37.
        QCOMPARE(byKey["E4"].text, m_longName.left(8) + QStringLiteral(" ... ") + m_longName.right(37));
        QCOMPARE(byKey["E4"].text.size(), kParentTextLength);
    }

    void shortNamesStayWhole()
    {
        // The orphan medium E5 is not listed; a 49-character name on a listed box is shown whole.
        const QString name49(49, u'q');
        auto box = gBoxes->Item(QStringLiteral("B1"));
        const QString old = box->strName();
        box->setStrName(name49);
        const QList<ParentEntry> entries = FillParentList(ParentKind::Movie);
        box->setStrName(old);
        const auto it =
            std::find_if(entries.begin(), entries.end(), [](const ParentEntry& e) { return e.key == "B1"; });
        QVERIFY(it != entries.end());
        QCOMPARE(it->text, name49);
    }

    void emptyCollectionsGiveTheRootAlone()
    {
        const TestWorld::CollectionStore empty;
        BuildChildLists();
        for (ParentKind kind : {ParentKind::Movie, ParentKind::Media, ParentKind::Box, ParentKind::Group}) {
            QCOMPARE(FillParentList(kind), (QList<ParentEntry>{{"!0", "Root", "imgVidsora", 0}}));
        }
        TestWorld::LoadCollections(Db());
        BuildChildLists();
    }

    void keyToParent_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("id");
        QTest::newRow("root") << "!0" << 0 << 0;
        QTest::newRow("category") << "C12" << 1 << 12;
        QTest::newRow("group") << "S3" << 2 << 3;
        QTest::newRow("box") << "B40" << 3 << 40;
        QTest::newRow("medium") << "E7" << 4 << 7;
        QTest::newRow("nothing") << "" << 0 << 0;
    }

    void keyToParent()
    {
        QFETCH(QString, key);
        QTEST(ParentTypeOf(key), "type");
        QTEST(ParentIdOf(key), "id");
    }

    void storedParentMissingIsKept()
    {
        ParentChoice choice;
        QCOMPARE(choice.Key(), QStringLiteral("!0"));
        choice.Load(QStringLiteral("C999"), false);
        QVERIFY(choice.KeepsStored());
        choice.Select(QStringLiteral("!0")); // the picker shows the root; the stored parent still wins
        QCOMPARE(choice.Key(), QStringLiteral("C999"));
        choice.Pick(QStringLiteral("!0")); // an explicit pick wins, the root included
        QCOMPARE(choice.Key(), QStringLiteral("!0"));
        QVERIFY(!choice.KeepsStored());

        choice.Load(QStringLiteral("C2"), true);
        QCOMPARE(choice.Key(), QStringLiteral("C2"));
        choice.Pick(QStringLiteral("S1"));
        QCOMPARE(choice.Key(), QStringLiteral("S1"));
    }
};

QTEST_GUILESS_MAIN(TestParentList)
#include "tst_parentlist.moc"
