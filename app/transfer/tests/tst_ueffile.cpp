// The exchange-file commands without their windows: the file they write, the import under another place, and the
// files the import must refuse with a word to the user.

#include "FolderBytes.h"
#include "TransferWorld.h"

#include "core/BackgroundWork.h"
#include "core/StoreGate.h"
#include "core/mUEF.h"
#include "transfer/UEFFile.h"

#include "ItemStore.h"
#include "SafeFile.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"
#include "UEFWriter.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

#include <sys/stat.h>

using namespace TransferWorld;

namespace {

// The keys of the children of key, with each child's own children, as "B1[E1[M1,M2],M3]".
QString Shape(const QString& key)
{
    QString shape = key.left(1);
    const QStringList children = Collections::Children(key);
    if (!children.isEmpty()) {
        QStringList parts;
        for (const QString& child : children) {
            parts << Shape(child);
        }
        shape += u'[' + parts.join(u',') + u']';
    }
    return shape;
}

QStringList Names(const QString& key)
{
    QStringList names{Collections::ItemName(key)};
    for (const QString& child : Collections::Children(key)) {
        names << Names(child);
    }
    return names;
}

QList<QByteArray> Covers(const QString& key)
{
    QList<QByteArray> covers;
    const auto item = std::dynamic_pointer_cast<CCoveredItem>(Collections::Item(key));
    if (item) {
        covers << ReadBytes(item->Path() + u'/' + item->strFrontCover())
               << ReadBytes(item->Path() + u'/' + item->strBackCover());
    }
    for (const QString& child : Collections::Children(key)) {
        covers << Covers(child);
    }
    return covers;
}

QMap<QString, QByteArray> Files(const QString& folder)
{
    return TestSupport::FolderBytes(folder);
}

// A box nested in a box, levels deep in media, holding two movies at the bottom.
QByteArray DeepBox(int levels)
{
    QByteArray text = "[MOVIE=[TITLE=a]][MOVIE=[TITLE=b]]";
    for (int i = 0; i < levels; ++i) {
        text = "[MEDIA=[NAME=m][CONTENTS=" + text + "]]";
    }
    return "[BOX=[NAME=Deep][UPC=" + kCodeA.toLatin1() + "][CONTENTS=" + text + "]]";
}

} // namespace

class TestUEFFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(RegisterCodevet()); }

    void init() { NewWorld(QStringLiteral("store")); }

    void cleanup()
    {
        RemoveTempFolder();
        gTempFolder.clear();
    }

    void filter() { QCOMPARE(UEFFile::FileFilter(), QStringLiteral("UEF-files (*.UEF *.uef)")); }

    void boxRoundTripUnderAnotherCategory()
    {
        const QString from = TestWorld::AddCategory(QStringLiteral("From"));
        const QString to = TestWorld::AddCategory(QStringLiteral("To"));
        const QString box = AddFullBox(from, 2, 2);
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("box"));

        const QString text = UEFFile::ExportText(box);
        QVERIFY(text.startsWith(QStringLiteral("[BOX=")));
        QVERIFY(text.endsWith(QStringLiteral("]\r\n")));
        QVERIFY(UEFFile::WriteExport(path, text));
        // A name without an extension is used as typed.
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(ReadBytes(path), AnsiText::Encode(text));

        // Two imports give two independent copies under the other category.
        for (int copy = 1; copy <= 2; ++copy) {
            const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, to);
            QCOMPARE(outcome.added, 1);
            QCOMPARE(outcome.refused, 0);
            QCOMPARE(outcome.message, QString());
        }
        BuildChildLists();
        const QStringList copies = Collections::Children(to);
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies[0] != copies[1]);
        for (const QString& copy : copies) {
            QCOMPARE(Shape(copy), Shape(box));
            QCOMPARE(Names(copy), Names(box));
            QCOMPARE(Covers(copy), Covers(box));
            QVERIFY(!Covers(copy).contains(QByteArray()));
        }
        QCOMPARE(Collections::Children(from), QStringList{box});
    }

    void exportReplacesAFileWhole()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Short"), "!0", "DVD");
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("replace.UEF"));
        QVERIFY(AnsiText::WriteFileBytes(path, QByteArray(100000, 'x')));
        const QString text = UEFFile::ExportText(movie);
        QVERIFY(UEFFile::WriteExport(path, text));
        QCOMPARE(ReadBytes(path), AnsiText::Encode(text));
    }

    void failedExportIsReportedAndKeepsTheFile_data()
    {
        QTest::addColumn<QString>("relative");
        // A folder where the file should be: it cannot be replaced, and it stays.
        QTest::newRow("folder in the way") << "taken.UEF";
        // A path through a file: nothing can be created there.
        QTest::newRow("file as folder") << "plain/inside.UEF";
    }
    void failedExportIsReportedAndKeepsTheFile()
    {
        QFETCH(QString, relative);
        QTemporaryDir dir(TestWorld::ProgramDir().filePath(QStringLiteral("out-XXXXXX")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("taken.UEF/kept")));
        QVERIFY(AnsiText::WriteFileBytes(dir.filePath(QStringLiteral("plain")), "old"));
        const QString path = dir.filePath(relative);
        const auto written = UEFFile::WriteExport(path, QStringLiteral("[MOVIE=]\r\n"));
        QVERIFY(!written);
        QVERIFY2(written.why().contains(QDir::toNativeSeparators(path)), qPrintable(written.why()));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("taken.UEF/kept"))).isDir());
        QCOMPARE(ReadBytes(dir.filePath(QStringLiteral("plain"))), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
    }

    // A failed sync before the rename leaves the old file and says nothing changed; one after it has replaced the
    // file, and the message says so instead of "Nothing was changed".
    void exportSaysWhatReachedTheDisk_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("file sync fails") << int(SafeFile::Faults::Sync) << false;
        QTest::newRow("folder sync fails") << int(SafeFile::Faults::SyncDir) << true;
    }
    void exportSaysWhatReachedTheDisk()
    {
        QFETCH(int, op);
        QFETCH(bool, replaced);
        QTemporaryDir dir(TestWorld::ProgramDir().filePath(QStringLiteral("out-XXXXXX")));
        const QString path = dir.filePath(QStringLiteral("a.UEF"));
        QVERIFY(AnsiText::WriteFileBytes(path, "old"));
        SafeFile::Faults::FailNth(SafeFile::Faults::Op(op), 1);
        const auto written = UEFFile::WriteExport(path, QStringLiteral("[MOVIE=]\r\n"));
        SafeFile::Faults::Reset();
        QVERIFY(!written);
        QCOMPARE(written.Unconfirmed(), replaced);
        QCOMPARE(written.why().contains(QStringLiteral("Nothing was changed")), !replaced);
        QCOMPARE(written.why().contains(QStringLiteral("did not confirm")), replaced);
        QVERIFY2(written.why().contains(QDir::toNativeSeparators(path)), qPrintable(written.why()));
        QCOMPARE(ReadBytes(path), replaced ? QByteArray("[MOVIE=]\r\n") : QByteArray("old"));
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("refused");
        QTest::addColumn<QString>("says");

        const QByteArray good = "[MOVIE=[TITLE=Good][UPC=" + kCodeA.toLatin1() + "]]";
        const QByteArray bad = "[MOVIE=[TITLE=Bad][UPC=123]]";
        QTest::newRow("zero bytes") << QByteArray() << 0 << 0 << "No item could be imported from";
        QTest::newRow("foreign") << QByteArray("\x89PNG\r\n\x1a\n some picture") << 0 << 0
                                 << "No item could be imported from";
        QTest::newRow("cut off") << QByteArray("[MOVIE=[TITLE=Half") << 0 << 0 << "No item could be imported from";
        QTest::newRow("all refused") << bad + "[BOX=[NAME=Box][UPC=]]" << 0 << 2 << "2 items were left out";
        QTest::newRow("some refused") << good + bad << 1 << 1 << "1 item was left out";
        QTest::newRow("refused box inside a box")
            << "[BOX=[NAME=Outer][UPC=" + kCodeB.toLatin1() + "][CONTENTS=[BOX=[NAME=Inner][UPC=1]]]]" << 1 << 1
            << "1 item was left out";
        QTest::newRow("brackets only") << QByteArray(100000, '[') << 0 << 0 << "No item could be imported from";
        // The medium at the 17th level below the box and its two movies lie beyond the parser's limit.
        QTest::newRow("too deep") << DeepBox(17) << 1 << 0 << "3 items were left out because they lie deeper than 16";
        // A medium holds movies only: the inner medium goes with its two movies, and says so.
        QTest::newRow("medium in a medium")
            << "[BOX=[NAME=B][UPC=" + kCodeB.toLatin1() +
                   "][CONTENTS=[MEDIA=[NAME=Outer][CONTENTS=[MEDIA=[NAME=Inner][CONTENTS=[MOVIE=a][MOVIE=b]]]]]]]"
            << 1 << 0 << "3 items were left out because they lie inside items that cannot hold them";
        QTest::newRow("items in a movie") << good.chopped(1) + "[CONTENTS=[MOVIE=[TITLE=in]]]]" << 1 << 0
                                          << "1 item was left out because it lies inside an item that cannot hold it";
    }
    void refusedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, added);
        QFETCH(int, refused);
        QFETCH(QString, says);
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("in.uef"));
        QVERIFY(AnsiText::WriteFileBytes(path, content));
        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
        QCOMPARE(outcome.added, added);
        QCOMPARE(outcome.refused, refused);
        QVERIFY2(outcome.message.contains(says), qPrintable(outcome.message));
        if (added == 0) {
            QVERIFY(outcome.message.contains(QDir::toNativeSeparators(path)));
        }
        QCOMPARE(gMovies->Count() + gBoxes->Count(), added);
    }

    void filesThatAreNotRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "missing"
                                 << "could not be read";
        QTest::newRow("below a file") << "below a file"
                                      << "could not be read";
        QTest::newRow("name too long") << "long"
                                       << "could not be read";
        QTest::newRow("folder") << "folder"
                                << "not a regular file";
        QTest::newRow("pipe without writer") << "fifo"
                                             << "not a regular file";
        QTest::newRow("device") << "device"
                                << "not a regular file";
        QTest::newRow("too large") << "large"
                                   << "larger than 64 MB";
    }
    void filesThatAreNotRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QTemporaryDir dir(TestWorld::ProgramDir().filePath(QStringLiteral("odd-XXXXXX")));
        QString path = dir.filePath(kind);
        if (kind == u"below a file") {
            QVERIFY(AnsiText::WriteFileBytes(dir.filePath(QStringLiteral("plain")), "[MOVIE=[TITLE=x]]"));
            path = dir.filePath(QStringLiteral("plain/in.uef"));
        } else if (kind == u"long") {
            path = dir.filePath(QString(300, u'n'));
        } else if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"device") {
            path = QStringLiteral("/dev/zero");
        } else if (kind == u"large") {
            // Sparse: the size is what counts.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(UEFFile::kExchangeFileCap + 1));
        }
        QElapsedTimer clock;
        clock.start();
        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(outcome.added, 0);
        QVERIFY2(outcome.message.startsWith(QStringLiteral("No item could be imported from")),
                 qPrintable(outcome.message));
        QVERIFY2(outcome.message.contains(says), qPrintable(outcome.message));
    }

    void countLeftOut_data()
    {
        const QString a = kCodeA;
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("refused");
        QTest::addColumn<int>("tooDeep");
        QTest::newRow("none") << "" << 0 << 0;
        QTest::newRow("top level") << "[MOVIE=x][media=y][ Box =z][CATEGORY=w]" << 3 << 0;
        QTest::newRow("contents of a medium are not checked")
            << "[MEDIA=[UPC=" + a + "][CONTENTS=[MOVIE=a][MOVIE=b]]]" << 0 << 0;
        QTest::newRow("boxes anywhere") << "[BOX=[UPC=" + a + "][CONTENTS=[MEDIA=[CONTENTS=[BOX=q]]][BOX=r]]]" << 2
                                        << 0;
        // The parser never reads inside a refused item, so nothing in it counts, valid or not.
        QTest::newRow("inside a refused box") << "[BOX=[UPC=1][CONTENTS=[BOX=[UPC=" + a + "]][MOVIE=m]]]" << 1 << 0;
        QTest::newRow("last contents counts")
            << "[BOX=[UPC=" + a + "][CONTENTS=[BOX=a]][CONTENTS=[MOVIE=b]]]" << 0 << 0;
        QTest::newRow("just within the limit") << QString::fromLatin1(DeepBox(15)) << 0 << 0;
        QTest::newRow("beyond the limit") << QString::fromLatin1(DeepBox(20)) << 0 << 6;
    }
    void countLeftOut()
    {
        QFETCH(QString, text);
        const LeftOut leftOut = CountLeftOut(text);
        QTEST(leftOut.refused, "refused");
        QTEST(leftOut.tooDeep, "tooDeep");
    }

    // A cover is stored only when its bytes are a picture: HTML, SVG and a picture header on HTML are left out
    // wherever they stand (box, media, movie) and counted in the message, the pictures beside them are stored, under
    // their own extension when it names their format and under the format's otherwise.
    void coversThatAreNoPictureAreLeftOut()
    {
        const QByteArray html("<!DOCTYPE html><html><body><script>alert(1)</script></body></html>");
        const QByteArray svg("<svg xmlns=\"http://www.w3.org/2000/svg\" onload=\"alert(1)\"><rect/></svg>");
        const QByteArray poly("GIF89a\x2F\x2A\x0A\x00<html><script>alert(1)</script></html>");
        const QByteArray png = TestSupport::PngPicture(20, 30, 1);
        const QByteArray bmp = TestSupport::BmpPicture(9, 7, 2);
        const auto cover = [](QObject& item, const char* side, const QByteArray& bytes, const char* ext) {
            item.setProperty(side, AnsiText::Decode(bytes));
            item.setProperty((QByteArray(side) + "Ext").constData(), QString::fromLatin1(ext));
        };
        auto movie = std::make_shared<UEFMovie>();
        movie->setStrTitle(QStringLiteral("Movie"));
        cover(*movie, "strFrontCover", bmp, "html");
        cover(*movie, "strBackCover", poly, "gif");
        auto media = std::make_shared<UEFMedia>();
        media->setStrName(QStringLiteral("Disc"));
        cover(*media, "strFrontCover", svg, "svg");
        cover(*media, "strBackCover", poly, "html");
        media->colContents()->Add(movie);
        UEFBox box;
        box.setStrName(QStringLiteral("Box"));
        box.setStrUPC(kCodeA);
        cover(box, "strFrontCover", html, "html");
        cover(box, "strBackCover", png, "PNG");
        box.colContents()->Add(media);
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("covers.UEF"));
        QVERIFY(UEFFile::WriteExport(path, UEFWriter::WriteBox(box)));

        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
        QCOMPARE(outcome.added, 1);
        QCOMPARE(outcome.covers, 4);
        QVERIFY2(outcome.message.contains(QStringLiteral("4 covers were left out")), qPrintable(outcome.message));
        BuildChildLists();
        const QString key = Collections::Children(QStringLiteral("!0")).value(0);
        QCOMPARE(Shape(key), QStringLiteral("B[E[M]]"));
        const QString disc = Collections::Children(key).value(0);
        const auto folder = [](const QString& item) {
            return std::dynamic_pointer_cast<CCoveredItem>(Collections::Item(item))->Path();
        };
        QStringList stored;
        for (const QString& item : {key, disc, Collections::Children(disc).value(0)}) {
            for (const QString& file : QDir(folder(item)).entryList({QStringLiteral("*Cover*")}, QDir::Files)) {
                stored << item.left(1) + u'/' + file;
            }
        }
        stored.sort();
        QCOMPARE(stored, (QStringList{QStringLiteral("B/BackCover.PNG"), QStringLiteral("M/FrontCover.bmp")}));
        QCOMPARE(ReadBytes(folder(key) + QStringLiteral("/BackCover.PNG")), png);
        QCOMPARE(ReadBytes(folder(Collections::Children(disc).value(0)) + QStringLiteral("/FrontCover.bmp")), bmp);
    }

    // An import that would cost more than it may is refused before anything is written, saying how many items it
    // holds (and what room they need): the store, in memory and on disk, and the temporary folder stay as they were.
    void oversizedImportIsRefusedWhole_data()
    {
        QTest::addColumn<int>("maxItems");
        QTest::addColumn<qint64>("freeBytes");
        QTest::addColumn<qint64>("freeFiles");
        QTest::addColumn<QString>("said");
        // Eight items of 16 KB, two covers each of a block: 192 KB in 8 folders, 8 records and 16 covers.
        QTest::newRow("too many items") << 7 << qint64(-1) << qint64(-1) << "it holds 8 items, more than the 7";
        QTest::newRow("too little room") << 100 << qint64(100000) << qint64(1000000)
                                         << "its 8 items need about 192 KB on the collection's disk, which has 97 KB";
        QTest::newRow("too few files") << 100 << (qint64(1) << 40) << qint64(31)
                                       << "its 8 items need 32 files and folders";
    }
    void oversizedImportIsRefusedWhole()
    {
        QFETCH(int, maxItems);
        QFETCH(qint64, freeBytes);
        QFETCH(qint64, freeFiles);
        QFETCH(QString, said);
        const QString db = TestWorld::ProgramDir().filePath(QStringLiteral("store"));
        // A box of two discs of two movies and a loose movie, each with two covers.
        const QString box = AddFullBox(QStringLiteral("!0"), 2, 2);
        const QByteArray bytes = AnsiText::Encode(UEFFile::ExportText(box));
        const QMap<QString, QByteArray> before = Files(db);
        const QStringList temp = QDir(gTempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const int items = gBoxes->Count() + gMedias->Count() + gMovies->Count();

        const ImportResult result =
            ImportExchangeBytes(bytes, QStringLiteral("!0"), {}, ImportBounds{maxItems, freeBytes, freeFiles});
        QCOMPARE(result.added, 0);
        QVERIFY2(result.tooLarge.startsWith(said), qPrintable(result.tooLarge));
        QVERIFY(result.error.isEmpty());
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), items);
        QVERIFY(Files(db) == before);
        QCOMPARE(QDir(gTempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), temp);
        // Within its bounds the same file comes in whole.
        QCOMPARE(ImportExchangeBytes(bytes, QStringLiteral("!0"), {}, ImportBounds{8, -1, -1}).added, 1);
    }

    // The file's bytes go to the store as they are: an import of the file leaves the same folders and files, byte for
    // byte, as an import of the text they decode to, with every byte value in names, texts and covers.
    void fileImportEqualsTextImport()
    {
        const QString box = AddFullBox(QStringLiteral("!0"), 2, 2);
        QByteArray every;
        for (int b = 0; b < 256; ++b) {
            every += char(b);
        }
        UEFMovie odd;
        odd.setStrTitle(AnsiText::Decode(every.mid(0x80)));
        odd.setStrUPC(kCodeA);
        odd.setStrSynopsis(AnsiText::Decode(every));
        // Pictures whose bytes take every value.
        odd.setStrFrontCover(AnsiText::Decode(TestSupport::BmpPicture(90, 2)));
        odd.setStrFrontCoverExt(QStringLiteral("jpg"));
        odd.setStrBackCover(AnsiText::Decode(TestSupport::PngPicture(300, 2)));
        odd.setStrBackCoverExt(QStringLiteral("png"));
        const QByteArray bytes = AnsiText::Encode(UEFFile::ExportText(box) + UEFWriter::WriteMovie(odd));
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("odd.UEF"));
        QVERIFY(AnsiText::WriteFileBytes(path, bytes));

        const QString fromFile = NewWorld(QStringLiteral("from file"));
        QCOMPARE(UEFFile::ImportFile(path, QStringLiteral("!0")).added, 2);
        const QString fromText = NewWorld(QStringLiteral("from text"));
        QCOMPARE(ImportExchange(AnsiText::Decode(bytes), QStringLiteral("!0")).added, 2);
        const QMap<QString, QByteArray> files = Files(fromFile);
        QVERIFY(files.size() > 40);
        QVERIFY(files == Files(fromText));
    }

    // A box set of 24 discs of 10 episodes with covers, imported while the disk fills up at many points of the
    // import, and once with a final sync that fails: each is a failure that names what could not be written, and
    // the store is byte for byte as before, in memory and on disk, with no cover copy left behind.
    void importOnAFullDisk()
    {
        const QString db = TestWorld::ProgramDir().filePath(QStringLiteral("store"));
        const QString box = AddFullBox(QStringLiteral("!0"), 24, 10);
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("season.UEF"));
        QVERIFY(UEFFile::WriteExport(path, UEFFile::ExportText(box)));
        const QStringList temp = QDir(gTempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        // What a whole import writes, measured on a store of its own.
        const QString tempFolder = gTempFolder;
        TestWorld::NewCollections(TestWorld::ProgramDir().filePath(QStringLiteral("measure")));
        gTempFolder = tempFolder;
        const qint64 plenty = qint64(1) << 40;
        SafeFile::Faults::SetByteBudget(plenty);
        const UEFFile::ImportOutcome measured = UEFFile::ImportFile(path, QStringLiteral("!0"));
        QVERIFY2(measured.added == 1, qPrintable(measured.message));
        const qint64 written = plenty - SafeFile::Faults::ByteBudget();
        SafeFile::Faults::Reset();
        QVERIFY(written > 265 * 600);

        TestWorld::LoadCollections(db);
        const QMap<QString, QByteArray> before = Files(db);
        const int items = gBoxes->Count() + gMedias->Count() + gMovies->Count();
        for (int level = 0; level <= 12; ++level) {
            const bool syncFails = level == 12;
            if (syncFails) {
                SafeFile::Faults::FailNth(SafeFile::Faults::SyncDir, 1);
            } else {
                SafeFile::Faults::SetByteBudget(written * level / 12 + level * 7);
            }
            const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
            SafeFile::Faults::Reset();
            QVERIFY2(outcome.failed && outcome.added == 0, qPrintable(QString::number(level)));
            QVERIFY2(outcome.message.contains(QStringLiteral("could not be written")), qPrintable(outcome.message));
            QVERIFY2(!syncFails || outcome.message.contains(QStringLiteral("synced")), qPrintable(outcome.message));
            QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), items);
            QVERIFY2(Files(db) == before, qPrintable(QString::number(level)));
            QCOMPARE(QDir(gTempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), temp);
        }
        // With room, the same file comes in whole, and its cover copies are gone once it is written.
        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
        QCOMPARE(outcome.added, 1);
        QVERIFY(!outcome.failed);
        QCOMPARE(QDir(gTempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), temp);
        TestWorld::LoadCollections(db);
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), 2 * items);
    }

    // An import stopped half-way by its progress hook is a cancel, not a failure to tell about: nothing of the file
    // stays, in memory or on disk, byte for byte, and no cover copy is left behind.
    void importCancelledHalfWay()
    {
        const QString db = TestWorld::ProgramDir().filePath(QStringLiteral("store"));
        const QString box = AddFullBox(QStringLiteral("!0"), 3, 4);
        const QString text = UEFFile::ExportText(box);
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("six.UEF"));
        QVERIFY(UEFFile::WriteExport(path, text.repeated(6)));
        TestWorld::LoadCollections(db);
        const QMap<QString, QByteArray> before = Files(db);
        const QStringList temp = QDir(gTempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const int items = gBoxes->Count() + gMedias->Count() + gMovies->Count();
        const auto folders = [&db] {
            QList<int> counts;
            for (const char* kind : {"Boxes", "Medias", "Movies"}) {
                counts << ItemStore::CountEntries(db + u'/' + QLatin1String(kind));
            }
            return counts;
        };
        const QList<int> foldersBefore = folders();

        // Every item counts, those inside the boxes too: six boxes of three discs of four and a loose movie.
        QList<int> seen;
        QSet<int> totals;
        const UEFFile::ImportOutcome outcome =
            UEFFile::ImportFile(path, QStringLiteral("!0"), [&](int done, int total) {
                if (total > 0) { // while the file is read the hook hears no total
                    totals << total;
                    seen << done;
                }
                return total == 0 || done < total / 2;
            });
        QCOMPARE(totals, QSet<int>{6 * 17});
        QVERIFY(outcome.cancelled);
        QVERIFY(!outcome.failed);
        QCOMPARE(outcome.added, 0);
        QVERIFY2(outcome.message.isEmpty(), qPrintable(outcome.message));
        QVERIFY(!seen.isEmpty() && seen.last() < 6 * 17);
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), items);
        // What was written goes in the background, under temporary names: no item folder is in place meanwhile.
        QCOMPARE(folders(), foldersBefore);
        BackgroundWork::WaitAll();
        QVERIFY(Files(db) == before);
        QCOMPARE(QDir(gTempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), temp);
        TestWorld::LoadCollections(db);
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), items);
    }

    // Cancel returns at once and the worker takes the import away in the background, while the items are still
    // written or already in place; what the user does next waits for it, the store's hold telling: a reload finds
    // the store as before the import (no item whose folder goes, no debris), an add and a second import get the ids
    // the cancelled one had taken. The lists the import took its ids from may go meanwhile.
    void workWhileACancelledImportEnds_data()
    {
        QTest::addColumn<bool>("placing");
        QTest::addColumn<QString>("next");
        for (const bool placing : {false, true}) {
            for (const char* next : {"reload", "add", "import"}) {
                QTest::addRow("%s, %s", placing ? "placing" : "writing", next) << placing << QString::fromLatin1(next);
            }
        }
    }
    void workWhileACancelledImportEnds()
    {
        QFETCH(bool, placing);
        QFETCH(QString, next);
        const QString db = TestWorld::ProgramDir().filePath(QStringLiteral("store"));
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("box.UEF"));
        QVERIFY(UEFFile::WriteExport(path, UEFFile::ExportText(AddFullBox(QStringLiteral("!0"), 3, 4))));
        TestWorld::LoadCollections(db);
        const QMap<QString, QByteArray> before = Files(db);
        const int movies = gMovies->Count();
        const int items = gBoxes->Count() + gMedias->Count() + movies;
        const auto inPlace = [&db] { return ItemStore::CountEntries(db + QStringLiteral("/Movies")); };

        // A slow disk holds the worker at its removal, or at the sync after the renames and at the undoing.
        SafeFile::Faults::SlowDown(placing ? SafeFile::Faults::SyncDir : SafeFile::Faults::RemoveFile,
                                   placing ? 300 : 15);
        const UEFFile::ImportOutcome cancelled =
            UEFFile::ImportFile(path, QStringLiteral("!0"), [&](int done, int total) {
                return total == 0 || (placing ? inPlace() == movies : done < total / 2);
            });
        QVERIFY(cancelled.cancelled);
        // Items already in place are moved out again (renames) before Cancel returns; what they held goes after.
        QCOMPARE(inPlace(), movies);
        if (!placing) {
            QVERIFY(StoreGate::Held());
        }
        if (next == u"import") {
            // The import itself waits for the store.
            SafeFile::Faults::Reset();
            const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
            QCOMPARE(outcome.added, 1);
            QVERIFY2(gBoxes->Item(QStringLiteral("B2")), "the box gets the id the cancelled one had");
        } else {
            if (next == u"reload") {
                // The window's thread may free its lists: the worker holds none of them.
                gBoxes = std::make_shared<CBoxes>();
                gMedias = std::make_shared<CMedias>();
                gMovies = std::make_shared<CMovies>();
            }
            // As every command of the window does first.
            StoreGate::Wait();
            SafeFile::Faults::Reset();
            if (next == u"reload") {
                TestWorld::LoadCollections(db);
                QVERIFY(Files(db) == before);
            } else {
                QCOMPARE(TestWorld::AddMovie(QStringLiteral("Later"), QStringLiteral("!0"), "DVD"),
                         QStringLiteral("M%1").arg(movies + 1));
            }
        }
        BackgroundWork::WaitAll();
        const int expected = items + (next == u"import" ? items : next == u"add" ? 1 : 0);
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), expected);
        TestWorld::LoadCollections(db);
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), expected);
        for (const char* kind : {"Boxes", "Medias", "Movies"}) {
            const QDir folder(db + u'/' + QLatin1String(kind));
            QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                     folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
        }
    }

    // A Cancel while the items go in place, when the store then refuses to take them away again: the user is told
    // how many stayed, and they are there.
    void cancelThatCannotTakeItemsAwaySaysHowManyStayed()
    {
        const QString db = TestWorld::ProgramDir().filePath(QStringLiteral("store"));
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("box.UEF"));
        QVERIFY(UEFFile::WriteExport(path, UEFFile::ExportText(AddFullBox(QStringLiteral("!0"), 3, 4))));
        TestWorld::LoadCollections(db);
        const int items = gBoxes->Count() + gMedias->Count() + gMovies->Count();
        const int movies = gMovies->Count();
        const auto inPlace = [&db] { return ItemStore::CountEntries(db + QStringLiteral("/Movies")); };
        // The sync after the renames is slow, so the Cancel comes while they are in place; the record that would
        // take them out again cannot be written.
        SafeFile::Faults::SlowDown(SafeFile::Faults::SyncDir, 300);
        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"), [&](int, int total) {
            if (total > 0 && inPlace() > movies) {
                SafeFile::Faults::FailNth(SafeFile::Faults::Create, 1);
                return false;
            }
            return true;
        });
        BackgroundWork::WaitAll();
        SafeFile::Faults::Reset();
        QVERIFY(!outcome.cancelled);
        QCOMPARE(outcome.added, 0);
        QVERIFY2(outcome.message.contains(QStringLiteral("cancelled, but %1 of its items").arg(items)),
                 qPrintable(outcome.message));
        TestWorld::LoadCollections(db);
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), 2 * items);
    }

    // One box of 5,000 movies: the hook is told while the box is written, and a Cancel 100 ms in returns at once; the
    // store is as before once the background removal ends.
    void longBoxCancelledEarly()
    {
        const QString db = TestWorld::ProgramDir().filePath(QStringLiteral("store"));
        QByteArray text = "[BOX=[NAME=Long][UPC=" + kCodeA.toLatin1() + "][CONTENTS=";
        for (int i = 0; i < 5000; ++i) {
            text += "[MOVIE=[TITLE=Episode " + QByteArray::number(i) + "][NOTES=Some notes.]]";
        }
        text += "]]";
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("long.UEF"));
        QVERIFY(AnsiText::WriteFileBytes(path, text));
        const QMap<QString, QByteArray> before = Files(db);

        QElapsedTimer clock;
        clock.start();
        qint64 longestGap = 0;
        qint64 lastCall = 0;
        qint64 stoppedAt = -1;
        int doneAtStop = 0;
        int totalAtStop = 0;
        const UEFFile::ImportOutcome outcome =
            UEFFile::ImportFile(path, QStringLiteral("!0"), [&](int done, int total) {
                longestGap = std::max(longestGap, clock.elapsed() - lastCall);
                lastCall = clock.elapsed();
                if (clock.elapsed() < 100 || done == 0) {
                    return true;
                }
                stoppedAt = clock.elapsed();
                doneAtStop = done;
                totalAtStop = total;
                return false;
            });
        QVERIFY(outcome.cancelled);
        QVERIFY(stoppedAt >= 0);
        QCOMPARE(totalAtStop, 5001);
        QVERIFY2(doneAtStop < 5001, "stopped inside the box");
        // Loose bounds for a busy machine; the figures are the benchmark's (import-cancel-ms).
        QVERIFY2(clock.elapsed() - stoppedAt < 10000, qPrintable(QString::number(clock.elapsed() - stoppedAt)));
        QVERIFY2(longestGap < 10000, qPrintable(QString::number(longestGap)));
        QCOMPARE(gBoxes->Count() + gMovies->Count(), 0);
        BackgroundWork::WaitAll();
        QVERIFY(Files(db) == before);
    }
};

int main(int argc, char** argv)
{
    TransferWorld::SetUp();
    QCoreApplication app(argc, argv);
    TestUEFFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ueffile.moc"
