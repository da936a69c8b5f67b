#include "core/mFunctions.h"
#include "core/mGlobals.h"

#include "CBoxes.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "TestStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Adds an item with a given parent and sort key; the key it got.
template <class Collection>
QString AddItem(Collection& collection, int parentType, int parentID, const QString& sortKey = QString())
{
    const QString key = collection.Add(QStringLiteral("Item"));
    auto item = collection.Item(key);
    item->setLngParentType(parentType);
    item->setLngParentID(parentID);
    item->setStrSortKey(sortKey);
    collection.Update(key);
    return key;
}

int IdOf(const QString& key)
{
    return key.mid(1).toInt();
}

QStringList Keys(const SortPairList& list)
{
    QStringList keys;
    for (int i = 1; i <= list.UBound(); ++i) {
        keys << list[i].strKey;
    }
    return keys;
}

} // namespace

class TestFunctions : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_store = std::make_unique<TestStore>();
        gGroups = std::make_shared<CGroups>();
        gBoxes = std::make_shared<CBoxes>();
        gMedias = std::make_shared<CMedias>();
        gMovies = std::make_shared<CMovies>();
        gGroups->setDBDir(m_store->db());
        gBoxes->setDBDir(m_store->db());
        gMedias->setDBDir(m_store->db());
        gMovies->setDBDir(m_store->db());
    }

    void cleanup()
    {
        RemoveTempFolder();
        gTempFolder.clear();
        gGroups.reset();
        gBoxes.reset();
        gMedias.reset();
        gMovies.reset();
    }

    void keyDepth()
    {
        const QString group = AddItem(*gGroups, 1, 3);
        const QString box = AddItem(*gBoxes, 2, IdOf(group));
        const QString media = AddItem(*gMedias, 3, IdOf(box));
        const QString rootBox = AddItem(*gBoxes, 0, 0);
        const QString orphan = AddItem(*gMedias, 3, 999); // its box is gone
        const QString movie = AddItem(*gMovies, 4, IdOf(media));

        QCOMPARE(GetKeyDepth(QStringLiteral("!0")), 0);
        QCOMPARE(GetKeyDepth(QStringLiteral("C3")), 1);
        QCOMPARE(GetKeyDepth(group), 2);
        QCOMPARE(GetKeyDepth(box), 3);
        QCOMPARE(GetKeyDepth(media), 4);
        QCOMPARE(GetKeyDepth(rootBox), 1);
        QCOMPARE(GetKeyDepth(orphan), 1);
        QCOMPARE(GetKeyDepth(movie), 0);
        QCOMPARE(GetKeyDepth(QStringLiteral("E77")), 0);
        QCOMPARE(GetKeyDepth(QString()), 0);
    }

    void keyDepthEndsOnLoops()
    {
        // Two groups naming each other, a box naming itself, and a chain of media far longer than any real one.
        const QString a = AddItem(*gGroups, 2, 0);
        const QString b = AddItem(*gGroups, 2, IdOf(a));
        gGroups->Item(a)->setLngParentID(IdOf(b));
        const QString self = AddItem(*gBoxes, 3, 0);
        gBoxes->Item(self)->setLngParentID(IdOf(self));
        QString previous = AddItem(*gMedias, 0, 0);
        for (int i = 0; i < 20; ++i) {
            previous = AddItem(*gMedias, 4, IdOf(previous));
        }

        QCOMPARE(GetKeyDepth(a), 2);
        QCOMPARE(GetKeyDepth(self), 1);
        QCOMPARE(GetKeyDepth(previous), 8);
    }

    void childLists()
    {
        BuildChildLists();
        for (const SortPairList* list :
             {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren, &gMediaChildren, &gFlatItems}) {
            QCOMPARE(list->UBound(), 0);
        }

        const QString groupBox = AddItem(*gBoxes, 2, 1, "G");
        const QString rootBox = AddItem(*gBoxes, 0, 0, "R");
        const QString oddBox = AddItem(*gBoxes, 3, 1, "O"); // a box is never inside a box
        const QString boxedMedia = AddItem(*gMedias, 3, IdOf(groupBox), "M");
        const QString looseMedia = AddItem(*gMedias, 1, 4, "L");
        const QString movieOnMedia = AddItem(*gMovies, 4, IdOf(boxedMedia), "D");
        const QString movieInBox = AddItem(*gMovies, 3, IdOf(groupBox), "C");
        const QString strayMovie = AddItem(*gMovies, 7, 1, "S");
        const QString rootMovie = AddItem(*gMovies, 0, 0, "A");
        BuildChildLists();

        QCOMPARE(Keys(gRootChildren), QStringList({rootMovie, rootBox}));
        QCOMPARE(Keys(gCategoryChildren), QStringList({looseMedia}));
        QCOMPARE(Keys(gGroupChildren), QStringList({groupBox}));
        QCOMPARE(Keys(gBoxChildren), QStringList({movieInBox, boxedMedia}));
        QCOMPARE(Keys(gMediaChildren), QStringList({movieOnMedia}));
        QCOMPARE(Keys(gFlatItems), QStringList({rootMovie, groupBox, looseMedia, oddBox, rootBox, strayMovie}));
        QCOMPARE(gRootChildren[0], mTypSortPair{});

        // Equal sort keys end where the exchange sort leaves them: X1, X2, A gives A, X2, X1.
        gMovies->Clear();
        gBoxes->Clear();
        gMedias->Clear();
        const QString x1 = AddItem(*gMovies, 0, 0, "X");
        const QString x2 = AddItem(*gMovies, 0, 0, "X");
        const QString a = AddItem(*gMovies, 0, 0, "A");
        BuildChildLists();
        QCOMPARE(Keys(gRootChildren), QStringList({a, x2, x1}));
    }

    void tempName()
    {
        const QString before = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
        const QString name = MakeTempName();
        const QString after = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
        const QString prefix = m_store->path(QStringLiteral("tmp/VDS"));
        QVERIFY2(name.startsWith(prefix), qPrintable(name));
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^(\\d{14})(0|[1-9]\\d{0,3})$")).match(name.mid(prefix.size()));
        QVERIFY2(match.hasMatch(), qPrintable(name));
        QVERIFY(match.captured(1) >= before && match.captured(1) <= after);
        QVERIFY(match.captured(2).toInt() <= 1000);
        QVERIFY(!QFileInfo::exists(name));
    }

    void tempFolderIsOurOwn()
    {
        // The name first chosen is already a folder of someone else's, holding a file.
        gTempFolder = MakeTempName();
        QVERIFY(QDir().mkpath(gTempFolder));
        const QString foreign = gTempFolder;
        QVERIFY(QFile(foreign + QStringLiteral("/keep.txt")).open(QIODevice::WriteOnly));

        QVERIFY(CreateTempFolder());
        QVERIFY(gTempFolder != foreign);
        QFileInfo made(gTempFolder);
        QVERIFY(made.isDir() && !made.isSymLink());
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(gTempFolder).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), 0700);

        // A link inside pointing out: removing the folder removes the link, not what it points at.
        const QString outside = m_store->path(QStringLiteral("outside.txt"));
        QVERIFY(QFile(outside).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(outside, gTempFolder + QStringLiteral("/link.txt")));
        QVERIFY(QFile(gTempFolder + QStringLiteral("/M1.html")).open(QIODevice::WriteOnly));
        const QString ours = gTempFolder;
        RemoveTempFolder();
        QVERIFY(!QFileInfo::exists(ours));
        QVERIFY(QFileInfo::exists(outside));
        QVERIFY(QFileInfo::exists(foreign + QStringLiteral("/keep.txt")));

        // A name that is taken by a link is never used either.
        gTempFolder = MakeTempName();
        QVERIFY(QFile::link(m_store->db(), gTempFolder));
        const QString link = gTempFolder;
        QVERIFY(CreateTempFolder());
        QVERIFY(gTempFolder != link);
    }

    void tempFolderThatCannotBeMade()
    {
        // The temporary path runs through a file (root cannot make a folder there either).
        const QString file = m_store->path(QStringLiteral("plain-file"));
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(file + QStringLiteral("/tmp")));
        gTempFolder = MakeTempName();
        const QString name = gTempFolder;
        const auto made = CreateTempFolder();
        qputenv("TMPDIR", saved);
        QVERIFY(!made);
        QVERIFY(gTempFolder.isEmpty());
        QCOMPARE(made.failure().path, name);
        QVERIFY(QFileInfo(file).isFile());
    }

    void tempFolderSwappedIsLeftAlone()
    {
        QVERIFY(CreateTempFolder());
        const QString path = gTempFolder;
        QVERIFY(QDir().rename(path, path + QStringLiteral("moved")));
        QVERIFY(QDir().mkdir(path));
        QVERIFY(QFile(path + QStringLiteral("/other.txt")).open(QIODevice::WriteOnly));
        RemoveTempFolder();
        QVERIFY(QFileInfo::exists(path + QStringLiteral("/other.txt")));
        // Nor does a second call remove anything.
        RemoveTempFolder();
        QVERIFY(QFileInfo::exists(path + QStringLiteral("/other.txt")));
    }

    void documentTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("url"); // empty: refused
        QTest::newRow("http") << "http://example.org/a?b=1"
                              << "http://example.org/a?b=1";
        QTest::newRow("https, upper-case scheme") << "HTTPS://example.org/"
                                                  << "https://example.org/";
        QTest::newRow("www") << "www.example.org"
                             << "http://www.example.org";
        QTest::newRow("ftp") << "ftp://example.org/"
                             << "";
        QTest::newRow("script") << "javascript:alert(1)"
                                << "";
        QTest::newRow("no host") << "http://"
                                 << "";
        QTest::newRow("system file") << "/etc/passwd"
                                     << "";
        QTest::newRow("system file URL") << "file:///etc/passwd"
                                         << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void documentTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, url);
        QVERIFY(CreateTempFolder());
        QCOMPARE(DocumentUrl(target).toString(), url);
    }

    void documentFilesOnlyFromTheTemporaryFolder()
    {
        QVERIFY(CreateTempFolder());
        const QString page = gTempFolder + QStringLiteral("/M1.html");
        QVERIFY(QFile(page).open(QIODevice::WriteOnly));
        QCOMPARE(DocumentUrl(page), QUrl::fromLocalFile(QFileInfo(page).canonicalFilePath()));
        const QString outside = m_store->path(QStringLiteral("secret.html"));
        QVERIFY(QFile(outside).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(outside, gTempFolder + QStringLiteral("/link.html")));
        QVERIFY(DocumentUrl(gTempFolder + QStringLiteral("/link.html")).isEmpty());
        QVERIFY(DocumentUrl(gTempFolder + QStringLiteral("/../secret.html")).isEmpty());
        QVERIFY(DocumentUrl(gTempFolder).isEmpty());
    }

private:
    std::unique_ptr<TestStore> m_store;
};

QTEST_GUILESS_MAIN(TestFunctions)
#include "tst_functions.moc"
