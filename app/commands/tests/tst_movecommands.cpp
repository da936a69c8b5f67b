// The move procedures, the region list and the next node key without a window: what a move stores, what it refuses,
// that memory and store agree afterwards, which regions boxes and media report, and where a branch ends.

#include "CollectionWorld.h"
#include "CommandFakes.h"
#include "commands/MoveCommands.h"
#include "core/Collections.h"

#include "SafeFile.h"

#include <QTest>

#include <memory>

using namespace TestWorld;
using namespace MoveCommands;

class TestMoves : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SetUpEnvironment(); }
    void init();
    void cleanup();

    void move_data();
    void move();
    void moveThatCannotBeStored();
    void regions_data();
    void regions();
    void nextNodeKey_data();
    void nextNodeKey();
    void nextNodeKeyInTheFilledTree();

private:
    QString keyFor(const QString& name) const;
    // The parent key the store holds for key, read back from disk.
    QString StoredParent(const QString& key) const;

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    SampleStore m_store;
};

QString TestMoves::keyFor(const QString& name) const
{
    // "comedy+3" names a key three ids past comedy's, which is in no collection.
    const qsizetype plus = name.indexOf('+');
    if (plus > 0) {
        const QString key = m_store.Key(name.left(plus));
        return key.left(1) + QString::number(key.mid(1).toInt() + name.mid(plus + 1).toInt());
    }
    return m_store.Key(name);
}

QString TestMoves::StoredParent(const QString& key) const
{
    LoadCollections(m_dbDir);
    return Collections::ParentKey(key);
}

void TestMoves::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_store = LoadSample(m_dbDir);
}

void TestMoves::cleanup()
{
    SafeFile::Faults::Reset();
    gTempFolder.clear();
    m_dir.reset();
}

void TestMoves::move_data()
{
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<QString>("item");
    // A name of the sample store (it starts in lower case) stands for its key; other texts are used as they are.
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<QString>("parent"); // in memory and on disk afterwards

    QTest::newRow("movie to a group") << "MoveMovie"
                                      << "alphaMovie"
                                      << "classics" << true << "classics";
    QTest::newRow("movie to a category") << "MoveMovie"
                                         << "deepMovie"
                                         << "comedy" << true << "comedy";
    QTest::newRow("movie to a box") << "MoveMovie"
                                    << "alphaMovie"
                                    << "zetaBox" << true << "zetaBox";
    QTest::newRow("movie to a medium") << "MoveMovie"
                                       << "comedyMovie"
                                       << "laserMedium" << true << "laserMedium";
    QTest::newRow("movie to the root") << "MoveMovie"
                                       << "comedyMovie"
                                       << "!0" << true << "!0";
    QTest::newRow("movie to the root without a number") << "MoveMovie"
                                                        << "deepMovie"
                                                        << "!" << true << "!0";
    QTest::newRow("movie to '!5': no node") << "MoveMovie"
                                            << "comedyMovie"
                                            << "!5" << false << "comedy";
    QTest::newRow("movie to a movie") << "MoveMovie"
                                      << "comedyMovie"
                                      << "alphaMovie" << false << "comedy";
    QTest::newRow("movie to an empty target") << "MoveMovie"
                                              << "comedyMovie"
                                              << "" << false << "comedy";
    QTest::newRow("movie to a lower-case letter") << "MoveMovie"
                                                  << "comedyMovie"
                                                  << "s2" << false << "comedy";
    QTest::newRow("target 'C' without a number") << "MoveMovie"
                                                 << "alphaMovie"
                                                 << "C" << true << "C0";
    QTest::newRow("target number not a number") << "MoveMovie"
                                                << "alphaMovie"
                                                << "S3x" << true << "S0";
    QTest::newRow("target number too large") << "MoveMovie"
                                             << "alphaMovie"
                                             << "S99999999999" << true << "S0";
    QTest::newRow("target number with blanks") << "MoveMovie"
                                               << "alphaMovie"
                                               << "S 7 " << true << "S7";
    QTest::newRow("medium to a box") << "MoveMedia"
                                     << "laserMedium"
                                     << "groupBox" << true << "groupBox";
    QTest::newRow("medium to a group") << "MoveMedia"
                                       << "boxDisc"
                                       << "looseGroup" << true << "looseGroup";
    QTest::newRow("medium to a medium") << "MoveMedia"
                                        << "boxDisc"
                                        << "laserMedium" << false << "zetaBox";
    QTest::newRow("medium to the root") << "MoveMedia"
                                        << "boxDisc"
                                        << "!0" << true << "!0";
    QTest::newRow("box to a category") << "MoveBox"
                                       << "zetaBox"
                                       << "drama" << true << "drama";
    QTest::newRow("box to a box") << "MoveBox"
                                  << "zetaBox"
                                  << "groupBox" << false << "!0";
    QTest::newRow("box not in the boxes") << "MoveBox"
                                          << "zetaBox+5"
                                          << "comedy" << false << "";
    QTest::newRow("movie key given to the box move") << "MoveBox"
                                                     << "alphaMovie"
                                                     << "comedy" << false << "!0";
    QTest::newRow("group to a category") << "MoveSubcategory"
                                         << "looseGroup"
                                         << "comedy" << true << "comedy";
    QTest::newRow("group to a box") << "MoveSubcategory"
                                    << "classics"
                                    << "zetaBox" << false << "drama";
    QTest::newRow("group to a group") << "MoveSubcategory"
                                      << "classics"
                                      << "looseGroup" << false << "drama";
    QTest::newRow("group to the root") << "MoveSubcategory"
                                       << "classics"
                                       << "!0" << true << "!0";
}

void TestMoves::move()
{
    QFETCH(QString, procedure);
    QFETCH(QString, item);
    QFETCH(QString, target);
    QFETCH(bool, moved);
    QFETCH(QString, parent);

    const QHash<QString, bool (*)(const QString&, const QString&)> procedures{{"MoveMovie", &MoveMovie},
                                                                              {"MoveMedia", &MoveMedia},
                                                                              {"MoveBox", &MoveBox},
                                                                              {"MoveSubcategory", &MoveSubcategory}};
    const QString key = keyFor(item);
    const QString targetKey = target.size() > 2 && !target.front().isUpper() ? keyFor(target) : target;
    const QString expected = parent.size() > 2 && !parent.front().isUpper() ? keyFor(parent) : parent;

    QCOMPARE(procedures.value(procedure)(key, targetKey), moved);
    QCOMPARE(Collections::ParentKey(key), expected);
    QCOMPARE(StoredParent(key), expected);
}

void TestMoves::moveThatCannotBeStored()
{
    const QString key = m_store.comedyMovie;
    const auto movie = gMovies->Item(key);
    // The record cannot be written: the move is refused, and the movie keeps the parent its record holds.
    SafeFile::Faults::FailNth(SafeFile::Faults::Create, 1);
    QVERIFY(!MoveMovie(key, m_store.classics));
    SafeFile::Faults::Reset();
    QCOMPARE(Collections::ParentKey(key), m_store.comedy);
    QCOMPARE(movie->lngParentType(), 1);
    QCOMPARE(StoredParent(key), m_store.comedy);
}

void TestMoves::regions_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("regions");

    QTest::newRow("box: its media's movies and its own") << "zetaBox"
                                                         << "1, 2, 4, 5";
    QTest::newRow("medium in the box") << "boxDisc"
                                       << "1, 2, 4";
    QTest::newRow("box of one movie") << "groupBox"
                                      << "6";
    QTest::newRow("medium without movies") << "laserMedium"
                                           << "";
    QTest::newRow("category") << "comedy"
                              << "";
    QTest::newRow("group") << "classics"
                           << "";
    QTest::newRow("movie") << "deepMovie"
                           << "";
    QTest::newRow("root") << "!0"
                          << "";
    QTest::newRow("box not loaded") << "zetaBox+7"
                                    << "";
}

void TestMoves::regions()
{
    QFETCH(QString, item);
    QFETCH(QString, regions);

    const auto setMedia = [](const QString& key, const QString& media, const QString& region) {
        const auto movie = gMovies->Item(key);
        mTypMediaInfo info = movie->dMedia();
        info.strMedia = media;
        info.strDVDRegion = region;
        movie->setDMedia(info);
        gMovies->Update(key);
    };
    // In the disc of the box: a DVD of region 2, a "dvd" of 4 and 1, a tape whose region is not a DVD's.
    setMedia(m_store.deepMovie, "DVD", "2");
    setMedia(AddMovie("Lower Dvd", m_store.boxDisc, "dvd"), "dvd", "41");
    setMedia(AddMovie("Tape", m_store.boxDisc, "VHS"), "VHS", "3");
    // Loose in the box, and in another box; a DVD under the root counts for no box.
    setMedia(m_store.boxMovie, "DVD", "25");
    setMedia(AddMovie("Other Box Dvd", m_store.groupBox, "DVD"), "DVD", "6");
    setMedia(AddMovie("Root Dvd", "!0", "DVD"), "DVD", "3");
    // The disc's own record is not consulted, only its movies.
    const auto disc = gMedias->Item(m_store.boxDisc);
    mTypMediaInfo info = disc->dMedia();
    info.strDVDRegion = "3";
    disc->setDMedia(info);
    gMedias->Update(m_store.boxDisc);
    LoadCollections(m_dbDir);

    QCOMPARE(CollectDVDRegions(keyFor(item)), regions);
}

void TestMoves::nextNodeKey_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("next");

    QTest::newRow("first of two siblings") << "M1"
                                           << "M2";
    QTest::newRow("last in a medium: the medium's sibling") << "M2"
                                                            << "M5";
    QTest::newRow("last in a box, last in its group: up two levels") << "M5"
                                                                     << "M3";
    QTest::newRow("group") << "S1"
                           << "M3";
    QTest::newRow("category") << "C1"
                              << "C2";
    QTest::newRow("last in the first category") << "M3"
                                                << "C2";
    QTest::newRow("empty category") << "C2"
                                    << "B2";
    QTest::newRow("last top-level branch") << "B2"
                                           << "";
    QTest::newRow("last node of the last branch") << "M6"
                                                  << "";
    QTest::newRow("root") << "!0"
                          << "";
    QTest::newRow("key without a node") << "M99"
                                        << "";
    QTest::newRow("empty key") << ""
                               << "";
}

void TestMoves::nextNodeKey()
{
    QFETCH(QString, node);
    QFETCH(QString, next);

    // !0 ─ C1 ─ S1 ─ B1 ─ E1 ─ M1, M2
    //    │    │    │    └ M5
    //    │    └ M3
    //    ├ C2
    //    └ B2 ─ M6
    KeyTree tree;
    for (const auto& [parent, key] : std::initializer_list<std::pair<const char*, const char*>>{
             {"!0", "C1"},
             {"C1", "S1"},
             {"S1", "B1"},
             {"B1", "E1"},
             {"E1", "M1"},
             {"E1", "M2"},
             {"B1", "M5"},
             {"C1", "M3"},
             {"!0", "C2"},
             {"!0", "B2"},
             {"B2", "M6"},
         }) {
        QVERIFY(tree.Add(parent, key));
    }
    QCOMPARE(GetNextNodeKey(tree, node), next);
}

void TestMoves::nextNodeKeyInTheFilledTree()
{
    // The tree the window fills: after the box's disc comes the box's own movie, and after the last top-level
    // node nothing.
    const KeyTree tree = KeyTree::Filled(false);
    QCOMPARE(tree.ChildNodeKeys(m_store.zetaBox), QStringList({m_store.boxDisc, m_store.boxMovie}));
    QCOMPARE(GetNextNodeKey(tree, m_store.deepMovie), m_store.boxMovie);
    const QStringList top = tree.ChildNodeKeys("!0");
    QCOMPARE(GetNextNodeKey(tree, top.constLast()), QString());
    QCOMPARE(GetNextNodeKey(tree, top.constFirst()), top.at(1));
}

QTEST_GUILESS_MAIN(TestMoves)
#include "tst_movecommands.moc"
