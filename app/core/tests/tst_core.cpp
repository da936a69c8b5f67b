#include "CollectionWorld.h"

#include "core/BackgroundLoad.h"
#include "core/Collections.h"
#include "core/CommandState.h"
#include "core/ItemView.h"
#include "core/MainLayout.h"
#include "core/TreeNodes.h"

#include "AnsiText.h"

#include <QFile>
#include <QtTest>

using namespace TestWorld;

namespace {

// Stands in for a progress bar: the loads step its "Value".
class Counter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Value READ value WRITE setValue)

public:
    int value() const { return m_value; }
    void setValue(int value) { m_value = value; }

private:
    int m_value = 0;
};

} // namespace

// The main window's rules without the window: the collection facade, the command state, the tree-node rules, the
// find rule and the item view's page step, over the sample store the window tests browse.
class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SetUpEnvironment(); }
    void init();
    void cleanup();

    void facade();
    void loadAll();
    void backgroundLoad();
    void cancelledBackgroundLoad();
    void commandState_data();
    void commandState();
    void nodeRules_data();
    void nodeRules();
    void findNext_data();
    void findNext();
    void itemView();
    void itemPageWriteFailure();
    void panes();
    void barDrag_data();
    void barDrag();

private:
    QString keyFor(const QString& name) const;

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    SampleStore m_store;
};

QString TestCore::keyFor(const QString& name) const
{
    return m_store.Key(name);
}

void TestCore::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_store = LoadSample(m_dbDir, ChildLists::Build);
}

void TestCore::cleanup()
{
    RemoveTempFolder();
    gTempFolder.clear();
    m_dir.reset();
}

void TestCore::facade()
{
    QCOMPARE(Collections::ItemName(m_store.comedy), QString("Comedy"));
    QCOMPARE(Collections::ItemName(m_store.classics), QString("Classics"));
    QCOMPARE(Collections::ItemName(m_store.alphaMovie), QString("Alpha Movie")); // the bare title, no label
    QVERIFY(Collections::Item(m_store.zetaBox));
    for (const QString& key : {QString("!0"), QString(), QString("X1"), QString("c1"), QString("M999")}) {
        QVERIFY2(!Collections::Item(key), qPrintable(key));
        QVERIFY2(Collections::ParentKey(key).isEmpty(), qPrintable(key));
    }

    QCOMPARE(Collections::ParentKey(m_store.comedy), QString()); // categories hang under nothing stored
    QCOMPARE(Collections::ParentKey(m_store.classics), m_store.drama);
    QCOMPARE(Collections::ParentKey(m_store.looseGroup), QString("!0"));
    QCOMPARE(Collections::ParentKey(m_store.orphanGroup), QString("C999")); // gone, but still what the record says
    QCOMPARE(Collections::ParentKey(m_store.groupBox), m_store.looseGroup);
    QCOMPARE(Collections::ParentKey(m_store.boxDisc), m_store.zetaBox);
    QCOMPARE(Collections::ParentKey(m_store.deepMovie), m_store.boxDisc);

    QCOMPARE(Collections::Children("!0"), QStringList({m_store.alphaMovie, m_store.zetaBox}));
    QCOMPARE(Collections::Children(m_store.comedy),
             QStringList({m_store.blankDvd, m_store.comedyMovie, m_store.laserMedium, m_store.spacedLaser}));
    QCOMPARE(Collections::Children(m_store.zetaBox), QStringList({m_store.boxDisc, m_store.boxMovie}));
    QCOMPARE(Collections::Children(m_store.boxDisc), QStringList({m_store.deepMovie}));
    QCOMPARE(Collections::Children(m_store.drama), QStringList()); // a group is no child-list entry
    QCOMPARE(Collections::Children(m_store.alphaMovie), QStringList());
    QCOMPARE(Collections::Children("B999"), QStringList());

    // Depth walks the same parents: a medium in a box under the root is two down; a movie ends the walk.
    QCOMPARE(GetKeyDepth(m_store.zetaBox), 1);
    QCOMPARE(GetKeyDepth(m_store.boxDisc), 2);
    QCOMPARE(GetKeyDepth(m_store.groupBox), 2);
    QCOMPARE(GetKeyDepth(m_store.classics), 2);
    QCOMPARE(GetKeyDepth(m_store.deepMovie), 0);
}

void TestCore::loadAll()
{
    // Start-up and reload load through the same call: every kind afresh, one step per entry.
    gMovies->Clear();
    const int entries = Collections::EntryCount(m_dbDir);
    QCOMPARE(entries, 2 + 3 + 2 + 4 + 6); // categories, groups, boxes, media, movies
    const auto oldMovies = gMovies;
    Counter counter;
    Collections::LoadAll(m_dbDir, &counter);
    QCOMPARE(counter.value(), entries);
    QVERIFY(gMovies != oldMovies);
    QCOMPARE(gMovies->Count(), 6);
    QCOMPARE(gCategories->Count(), 2);
    QVERIFY(!gMovies->PGB());

    Collections::LoadAll(m_dir->path("nothing-here"), nullptr);
    QCOMPARE(gMovies->Count(), 0);
    QCOMPARE(Collections::EntryCount(m_dir->path("nothing-there")), 0);
}

namespace {

// Every item of the five collections in the globals, in collection order, with the thread it belongs to.
QStringList LoadedItems()
{
    QStringList items;
    const auto add = [&items](const auto& collection) {
        for (const auto& item : *collection) {
            items << item->strKey() + u' ' + item->Path() + (item->thread() == QThread::currentThread() ? "" : " away");
        }
    };
    add(gCategories);
    add(gGroups);
    add(gBoxes);
    add(gMedias);
    add(gMovies);
    return items;
}

} // namespace

void TestCore::backgroundLoad()
{
    // Enough movies of one sort key for the load's readers to share the work, and for their order to tell.
    for (int i = 0; i < 40; ++i) {
        AddMovie("Same Title", m_store.comedy, "DVD");
    }
    Collections::LoadAll(m_dbDir, nullptr);
    const QStringList direct = LoadedItems();
    const auto oldMovies = gMovies;

    BackgroundLoad load(m_dbDir);
    while (!load.Finished()) {
        QThread::msleep(1);
    }
    QCOMPARE(gMovies, oldMovies); // the globals wait for the install
    std::optional<Collections::Loaded> loaded = load.Take();
    QVERIFY(loaded);
    QCOMPARE(load.Total(), Collections::EntryCount(m_dbDir));
    QCOMPARE(load.Done(), load.Total());
    Collections::Install(std::move(*loaded));
    QVERIFY(gMovies != oldMovies);
    QCOMPARE(LoadedItems(), direct);
}

void TestCore::cancelledBackgroundLoad()
{
    const QStringList before = LoadedItems();
    const auto oldMovies = gMovies;
    const auto oldCategories = gCategories;
    for (const bool atOnce : {true, false}) {
        BackgroundLoad load(m_dbDir);
        if (!atOnce) {
            while (!load.Finished()) {
                QThread::msleep(1);
            }
        }
        // Whenever it comes, Cancel drops whatever was read.
        load.Cancel();
        QVERIFY(!load.Take());
    }
    QCOMPARE(gMovies, oldMovies);
    QCOMPARE(gCategories, oldCategories);
    QCOMPARE(LoadedItems(), before);
}

void TestCore::commandState_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("enabled");
    const QStringList imports{"mnuImport", "mnuUEFImport", "btnUEFImport", "mnuOrbelImport", "btnOrbelImport"};
    const QStringList exports{"mnuOrbelExport", "btnOrbelExport", "mnuToolsDVDOrbelSubmit", "mnuExport"};
    const QStringList news{"mnuNewCategory", "mnuNewBox", "mnuNewMedia", "mnuNewMovie"};
    QTest::newRow("root") << "root" << news + QStringList{"mnuNewSubcategory"} + imports;
    QTest::newRow("category") << "comedy" << news + QStringList{"mnuNewSubcategory", "mnuDelete"} + imports;
    QTest::newRow("group") << "classics" << news + QStringList{"mnuDelete"} + imports;
    QTest::newRow("box") << "zetaBox"
                         << QStringList({"mnuNewCategory", "mnuNewMedia", "mnuNewMovie", "mnuDelete", "mnuOrbelExport",
                                         "btnOrbelExport", "mnuExport"});
    QTest::newRow("medium in a category")
        << "laserMedium" << QStringList({"mnuNewCategory", "mnuNewMovie", "mnuDelete"}) + exports;
    QTest::newRow("medium in a box") << "boxDisc" << QStringList({"mnuNewCategory", "mnuNewMovie", "mnuDelete"});
    QTest::newRow("movie under the root") << "alphaMovie" << QStringList({"mnuDelete"}) + exports;
    QTest::newRow("movie in a group") << "classicMovie" << QStringList({"mnuDelete"}) + exports;
    QTest::newRow("movie in a box") << "boxMovie" << QStringList({"mnuDelete"});
    QTest::newRow("movie in a medium") << "deepMovie" << QStringList({"mnuDelete"});
    // An item that is not loaded counts as boxed: nothing may travel that cannot be read.
    QTest::newRow("movie not loaded") << "M999" << QStringList({"mnuDelete"});
    QTest::newRow("lower-case letter") << "c1" << QStringList();
    QTest::newRow("unknown letter") << "X1" << QStringList();
    QTest::newRow("empty key") << "" << QStringList();
}

void TestCore::commandState()
{
    QFETCH(QString, name);
    QFETCH(QStringList, enabled);
    const QStringList got = CommandState::EnabledCommands(keyFor(name));
    QCOMPARE(QSet<QString>(got.begin(), got.end()), QSet<QString>(enabled.begin(), enabled.end()));
    QCOMPARE(got.size(), enabled.size());
    for (const QString& command : got) {
        QVERIFY2(CommandState::ManagedCommands().contains(command), qPrintable(command));
    }
    QCOMPARE(CommandState::ManagedCommands().size(), 15);
}

void TestCore::nodeRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("selectedImage");
    QTest::addColumn<QString>("fullParent");
    QTest::addColumn<QString>("flatParent");
    QTest::newRow("category") << "comedy"
                              << "Comedy"
                              << "imgCategoryClosed"
                              << "imgCategoryOpen"
                              << "root"
                              << "root";
    QTest::newRow("group") << "classics"
                           << "Classics"
                           << "imgSubCategoryClosed"
                           << "imgSubCategoryOpen"
                           << "drama"
                           << "drama";
    QTest::newRow("box in a group") << "groupBox"
                                    << "Group Box"
                                    << "imgBoxClosed"
                                    << "imgBoxOpen"
                                    << "looseGroup"
                                    << "root";
    QTest::newRow("laserdisc any case") << "laserMedium"
                                        << "Laser Medium"
                                        << "imgLDClosed"
                                        << "imgLDOpen"
                                        << "comedy"
                                        << "root";
    QTest::newRow("laser disc with blank") << "spacedLaser"
                                           << "Spaced Laser"
                                           << "imgMediaClosed"
                                           << "imgMediaOpen"
                                           << "comedy"
                                           << "root";
    QTest::newRow("DVD medium in a box") << "boxDisc"
                                         << "Box Disc"
                                         << "imgDVDClosed"
                                         << "imgDVDOpen"
                                         << "zetaBox"
                                         << "zetaBox";
    QTest::newRow("movie with label") << "alphaMovie"
                                      << "Alpha Movie (Director's Cut)"
                                      << "imgDVDClosed"
                                      << "imgDVDOpen"
                                      << "root"
                                      << "root";
    QTest::newRow("movie in a medium") << "deepMovie"
                                       << "Deep Movie"
                                       << "imgMovieClosed"
                                       << "imgMovieOpen"
                                       << "boxDisc"
                                       << "boxDisc";
    QTest::newRow("VHS movie in a box") << "boxMovie"
                                        << "Box Movie"
                                        << "imgVHSClosed"
                                        << "imgVHSOpen"
                                        << "zetaBox"
                                        << "zetaBox";
    QTest::newRow("lower-case svcd") << "comedyMovie"
                                     << "Comedy Movie"
                                     << "imgVCDClosed"
                                     << "imgVCDOpen"
                                     << "comedy"
                                     << "root";
    QTest::newRow("no media kind") << "classicMovie"
                                   << "Classic Movie"
                                   << "imgMovieClosed"
                                   << "imgMovieOpen"
                                   << "classics"
                                   << "root";
    QTest::newRow("parent gone") << "lostMovie"
                                 << "Lost Movie"
                                 << "imgVHSClosed"
                                 << "imgVHSOpen"
                                 << "S999"
                                 << "root";
}

void TestCore::nodeRules()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, image);
    QFETCH(QString, selectedImage);
    QFETCH(QString, fullParent);
    QFETCH(QString, flatParent);
    const QString key = keyFor(name);
    for (const bool flat : {false, true}) {
        const std::optional<TreeNode> node = TreeNodes::NodeOf(key, flat);
        QVERIFY(node);
        QCOMPARE(node->strKey, key);
        QCOMPARE(node->strText, text);
        QCOMPARE(node->strTag, Collections::ItemName(key));
        QCOMPARE(node->strImage, image);
        QCOMPARE(node->strSelectedImage, selectedImage);
        QCOMPARE(node->strExpandedImage, key.startsWith('S') ? QString("imgSubCategoryOpen") : QString());
        QCOMPARE(node->strParentKey, keyFor(flat ? flatParent : fullParent));
        QCOMPARE(node->blnRootWhenParentMissing, key.startsWith('M'));
    }
}

void TestCore::findNext_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("lower case finds upper case") << "root"
                                                 << "comedy movie"
                                                 << "comedyMovie";
    QTest::newRow("text only in the label") << "root"
                                            << "director"
                                            << "";
    QTest::newRow("last node") << "deepMovie"
                               << "movie"
                               << "";
    QTest::newRow("no wrap") << "classicMovie"
                             << "alpha"
                             << "";
    QTest::newRow("root never matches") << "comedy"
                                        << "vidsora"
                                        << "";
    QTest::newRow("empty text takes the next named node") << "root"
                                                          << ""
                                                          << "comedy";
    QTest::newRow("continues after the start") << "comedyMovie"
                                               << "MOVIE"
                                               << "classicMovie";
    QTest::newRow("start not in the tree") << "B999"
                                           << ""
                                           << "";
    QTest::newRow("item not loaded is skipped") << "drama"
                                                << ""
                                                << "classicMovie";
}

void TestCore::findNext()
{
    QFETCH(QString, start);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QStringList order{"!0",          m_store.comedy, m_store.alphaMovie,   m_store.comedyMovie,
                            m_store.drama, "M999",         m_store.classicMovie, m_store.deepMovie};
    QCOMPARE(TreeNodes::FindNext(order, keyFor(start), text), expected.isEmpty() ? QString() : keyFor(expected));
}

void TestCore::itemView()
{
    QVERIFY(CreateTempFolder());
    const ItemView root = ItemViews::Make("!0");
    // Two items under the root, four in a category, three in groups (the lost movie counts with the groups).
    QCOMPARE(root.strSmall, QString("9 items"));
    QCOMPARE(root.strLarge, std::optional<QString>("Vidsora: Personal (" + GetVersionText() + ")"));
    QVERIFY(root.strPage.isEmpty());
    QVERIFY(!ItemViews::WritePage(root));

    const ItemView category = ItemViews::Make(m_store.comedy);
    QCOMPARE(category.strLarge, std::optional<QString>("Comedy"));
    QVERIFY(category.strPage.isEmpty());
    QVERIFY(!ItemViews::Make("S999").strLarge); // the panel keeps what it showed

    const ItemView movie = ItemViews::Make(m_store.alphaMovie);
    QCOMPARE(movie.strLarge, std::optional<QString>("Alpha Movie"));
    QCOMPARE(movie.strFile, gTempFolder + "/" + m_store.alphaMovie + ".html");
    QVERIFY(movie.strPage.contains("Alpha Movie"));
    QVERIFY(movie.strPage.endsWith("\r\n"));
    QVERIFY(ItemViews::WritePage(movie));
    QCOMPARE(AnsiText::ReadFile(movie.strFile), movie.strPage);

    const ItemView box = ItemViews::Make(m_store.zetaBox);
    QVERIFY(box.strPage.contains("Box Disc")); // a box's page lists what it holds
    QVERIFY(box.strPage.contains("Deep Movie"));
}

void TestCore::itemPageWriteFailure()
{
    // A temporary folder whose path runs through a file: the page cannot be written, and says so.
    const QString file = m_dir->path("not-a-folder");
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    gTempFolder = file + "/VDS";
    const ItemView movie = ItemViews::Make(m_store.alphaMovie);
    QVERIFY(!movie.strPage.isEmpty());
    QVERIFY(!ItemViews::WritePage(movie));

    // No folder at all (it could not be made): the page has no file, and nothing is written at the root.
    gTempFolder.clear();
    const ItemView homeless = ItemViews::Make(m_store.alphaMovie);
    QVERIFY(!homeless.strPage.isEmpty());
    QVERIFY(homeless.strFile.isEmpty());
    QVERIFY(!ItemViews::WritePage(homeless));
    QVERIFY(!QFileInfo::exists("/" + m_store.alphaMovie + ".html"));
}

void TestCore::panes()
{
    const MainLayout::Panes panes = MainLayout::Layout(12000, 9000, 3000);
    QCOMPARE(panes.height, 8970.0);
    QCOMPARE(panes.treeLeft, 15.0);
    QCOMPARE(panes.treeWidth, 2985.0);
    QCOMPARE(panes.webLeft, 3030.0);
    QCOMPARE(panes.webWidth, 8985.0);
    QCOMPARE(MainLayout::Layout(12000, 20, 3000).height, 0.0); // never negative in a squeezed window
    QCOMPARE(MainLayout::BarLeft(12000, 0.25), 2992.5);
}

void TestCore::barDrag_data()
{
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("dragTo");
    QTest::addColumn<bool>("relayout");
    QTest::addColumn<double>("releaseTo"); // -1: the bar stays where it was released
    QTest::newRow("inside the bounds") << 3000.0 << 100.0 << 3085.0 << true << -1.0;
    QTest::newRow("on the left bound") << 2000.0 << 15.0 << 2000.0 << true << -1.0;
    QTest::newRow("a rounding error short of the bound") << 2000.0 - 1e-9 << 15.0 << 2000.0 - 1e-9 << true << -1.0;
    QTest::newRow("beyond the left bound") << 1500.0 << 500.0 << 2000.0 << false << 2000.0;
    QTest::newRow("beyond the right bound") << 10500.0 << 0.0 << 10000.0 << false << 10000.0;
    QTest::newRow("on the right bound") << 10000.0 << 45.0 << 10030.0 << true << -1.0;
}

void TestCore::barDrag()
{
    QFETCH(double, left);
    QFETCH(double, x);
    QFETCH(double, dragTo);
    QFETCH(bool, relayout);
    QFETCH(double, releaseTo);
    constexpr double width = 12000;
    const MainLayout::BarMove move = MainLayout::Drag(width, left, x);
    QCOMPARE(move.left, dragTo);
    QCOMPARE(move.split, dragTo / (width - MainLayout::kBarWidth));
    QCOMPARE(move.relayout, relayout);
    const std::optional<MainLayout::BarMove> released = MainLayout::Release(width, left);
    QCOMPARE(bool(released), releaseTo >= 0);
    if (released) {
        QCOMPARE(released->left, releaseTo);
        QCOMPARE(released->split, releaseTo / (width - MainLayout::kBarWidth));
    }
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
