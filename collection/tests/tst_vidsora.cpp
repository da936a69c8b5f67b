#include "CMovies.h"
#include "CVidsora.h"
#include "FakeBar.h"
#include "TestStore.h"

#include <QCoreApplication>
#include <QtTest>

class TestVidsora : public QObject
{
    Q_OBJECT

private slots:
    void defaultFolderIsBesideTheLibrary()
    {
        CVidsora root;
        // The library is built into the programs' folder.
        QCOMPARE(root.DBDir(), QCoreApplication::applicationDirPath() + "/Database");
    }

    void countsEveryEntryButDots()
    {
        TestStore store;
        for (const char* name : {"a.1", "b.2", ".c.3"})
            QDir().mkpath(store.db() + "/Movies/" + name);
        TestStore::Write(store.db() + "/Movies/stray", "x");
        TestStore::Write(store.db() + "/Boxes/x.1/content.mdc", "x");
        QVERIFY(QDir(store.db() + "/Groups").removeRecursively());

        CVidsora root;
        root.setDBDir(store.db());
        QCOMPARE(root.MovieCount(), 4);
        QCOMPARE(root.property("BoxCount").toInt(), 1);
        QCOMPARE(root.SubCategoryCount(), 0);
        QCOMPARE(root.CategoryCount(), 0);
        QCOMPARE(root.MediaCount(), 0);

        // The counts are the steps a load makes.
        CMovies movies;
        movies.setDBDir(store.db());
        FakeBar bar;
        movies.setPGB(&bar);
        movies.LoadData();
        QCOMPARE(bar.Value(), root.MovieCount());

        // Taken afresh each time.
        QDir().mkpath(store.db() + "/Medias/m.1");
        QCOMPARE(root.MediaCount(), 1);
    }

    void missingFolderCountsNothingAndStaysMissing()
    {
        TestStore store;
        CVidsora root;
        root.setDBDir(store.path("nowhere"));
        QCOMPARE(root.CategoryCount() + root.SubCategoryCount() + root.BoxCount() + root.MediaCount() +
                     root.MovieCount(),
                 0);
        QVERIFY(!QFileInfo::exists(store.path("nowhere")));
    }
};

QTEST_GUILESS_MAIN(TestVidsora)
#include "tst_vidsora.moc"
