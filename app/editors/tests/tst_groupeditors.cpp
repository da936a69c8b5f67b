// The category and group editors without their windows: new, edit, cancel, places, and the refusals of OK.

#include "editors/CategoryEditor.h"
#include "editors/GroupEditor.h"

#include "CollectionWorld.h"

#include <QtTest>

class TestGroupEditors : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestWorld::CollectionStore> m_store;
    QString Db() const { return m_store->db(); }

    // Replaces a folder by a plain file of the same name, so that every write below it fails, also as root.
    static void BlockFolder(const QString& folder)
    {
        QVERIFY(QDir(folder).removeRecursively());
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    static void UnblockFolder(const QString& folder)
    {
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().mkpath(folder));
    }

private slots:
    void initTestCase() { TestWorld::SetUpEnvironment(); }

    void init()
    {
        m_store = std::make_unique<TestWorld::CollectionStore>();
        TestWorld::AddCategory("Comedy"); // C1
        TestWorld::AddCategory("Drama");  // C2
        TestWorld::AddGroup("Classics", "C2");
        TestWorld::AddGroup("Orphan", "C999");
        TestWorld::LoadCollections(Db());
        BuildChildLists();
    }

    void sortKeyFollowsTheName()
    {
        SortKeyFollower follow;
        QString sort;
        // Typed letter by letter into an empty box: the sort key keeps up.
        for (const QString& typed : QStringList{"T", "Th", "The", "The ", "The M", "The Ma"}) {
            sort = follow.NameChanged(typed, sort);
            QCOMPARE(sort, MakeSortKey(typed));
        }
        sort = QStringLiteral("MY OWN");
        QCOMPARE(follow.NameChanged("The Mat", sort), QStringLiteral("MY OWN"));
        QCOMPARE(follow.NameChanged("The Matrix", sort), QStringLiteral("MY OWN"));
        // Emptied, it follows again.
        QCOMPARE(follow.NameChanged("The Matrix 2", QString()), QStringLiteral("MATRIX 2, THE"));
        // After a load, the stored sort key that differs is kept.
        follow.Reset("Alien");
        QCOMPARE(follow.NameChanged("Aliens", "STORED"), QStringLiteral("STORED"));
    }

    void newCategoryWithEmptyName()
    {
        CategoryEditor editor;
        editor.Open(QString());
        QCOMPARE(editor.Caption(), QStringLiteral("<New category>"));
        QCOMPARE(editor.Form(), CategoryForm{});
        QVERIFY(editor.Save({}).saved);
        QCOMPARE(editor.Key(), QStringLiteral("C3"));
        QCOMPARE(gCategories->Item("C3")->strName(), QString());
        QCOMPARE(gCategories->Item("C3")->strSortKey(), QString());
    }

    void editCategoryAndCancel()
    {
        CategoryEditor editor;
        editor.Open("C1");
        QCOMPARE(editor.Caption(), QStringLiteral("Comedy"));
        QCOMPARE(editor.Form(), (CategoryForm{"Comedy", "COMEDY"}));
        // Cancel: nothing saved, the key given comes back.
        QCOMPARE(editor.Key(), QStringLiteral("C1"));
        QVERIFY(editor.Save({"Comedies", "ZZ"}).saved);
        QCOMPARE(editor.Key(), QStringLiteral("C1"));
        TestWorld::LoadCollections(Db());
        QCOMPARE(gCategories->Item("C1")->strName(), QStringLiteral("Comedies"));
        QCOMPARE(gCategories->Item("C1")->strSortKey(), QStringLiteral("ZZ"));

        editor.Open("C77");
        QCOMPARE(editor.Caption(), QStringLiteral("Category"));
        QVERIFY(editor.Save({"x", "y"}).saved);
        QCOMPARE(editor.Key(), QStringLiteral("C77"));
        QCOMPARE(gCategories->Count(), 2);
    }

    void codePageRefusal()
    {
        CategoryEditor editor;
        editor.Open(QString());
        const SaveOutcome outcome = editor.Save({QStringLiteral("Gda\u0144sk"), QStringLiteral("GDANSK")});
        QVERIFY(!outcome.saved);
        QVERIFY(outcome.message.contains(QStringLiteral("\"Name\"")));
        QVERIFY(outcome.message.contains(QStringLiteral("U+0144")));
        QCOMPARE(editor.Key(), QString());
        QCOMPARE(gCategories->Count(), 2);

        GroupEditor groups;
        groups.Open("S1");
        GroupForm form = groups.Form();
        form.strSortKey = QStringLiteral("\u2713");
        const SaveOutcome refused = groups.Save(form);
        QVERIFY(!refused.saved);
        QVERIFY(refused.message.contains(QStringLiteral("\"Sortindex\"")));
        QCOMPARE(gGroups->Item("S1")->strSortKey(), QStringLiteral("CLASSICS"));
    }

    void storeRefusalKeepsEverything()
    {
        // A new category while the kind's folder cannot take one.
        BlockFolder(Db() + "/Categories");
        CategoryEditor editor;
        editor.Open(QString());
        SaveOutcome outcome = editor.Save({"Horror", "HORROR"});
        QVERIFY(!outcome.saved);
        QCOMPARE(outcome.message, StoreRefusalMessage());
        QCOMPARE(editor.Key(), QString());
        QCOMPARE(gCategories->Count(), 2);
        UnblockFolder(Db() + "/Categories");

        // An existing group whose folder refuses the write keeps its old fields in memory too.
        const QString folder = gGroups->Item("S1")->Path();
        BlockFolder(folder);
        GroupEditor groups;
        groups.Open("S1");
        GroupForm form = groups.Form();
        form.strName = QStringLiteral("Renamed");
        form.parentKey = QStringLiteral("C1");
        outcome = groups.Save(form);
        QVERIFY(!outcome.saved);
        QCOMPARE(groups.Key(), QStringLiteral("S1"));
        const auto group = gGroups->Item("S1");
        QCOMPARE(group->strName(), QStringLiteral("Classics"));
        QCOMPARE(group->lngParentID(), 2);
        QFile::remove(folder);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(groups.Save(form).saved);
        QCOMPARE(group->strName(), QStringLiteral("Renamed"));
    }

    void newGroupPlace_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("place");
        QTest::newRow("category") << "C2"
                                  << "C2";
        QTest::newRow("root") << "!0"
                              << "!0";
        QTest::newRow("group") << "S1"
                               << "!0";
        QTest::newRow("movie") << "M1"
                               << "!0";
        QTest::newRow("gone category") << "C9"
                                       << "!0";
    }

    void newGroupPlace()
    {
        QFETCH(QString, given);
        GroupEditor editor;
        editor.SetParentKey(given);
        editor.Open(QString());
        QCOMPARE(editor.Caption(), QStringLiteral("<New group>"));
        QTEST(editor.Form().parentKey, "place");
        GroupForm form = editor.Form();
        form.strName = QStringLiteral("New");
        QVERIFY(editor.Save(form).saved);
        QVERIFY(!editor.Key().isEmpty());
        const auto group = gGroups->Item(editor.Key());
        QCOMPARE(MakeItemKey(group->lngParentType(), qint64(group->lngParentID())), editor.Form().parentKey);
    }

    void placesAndOrphans()
    {
        GroupEditor editor;
        editor.Open("S1");
        QCOMPARE(editor.Places().size(), 3); // root and two categories
        QCOMPARE(editor.Form(), (GroupForm{"Classics", "CLASSICS", "C2"}));
        GroupForm form = editor.Form();
        form.parentKey = kRootKey;
        QVERIFY(editor.Save(form).saved);
        QCOMPARE(gGroups->Item("S1")->lngParentType(), 0);
        QCOMPARE(gGroups->Item("S1")->lngParentID(), 0);

        // A group whose category is gone keeps it when saved without a new pick.
        editor.Open("S2");
        QVERIFY(!editor.Offers("C999"));
        QCOMPARE(editor.Form().parentKey, QStringLiteral("C999"));
        form = editor.Form();
        form.strName = QStringLiteral("Still lost");
        QVERIFY(editor.Save(form).saved);
        TestWorld::LoadCollections(Db());
        QCOMPARE(gGroups->Item("S2")->lngParentType(), 1);
        QCOMPARE(gGroups->Item("S2")->lngParentID(), 999);
        QCOMPARE(gGroups->Item("S2")->strName(), QStringLiteral("Still lost"));
    }
};

QTEST_GUILESS_MAIN(TestGroupEditors)
#include "tst_groupeditors.moc"
