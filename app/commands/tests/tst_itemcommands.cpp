// The add, edit and delete commands without a window: what they store and remove, what they ask, and what they hand
// the tree, against fake editors and a tree hung the way the main window hangs it.

#include "CollectionWorld.h"
#include "CommandFakes.h"
#include "commands/ItemCommands.h"
#include "core/Collections.h"

#include <QDir>
#include <QSet>
#include <QTest>

#include <memory>

using namespace TestWorld;
using namespace ItemCommands;

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SetUpEnvironment(); }
    void init();
    void cleanup();

    void addOutcome_data();
    void addOutcome();
    void editOutcome_data();
    void editOutcome();
    void deleteQuestion_data();
    void deleteQuestion();
    void deleteBoxOrder();
    void deleteRebuildsChildLists();
    void deleteWithFailingRemoval_data();
    void deleteWithFailingRemoval();
    void deleteWithoutNode_data();
    void deleteWithoutNode();
    void rootDoesNothing();

private:
    QString keyFor(const QString& name) const;
    // Every key in the five collections.
    static QStringList AllKeys();
    // Items whose parent is not loaded, apart from the sample's own orphans.
    QStringList Orphans() const;

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    SampleStore m_store;
};

QString TestCommands::keyFor(const QString& name) const
{
    return m_store.Key(name);
}

QStringList TestCommands::AllKeys()
{
    QStringList keys;
    for (const auto& item : *gCategories) {
        keys << item->strKey();
    }
    for (const auto& item : *gGroups) {
        keys << item->strKey();
    }
    for (const auto& item : *gBoxes) {
        keys << item->strKey();
    }
    for (const auto& item : *gMedias) {
        keys << item->strKey();
    }
    for (const auto& item : *gMovies) {
        keys << item->strKey();
    }
    return keys;
}

QStringList TestCommands::Orphans() const
{
    QStringList orphans;
    for (const QString& key : AllKeys()) {
        const QString parent = Collections::ParentKey(key);
        if (!parent.isEmpty() && parent != "!0" && !Collections::Item(parent) && key != m_store.orphanGroup &&
            key != m_store.lostMovie) {
            orphans << key;
        }
    }
    return orphans;
}

void TestCommands::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_store = LoadSample(m_dbDir, ChildLists::Build);
}

void TestCommands::cleanup()
{
    gTempFolder.clear();
    m_dir.reset();
}

void TestCommands::addOutcome_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("flat");
    QTest::addColumn<QString>("storedParent"); // where the editor put it
    QTest::addColumn<QString>("nodeParent");   // empty: no node until the next refill

    QTest::newRow("category") << "category"
                              << "comedy" << false << ""
                              << "root";
    QTest::newRow("category, flat view: under the root at once") << "category"
                                                                 << "root" << true << ""
                                                                 << "root";
    QTest::newRow("group in a category") << "group"
                                         << "drama" << false << "drama"
                                         << "drama";
    QTest::newRow("group in a category, flat view") << "group"
                                                    << "drama" << true << "drama"
                                                    << "";
    QTest::newRow("group under the root, flat view") << "group"
                                                     << "root" << true << "root"
                                                     << "root";
    QTest::newRow("group, a box is no parent") << "group"
                                               << "zetaBox" << false << "root"
                                               << "root";
    QTest::newRow("movie in a group") << "movie"
                                      << "classics" << false << "classics"
                                      << "classics";
    QTest::newRow("movie in a group, flat view") << "movie"
                                                 << "classics" << true << "classics"
                                                 << "";
    QTest::newRow("movie on a medium in a box, flat view") << "movie"
                                                           << "boxDisc" << true << "boxDisc"
                                                           << "boxDisc";
    QTest::newRow("movie under the root, flat view") << "movie"
                                                     << "root" << true << "root"
                                                     << "root";
    QTest::newRow("movie, a movie is no parent") << "movie"
                                                 << "alphaMovie" << false << "root"
                                                 << "root";
}

void TestCommands::addOutcome()
{
    QFETCH(QString, kind);
    QFETCH(QString, selected);
    QFETCH(bool, flat);
    QFETCH(QString, storedParent);
    QFETCH(QString, nodeParent);

    const KeyTree tree = KeyTree::Filled(flat);
    FakeEditors editors;
    editors.strName = "Fresh One";
    editors.strLabel = "Special Edition";
    const QString selectedKey = keyFor(selected);
    AddOutcome added;
    if (kind == "category") {
        added = AddCategory(editors, tree);
        QCOMPARE(editors.calls, QStringList{"EditCategory()"});
    } else if (kind == "group") {
        added = AddSubcategory(editors, tree, selectedKey);
        QCOMPARE(editors.calls, (QStringList{"GroupParent(" + selectedKey + ")", "EditGroup()"}));
    } else {
        added = AddMovie(editors, tree, selectedKey);
        QCOMPARE(editors.calls, (QStringList{"MovieParent(" + selectedKey + ")", "EditMovie()"}));
    }

    QVERIFY(Collections::Item(added.strKey));
    QCOMPARE(Collections::ParentKey(added.strKey), keyFor(storedParent));
    if (kind == "movie") {
        // The child lists were rebuilt: the parent's contents hold the new movie.
        QVERIFY(Collections::Children(keyFor(storedParent)).contains(added.strKey));
    }
    if (nodeParent.isEmpty()) {
        QVERIFY(!added.node);
        return;
    }
    QVERIFY(added.node);
    const TreeNode& node = *added.node;
    QCOMPARE(node.strKey, added.strKey);
    QCOMPARE(node.strParentKey, keyFor(nodeParent));
    // A movie shows its bare title until the tree is refilled; no node gets a tag.
    QCOMPARE(node.strText, QString("Fresh One"));
    QVERIFY(node.strTag.isEmpty());
    const QHash<QString, QStringList> images{
        {"category", {"imgCategoryClosed", "", "imgCategoryOpen"}},
        {"group", {"imgSubCategoryClosed", "", "imgSubCategoryOpen"}},
        {"movie", {"imgMovieClosed", "imgMovieOpen", ""}},
    };
    QCOMPARE((QStringList{node.strImage, node.strSelectedImage, node.strExpandedImage}), images.value(kind));
}

void TestCommands::editOutcome_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("flat");
    QTest::addColumn<QString>("change"); // "label", "rename", "move:<item>", "remove" or nothing
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("text"); // "-": no text change
    QTest::addColumn<bool>("refill");

    QTest::newRow("movie label only: the bare title")
        << "alphaMovie" << false << "label" << false << "EditMovie" << true << "Alpha Movie" << false;
    QTest::newRow("movie moved") << "alphaMovie" << false << "move:comedy" << false << "EditMovie" << true
                                 << "Alpha Movie" << true;
    QTest::newRow("movie cancelled: nothing to do")
        << "alphaMovie" << false << "" << true << "EditMovie" << false << "-" << false;
    QTest::newRow("group renamed") << "classics" << false << "rename" << false << "EditGroup" << true << "Renamed"
                                   << false;
    QTest::newRow("group moved") << "classics" << false << "move:comedy" << false << "EditGroup" << true << "Classics"
                                 << true;
    QTest::newRow("category renamed: never a refill")
        << "comedy" << false << "rename" << false << "EditCategory" << true << "Renamed" << false;
    QTest::newRow("category without a node, flat view")
        << "comedy" << true << "rename" << false << "EditCategory" << true << "Renamed" << false;
    QTest::newRow("box cancelled: its text refreshed")
        << "zetaBox" << false << "" << true << "EditBox" << true << "Zeta Box" << false;
    QTest::newRow("box in a group, flat view: hung under the root")
        << "groupBox" << true << "" << false << "EditBox" << true << "Group Box" << true;
    QTest::newRow("medium in a box, flat view")
        << "boxDisc" << true << "" << false << "EditMedia" << true << "Box Disc" << false;
    QTest::newRow("medium moved into a group")
        << "laserMedium" << false << "move:classics" << false << "EditMedia" << true << "Laser Medium" << true;
    QTest::newRow("box unreadable after its editor")
        << "zetaBox" << false << "remove" << false << "EditBox" << true << "-" << true;
}

void TestCommands::editOutcome()
{
    QFETCH(QString, item);
    QFETCH(bool, flat);
    QFETCH(QString, change);
    QFETCH(bool, cancel);
    QFETCH(QString, editor);
    QFETCH(bool, done);
    QFETCH(QString, text);
    QFETCH(bool, refill);

    const QString key = keyFor(item);
    const KeyTree tree = KeyTree::Filled(flat);
    FakeEditors editors;
    editors.blnCancel = cancel;
    editors.change = [&](const QString& k) {
        const auto it = Collections::Item(k);
        if (change == "label") {
            Collections::ItemAs<CMovie>(k)->setStrLabel("Extended Cut");
        } else if (change == "rename") {
            it->setDisplayName("Renamed");
        } else if (change.startsWith("move:")) {
            const QString parent = keyFor(change.mid(5));
            it->setProperty("lngParentType", KeyPrefixToType(parent.left(1)));
            it->setProperty("lngParentID", parent.mid(1).toInt());
        } else if (change == "remove") {
            gBoxes->Remove(k);
        }
    };

    const EditOutcome edited = EditItem(editors, tree, key);
    QCOMPARE(editors.calls, QStringList{editor + "(" + key + ")"});
    QCOMPARE(edited.strKey, done ? key : QString());
    QCOMPARE(edited.nodeText.has_value(), text != "-");
    if (edited.nodeText) {
        QCOMPARE(*edited.nodeText, text);
    }
    QCOMPARE(edited.blnRefill, refill);
    if (change.startsWith("move:") && item != "classics") {
        // The child lists follow the move at once.
        QVERIFY(Collections::Children(keyFor(change.mid(5))).contains(key));
    }
}

void TestCommands::deleteQuestion_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("question");
    QTest::newRow("category") << "comedy"
                              << "Do you wish do delete the category, and everything in it?";
    QTest::newRow("group") << "classics"
                           << "Do you wish do delete the subcategory, and everything in it?";
    QTest::newRow("box") << "zetaBox"
                         << "Do you wish do delete the box, and everything in it?";
    QTest::newRow("medium") << "boxDisc"
                            << "Do you wish do delete the media, and everything in it?";
    QTest::newRow("movie") << "alphaMovie"
                           << "Do you wish do delete the movie?";
}

void TestCommands::deleteQuestion()
{
    QFETCH(QString, item);
    QFETCH(QString, question);
    const QString key = keyFor(item);
    FakeEditors dialogs;
    dialogs.answer = false;
    const QStringList before = AllKeys();
    QVERIFY(!ConfirmDelete(dialogs, key, true));
    QCOMPARE(dialogs.calls, QStringList{"AskYesNo(" + question + ")"});
    QCOMPARE(AllKeys(), before);

    dialogs.answer = true;
    QVERIFY(ConfirmDelete(dialogs, key, true));
    dialogs.calls.clear();
    QVERIFY(ConfirmDelete(dialogs, key, false));
    QVERIFY(dialogs.calls.isEmpty());
}

void TestCommands::deleteBoxOrder()
{
    // A box with two media of three movies each: nine items, each medium's movies before the medium, the box last.
    const QString box = TestWorld::AddBox("Nine Box", "!0");
    QStringList expected;
    for (const QString disc : {"Disc 1", "Disc 2"}) {
        const QString medium = TestWorld::AddMedia(disc, box, "DVD");
        for (const QString title : {"1", "2", "3"}) {
            expected << TestWorld::AddMovie(title, medium, "");
        }
        expected << medium;
    }
    expected << box;
    LoadCollections(m_dbDir);
    const KeyTree tree = KeyTree::Filled(false);
    QStringList folders;
    for (const QString& key : expected) {
        folders << Collections::Item(key)->Path();
        QVERIFY(QDir(folders.last()).exists());
    }

    QStringList order;
    for (const DeleteStep& step : DeleteOrder(box, tree)) {
        order << step.strKey;
    }
    QCOMPARE(order, expected);

    const int before = int(AllKeys().size());
    const DeleteOutcome deleted = DeleteItem(tree, box);
    QCOMPARE(deleted.removed, expected);
    QVERIFY(deleted.failed.isEmpty());
    QVERIFY(DeleteFailureMessage(deleted).isEmpty());
    QCOMPARE(int(AllKeys().size()), before - 9);
    for (int i = 0; i < expected.size(); ++i) {
        QVERIFY(!Collections::Item(expected.at(i)));
        QVERIFY2(!QDir(folders.at(i)).exists(), qPrintable(folders.at(i)));
    }
}

void TestCommands::deleteRebuildsChildLists()
{
    const KeyTree tree = KeyTree::Filled(false);
    QVERIFY(Collections::Children(m_store.zetaBox).contains(m_store.boxDisc));
    QVERIFY(Collections::Children(m_store.boxDisc).contains(m_store.deepMovie));
    QCOMPARE(DeleteItem(tree, m_store.boxDisc).removed, (QStringList{m_store.deepMovie, m_store.boxDisc}));
    // No list still offers the deleted medium or its movie.
    for (const SortPairList* list :
         {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren, &gMediaChildren, &gFlatItems}) {
        for (int i = 1; i <= list->UBound(); ++i) {
            QVERIFY((*list)[i].strKey != m_store.boxDisc);
            QVERIFY((*list)[i].strKey != m_store.deepMovie);
        }
    }
    QCOMPARE(Collections::Children(m_store.zetaBox), QStringList{m_store.boxMovie});

    DeleteItem(tree, m_store.alphaMovie);
    QVERIFY(!Collections::Children("!0").contains(m_store.alphaMovie));
}

void TestCommands::deleteWithFailingRemoval_data()
{
    QTest::addColumn<QStringList>("failing"); // titles and names whose removal fails; "*" every one
    QTest::addColumn<QStringList>("tried");
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("one movie") << QStringList{"b"} << QStringList{"a", "b", "c", "d", "Disc 2"}
                               << QStringList{"a", "c", "d", "Disc 2"} << QStringList{"Disc 1", "Box"};
    QTest::newRow("a medium") << QStringList{"Disc 2"} << QStringList{"a", "b", "c", "Disc 1", "d", "Disc 2"}
                              << QStringList{"a", "b", "c", "Disc 1", "d"} << QStringList{"Box"};
    QTest::newRow("the box itself") << QStringList{"Box"} << QStringList{"a", "b", "c", "Disc 1", "d", "Disc 2", "Box"}
                                    << QStringList{"a", "b", "c", "Disc 1", "d", "Disc 2"} << QStringList{};
    QTest::newRow("nothing can go") << QStringList{"*"} << QStringList{"a", "b", "c", "d"} << QStringList{}
                                    << QStringList{"Disc 1", "Disc 2", "Box"};
}

void TestCommands::deleteWithFailingRemoval()
{
    QFETCH(QStringList, failing);
    QFETCH(QStringList, tried);
    QFETCH(QStringList, removed);
    QFETCH(QStringList, kept);

    const QString box = TestWorld::AddBox("Box", "!0");
    const QString disc1 = TestWorld::AddMedia("Disc 1", box, "DVD");
    const QString disc2 = TestWorld::AddMedia("Disc 2", box, "DVD");
    for (const QString title : {"a", "b", "c"}) {
        TestWorld::AddMovie(title, disc1, "");
    }
    TestWorld::AddMovie("d", disc2, "");
    LoadCollections(m_dbDir);
    const KeyTree tree = KeyTree::Filled(false);

    // A removal that fails keeps the item, as the store does when a folder cannot be deleted. Each key is tried
    // once: the old walk asked the node for its first child again and again.
    QStringList calls;
    const Remover remove = [&](const QString& key) {
        calls << Collections::ItemName(key);
        if (calls.size() > 50) {
            return true; // a walk that loops ends here, and the comparison below fails
        }
        if (failing.contains("*") || failing.contains(Collections::ItemName(key))) {
            return false;
        }
        return RemoveFromCollection(key);
    };
    const QStringList before = AllKeys();
    const DeleteOutcome deleted = DeleteItem(tree, box, remove);
    QCOMPARE(calls, tried);
    const auto names = [](const QStringList& keys) {
        QStringList out;
        for (const QString& key : keys) {
            out << Collections::ItemName(key);
        }
        return out;
    };
    QCOMPARE(int(deleted.removed.size()), int(removed.size()));
    QCOMPARE(names(deleted.kept), kept);
    for (const QString& key : deleted.removed) {
        QVERIFY(!Collections::Item(key));
    }
    QCOMPARE(int(AllKeys().size()), int(before.size() - removed.size()));
    QCOMPARE(Orphans(), QStringList());

    const QString message = DeleteFailureMessage(deleted);
    for (const QString& key : deleted.failed) {
        QVERIFY2(message.contains('"' + Collections::ItemName(key) + '"'), qPrintable(message));
    }
    QCOMPARE(message.contains("stays as well"), !kept.isEmpty());
}

void TestCommands::deleteWithoutNode_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("gone");
    QTest::newRow("category with a group and a movie in it")
        << "drama" << QStringList{"classicMovie", "classics", "drama"};
    QTest::newRow("category with media and a movie")
        << "comedy" << QStringList{"laserMedium", "spacedLaser", "blankDvd", "comedyMovie", "comedy"};
    QTest::newRow("group holding a box") << "looseGroup" << QStringList{"groupBox", "looseGroup"};
    // Edited by hand: two groups each inside the other, one holding a movie.
    QTest::newRow("groups in a loop") << "loopA" << QStringList{"loopMovie", "loopB", "loopA"};
}

void TestCommands::deleteWithoutNode()
{
    QFETCH(QString, item);
    QFETCH(QStringList, gone);
    QHash<QString, QString> made;
    if (item == "loopA") {
        made["loopA"] = TestWorld::AddGroup("Loop A", "!0");
        made["loopB"] = TestWorld::AddGroup("Loop B", made["loopA"]);
        made["loopMovie"] = TestWorld::AddMovie("Loop Movie", made["loopA"], "");
        auto loopA = gGroups->Item(made["loopA"]);
        loopA->setLngParentType(2);
        loopA->setLngParentID(made["loopB"].mid(1).toInt());
        gGroups->Update(made["loopA"]);
        LoadCollections(m_dbDir);
    }
    const auto keyOf = [&](const QString& name) { return made.value(name, keyFor(name)); };
    const QString key = keyOf(item);
    // The flat view has no category or group nodes.
    const KeyTree tree = KeyTree::Filled(true);
    QVERIFY(!tree.HasNode(key));

    const DeleteOutcome deleted = DeleteItem(tree, key);
    QStringList goneKeys;
    for (const QString& name : gone) {
        goneKeys << keyOf(name);
    }
    // Each once, the chosen item last; what the flat view showed of it is among them, so its nodes go too.
    QCOMPARE(int(deleted.removed.size()), int(goneKeys.size()));
    QCOMPARE(QSet<QString>(deleted.removed.begin(), deleted.removed.end()),
             QSet<QString>(goneKeys.begin(), goneKeys.end()));
    QCOMPARE(deleted.removed.last(), key);
    for (const QString& k : goneKeys) {
        QVERIFY2(!Collections::Item(k), qPrintable(k));
    }
    QCOMPARE(Orphans(), QStringList());
}

void TestCommands::rootDoesNothing()
{
    const KeyTree tree = KeyTree::Filled(false);
    FakeEditors editors;
    const QStringList before = AllKeys();
    QVERIFY(!ConfirmDelete(editors, "!0", true));
    QVERIFY(!ConfirmDelete(editors, "!0", false));
    QVERIFY(DeleteOrder("!0", tree).isEmpty());
    QVERIFY(DeleteItem(tree, "!0").removed.isEmpty());
    QVERIFY(!EditItem(editors, tree, "!0").nodeText);
    QVERIFY(EditItem(editors, tree, "").strKey.isEmpty());
    QVERIFY(editors.calls.isEmpty());
    QCOMPARE(AllKeys(), before);

    // An editor that saves nothing leaves nothing to do.
    editors.blnCancel = true;
    const AddOutcome added = AddMovie(editors, tree, m_store.comedy);
    QVERIFY(added.strKey.isEmpty());
    QVERIFY(!added.node);
    QCOMPARE(AllKeys(), before);
}

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_itemcommands.moc"
