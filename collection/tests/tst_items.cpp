#include "CBox.h"
#include "CCategory.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"
#include "TestStore.h"

#include <QtTest>

// Builds one item of a kind by name, so a test runs over several kinds.
static std::unique_ptr<CItem> Make(const QString& kind)
{
    if (kind == "category")
        return std::make_unique<CCategory>();
    if (kind == "group")
        return std::make_unique<CGroup>();
    if (kind == "box")
        return std::make_unique<CBox>();
    if (kind == "media")
        return std::make_unique<CMedia>();
    return std::make_unique<CMovie>();
}

class TestItems : public QObject
{
    Q_OBJECT

private slots:
    void idIsFixedOnceAndBuildsTheKey_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("initialId");
        QTest::addColumn<QString>("key");
        QTest::newRow("category") << "category" << -1 << "C7";
        QTest::newRow("group") << "group" << -1 << "S7";
        QTest::newRow("box") << "box" << 0 << "B7";
        QTest::newRow("media") << "media" << 0 << "E7";
        QTest::newRow("movie") << "movie" << 0 << "M7";
    }
    void idIsFixedOnceAndBuildsTheKey()
    {
        QFETCH(QString, kind);
        QFETCH(int, initialId);
        QFETCH(QString, key);
        auto item = Make(kind);
        QCOMPARE(item->lngID(), initialId);
        QVERIFY(item->strKey().isEmpty());
        QVERIFY(item->blFirstID());
        // Through the property, as callers that bind by name do.
        QVERIFY(item->setProperty("lngID", 7));
        item->setLngID(9);
        QCOMPARE(item->property("lngID").toInt(), 7);
        QCOMPARE(item->property("strKey").toString(), key);
        QVERIFY(!item->blFirstID());
    }

    void negativeIdKey()
    {
        CCategory c;
        c.setLngID(-3);
        QCOMPARE(c.strKey(), QString("C-3"));
    }

    void yearKeepsFourCharacters_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("five") << "19999"
                              << "1999";
        QTest::newRow("two") << "99"
                             << "99";
        QTest::newRow("empty") << ""
                               << "";
    }
    void yearKeepsFourCharacters()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        CMovie m;
        m.setProperty("strYear", in);
        QCOMPARE(m.strYear(), out);
    }

    void notesLoseTrailingLineEnds_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("two pairs") << "a\r\n\r\n"
                                   << "a";
        QTest::newRow("one pair") << "\r\n"
                                  << "";
        QTest::newRow("lone LF stays") << "a\n"
                                       << "a\n";
        QTest::newRow("lone CR stays") << "a\r"
                                       << "a\r";
        QTest::newRow("inner kept") << "a\r\n\r\nb"
                                    << "a\r\n\r\nb";
    }
    void notesLoseTrailingLineEnds()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        CMovie m;
        m.setStrNotes(in);
        m.setProperty("strSynopsis", in);
        QCOMPARE(m.strNotes(), out);
        QCOMPARE(m.strSynopsis(), out);
    }

    void mediaRecordIsCopiedByValue()
    {
        CMedia e;
        mTypMediaInfo info{"DVD", "DVD-9", "2", "", "Keepcase"};
        e.setProperty("dMedia", QVariant::fromValue(info));
        mTypMediaInfo copy = e.property("dMedia").value<mTypMediaInfo>();
        QCOMPARE(copy.strDVDType, QString("DVD-9"));
        copy.strMedia = "VHS";
        QCOMPARE(e.dMedia().strMedia, QString("DVD"));
        e.setDMedia(copy);
        QCOMPARE(e.dMedia(), copy);
    }

    // Cover operations on an item without a folder do nothing, and a movie without a folder never looks anywhere.
    void coversNeedAFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("box") << "box";
        QTest::newRow("media") << "media";
        QTest::newRow("movie") << "movie";
    }
    void coversNeedAFolder()
    {
        QFETCH(QString, kind);
        TestStore store;
        const QString src = store.path("src/Cover.jpg");
        TestStore::Write(src, "JPEG");
        auto item = Make(kind);
        auto* covered = static_cast<CCoveredItem*>(item.get());
        QVERIFY(QMetaObject::invokeMethod(covered, "AddFrontCover", Q_ARG(QString, src)));
        covered->AddBackCover(src);
        QVERIFY(covered->strFrontCover().isEmpty());
        QVERIFY(covered->property("strBackCover").toString().isEmpty());
        QCOMPARE(TestStore::Entries(store.path("src")), QStringList{"Cover.jpg"});
    }

    void addReplacesTheOldCoverOfThatSide_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("box") << "box";
        QTest::newRow("media") << "media";
        QTest::newRow("movie") << "movie";
    }
    void addReplacesTheOldCoverOfThatSide()
    {
        QFETCH(QString, kind);
        TestStore store;
        const QString folder = store.path("db/Boxes/Set.1");
        TestStore::Write(folder + "/FrontCover.gif", "GIF");
        TestStore::Write(folder + "/BackCover.png", "PNG");
        const QString src = store.path("src/scan.Jpeg");
        TestStore::Write(src, "NEWJPEG");
        auto item = Make(kind);
        auto* covered = static_cast<CCoveredItem*>(item.get());
        covered->setPath(folder);
        QCOMPARE(covered->strFrontCover(), QString("FrontCover.gif"));

        covered->AddFrontCover(src);
        QCOMPARE(covered->strFrontCover(), QString("FrontCover.Jpeg"));
        QCOMPARE(TestStore::Entries(folder), (QStringList{"BackCover.png", "FrontCover.Jpeg"}));
        QCOMPARE(TestStore::Read(folder + "/FrontCover.Jpeg"), QString("NEWJPEG"));

        covered->DeleteFrontCover();
        QVERIFY(covered->strFrontCover().isEmpty());
        QCOMPARE(covered->strBackCover(), QString("BackCover.png"));
        QCOMPARE(TestStore::Entries(folder), QStringList{"BackCover.png"});
    }

    // A refused or failed add leaves the old cover and its cache as they were.
    void addThatCannotSucceedChangesNothing_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("create");
        QTest::newRow("no extension") << "src/cover" << true;
        QTest::newRow("dot only in folder name") << "src.d/cover" << true;
        QTest::newRow("empty extension") << "src/cover." << true;
        QTest::newRow("extension too long") << "src/cover.abcdefghi" << true;
        QTest::newRow("extension with punctuation") << "src/cover.jp-g" << true;
        QTest::newRow("extension with slash trick") << "src/cover.j p" << true;
        QTest::newRow("missing source") << "src/missing.jpg" << false;
        QTest::newRow("empty path") << "" << false;
    }
    void addThatCannotSucceedChangesNothing()
    {
        QFETCH(QString, source);
        QFETCH(bool, create);
        TestStore store;
        const QString folder = store.path("db/Movies/M.1");
        TestStore::Write(folder + "/FrontCover.gif", "OLD");
        const QString src = source.isEmpty() ? QString() : store.path(source);
        if (create) {
            TestStore::Write(src, "NEW");
        }
        CMovie m;
        m.setPath(folder);
        QCOMPARE(m.strFrontCover(), QString("FrontCover.gif"));
        m.AddFrontCover(src);
        QCOMPARE(m.strFrontCover(), QString("FrontCover.gif"));
        QCOMPARE(TestStore::Entries(folder), QStringList{"FrontCover.gif"});
        QCOMPARE(TestStore::Read(folder + "/FrontCover.gif"), QString("OLD"));
    }

    void addingTheOwnCoverChangesNothing()
    {
        TestStore store;
        const QString folder = store.path("db/Boxes/B.1");
        TestStore::Write(folder + "/FrontCover.jpg", "MINE");
        CBox b;
        b.setPath(folder);
        b.AddFrontCover(folder + "/FrontCover.jpg");
        QCOMPARE(b.strFrontCover(), QString("FrontCover.jpg"));
        QCOMPARE(TestStore::Read(folder + "/FrontCover.jpg"), QString("MINE"));
        QCOMPARE(TestStore::Entries(folder), QStringList{"FrontCover.jpg"});
    }

    // Look-up ignores case and folders, and the first regular file in name order wins.
    void lookUpMatchesWithoutCaseAmongFiles()
    {
        TestStore store;
        const QString folder = store.path("db/Medias/D.1");
        QDir().mkpath(folder + "/FrontCover.aaa");
        TestStore::Write(folder + "/frontcover.png", "x");
        TestStore::Write(folder + "/FRONTCOVER.jpg", "x");
        TestStore::Write(folder + "/BackCover", "no point, no match");
        CMedia e;
        e.setPath(folder);
        QCOMPARE(e.strFrontCover(), QString("FRONTCOVER.jpg"));
        QVERIFY(e.strBackCover().isEmpty());
    }

    // Boxes and media look up when the folder is set; a movie looks on first read and then keeps its answer.
    void movieCachesItsLookUp()
    {
        TestStore store;
        const QString folder = store.path("db/Movies/M.1");
        QDir().mkpath(folder);
        CMovie m;
        m.setPath(folder);
        QVERIFY(m.strBackCover().isEmpty());
        TestStore::Write(folder + "/BackCover.gif", "x");
        QCOMPARE(m.strBackCover(), QString("BackCover.gif")); // an empty cache looks again
        TestStore::Write(folder + "/BackCover.aaa", "x");
        QCOMPARE(m.strBackCover(), QString("BackCover.gif")); // a filled one is kept

        CBox b;
        b.setPath(folder);
        QCOMPARE(b.strBackCover(), QString("BackCover.aaa"));
        QFile::remove(folder + "/BackCover.aaa");
        QCOMPARE(b.strBackCover(), QString("BackCover.aaa"));
    }
};

QTEST_GUILESS_MAIN(TestItems)
#include "tst_items.moc"
