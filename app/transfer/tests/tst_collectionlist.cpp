// The collection list: which items get a row, the category and group fields by the item's place, the order of the
// rows, and fields that hold the list's own separators.

#include "TransferWorld.h"

#include "transfer/CollectionList.h"

#include "CCategories.h"
#include "CGroups.h"

#include <QtTest>

using namespace TransferWorld;

namespace {

const QChar kSep(0x0F);
const QString kNone = QString(QChar(0xFF));

QString Row(const QStringList& fields)
{
    return fields.join(kSep) + QStringLiteral("\r\n");
}

void SetParent(const QString& group, int type, int id)
{
    const auto item = gGroups->Item(group);
    item->setLngParentType(type);
    item->setLngParentID(id);
    gGroups->Update(group);
}

} // namespace

class TestCollectionList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(RegisterCodevet()); }
    void init() { NewWorld(QStringLiteral("store")); }

    void placeFields_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QStringList>("fields"); // fields 1 to 4, or empty for no row

        QTest::newRow("root") << "root" << QStringList{"", kNone, "", kNone};
        QTest::newRow("category") << "category" << QStringList{"Drama", "DRAMA", "", kNone};
        QTest::newRow("group under the root") << "looseGroup" << QStringList{"", kNone, "Loose Group", "LOOSE GROUP"};
        QTest::newRow("group under a category") << "classics" << QStringList{"Drama", "DRAMA", "Classics", "CLASSICS"};
        QTest::newRow("missing category") << "C999" << QStringList{};
        QTest::newRow("missing group") << "S999" << QStringList{};
        QTest::newRow("group of a missing category") << "orphanGroup" << QStringList{};
        QTest::newRow("group under a group") << "nestedGroup" << QStringList{};
        QTest::newRow("inside a box") << "box" << QStringList{};
        QTest::newRow("inside a medium") << "medium" << QStringList{};
    }
    void placeFields()
    {
        QFETCH(QString, place);
        QFETCH(QStringList, fields);
        const QString drama = TestWorld::AddCategory(QStringLiteral("Drama"));
        const QHash<QString, QString> places{
            {"root", "!0"},
            {"category", drama},
            {"looseGroup", TestWorld::AddGroup(QStringLiteral("Loose Group"), "!0")},
            {"classics", TestWorld::AddGroup(QStringLiteral("Classics"), drama)},
            {"C999", "C999"},
            {"S999", "S999"},
            {"orphanGroup", TestWorld::AddGroup(QStringLiteral("Orphan"), "C999")},
            {"box", TestWorld::AddBox(QStringLiteral("Holder"), "C999")},
            {"medium", TestWorld::AddMedia(QStringLiteral("Disc"), "C999", "DVD")},
        };
        QString parent = places.value(place);
        if (place == u"nestedGroup") {
            parent = TestWorld::AddGroup(QStringLiteral("Nested"), "!0");
            SetParent(parent, 2, places.value("looseGroup").mid(1).toInt());
        }
        // The same place for a movie, a medium and a box, each with a valid code, spaces around the box's.
        const QString movie = TestWorld::AddMovie(QStringLiteral("The Movie"), parent, "DVD");
        SetCode(movie, kCodeA);
        const QString medium = TestWorld::AddMedia(QStringLiteral("A Medium"), parent, "DVD");
        SetCode(medium, kCodeB);
        const QString box = TestWorld::AddBox(QStringLiteral("A Box"), parent);
        SetCode(box, QStringLiteral(" ") + kCodeC + QStringLiteral(" "));
        // Items of the box and the medium used as places are never listed.
        SetCode(places.value("box"), QString());
        SetCode(places.value("medium"), QString());

        const QString list = BuildCollectionList();
        if (fields.isEmpty()) {
            QCOMPARE(list, QString());
            return;
        }
        const QString expected = Row(fields + QStringList{"The Movie", "MOVIE, THE", kCodeA}) +
                                 Row(fields + QStringList{"A Medium", "MEDIUM, A", kCodeB}) +
                                 Row(fields + QStringList{"A Box", "BOX, A", " " + kCodeC + " "});
        QCOMPARE(list, expected);
    }

    void itemsLeftOut()
    {
        const QString box = TestWorld::AddBox(QStringLiteral("Box"), "!0");
        SetCode(box, kCodeA);
        const QString disc = TestWorld::AddMedia(QStringLiteral("Disc in box"), box, "DVD");
        SetCode(disc, kCodeB);
        const QString inDisc = TestWorld::AddMovie(QStringLiteral("In disc"), disc, "DVD");
        SetCode(inDisc, kCodeC);
        const QString inBox = TestWorld::AddMovie(QStringLiteral("In box"), box, "DVD");
        SetCode(inBox, kCodeD);
        SetCode(TestWorld::AddMovie(QStringLiteral("No code"), "!0", "DVD"), QStringLiteral("   "));
        SetCode(TestWorld::AddMovie(QStringLiteral("Bad code"), "!0", "DVD"), QStringLiteral("036000291453"));

        QCOMPARE(BuildCollectionList(), Row({"", kNone, "", kNone, "Box", "BOX", kCodeA}));
        // Without a checker no code counts as valid.
        QCOMPARE(CollectionList::Build(nullptr), QString());
    }

    void orderIsMoviesMediaBoxesInCollectionOrder()
    {
        for (const char* name : {"Zulu Box", "Alpha Box"}) {
            SetCode(TestWorld::AddBox(QString::fromLatin1(name), "!0"), kCodeA);
        }
        for (const char* name : {"Yankee Disc", "Bravo Disc"}) {
            SetCode(TestWorld::AddMedia(QString::fromLatin1(name), "!0", "DVD"), kCodeB);
        }
        for (const char* name : {"X-Ray", "Charlie"}) {
            SetCode(TestWorld::AddMovie(QString::fromLatin1(name), "!0", "DVD"), kCodeC);
        }
        TestWorld::LoadCollections(gMovies->DBDir());
        QStringList names;
        for (const QString& row : BuildCollectionList().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            names << row.split(kSep).value(4);
        }
        QCOMPARE(names, (QStringList{"Charlie", "X-Ray", "Bravo Disc", "Yankee Disc", "Alpha Box", "Zulu Box"}));
    }

    void separatorsInsideFieldsBecomeBlanks()
    {
        const QString category = TestWorld::AddCategory(QStringLiteral("Cat"));
        gCategories->Item(category)->setStrName(QStringLiteral("Two\r\nLines"));
        gCategories->Update(category);
        const QString group = TestWorld::AddGroup(QStringLiteral("Grp"), category);
        gGroups->Item(group)->setStrSortKey(QStringLiteral("SO") + kSep + QStringLiteral("RT"));
        gGroups->Update(group);
        const QString movie =
            TestWorld::AddMovie(QStringLiteral("Line\nFeed") + kSep + QStringLiteral("Sep"), group, "DVD");
        gMovies->Item(movie)->setStrSortKey(QStringLiteral("CR\rONLY"));
        SetCode(movie, kCodeA);

        const QString list = BuildCollectionList();
        QCOMPARE(list, Row({"Two  Lines", "CAT", "Grp", "SO RT", "Line Feed Sep", "CR ONLY", kCodeA}));
        // One row of seven fields, and on the wire the separators are single bytes.
        QCOMPARE(list.count(QStringLiteral("\r\n")), 1);
        QCOMPARE(list.count(kSep), 6);
        const QByteArray bytes = AnsiText::Encode(list);
        QCOMPARE(bytes.size(), list.size());
        QCOMPARE(bytes.count('\x0F'), 6);
        QCOMPARE(CollectionList::Field(QStringLiteral("a\r\nb")), QStringLiteral("a  b"));
    }

    void rootRowBytes()
    {
        SetCode(TestWorld::AddMovie(QStringLiteral("Solo"), "!0", "DVD"), kCodeE);
        QCOMPARE(AnsiText::Encode(BuildCollectionList()),
                 QByteArray("\x0F\xFF\x0F\x0F\xFF\x0FSolo\x0FSOLO\x0F") + kCodeE.toLatin1() + "\r\n");
    }
};

int main(int argc, char** argv)
{
    TransferWorld::SetUp();
    QCoreApplication app(argc, argv);
    TestCollectionList test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_collectionlist.moc"
