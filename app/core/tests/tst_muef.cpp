#include "core/Collections.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mUEF.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"
#include "ItemStore.h"
#include "TestPictures.h"
#include "TestStore.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A product code the checker accepts, so top-level items are kept by the parser.
const QString kValidCode = QStringLiteral("036000291452");

// Every byte value, as cover images carry them.
QByteArray AllBytes(int salt)
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.append(char((i * 7 + salt) & 0xFF));
    }
    bytes.append('\x01'); // the parser trims blanks at the ends of values; keep the ends non-blank
    return bytes;
}

QString Text(const char* field, int n)
{
    return QStringLiteral("%1 %2 \u00e9\u00df").arg(QLatin1String(field)).arg(n);
}

void FillMovie(CMovie& movie, int n)
{
    movie.setStrTitle(Text("Title", n));
    movie.setStrLabel(Text("Label", n));
    movie.setStrSortKey(QStringLiteral("SORT %1").arg(n, 3, 10, QChar(u'0')));
    movie.setStrUPC(QStringLiteral("0000%1").arg(n));
    movie.setStrSystem(QStringLiteral("PAL"));
    movie.setStrCountry(Text("Country", n));
    movie.setStrYear(QStringLiteral("19%1").arg(n % 100, 2, 10, QChar(u'0')));
    movie.setStrLength(QString::number(90 + n));
    movie.setStrStudio(Text("Studio", n));
    movie.setStrWebsite(QStringLiteral("http://example.org/%1").arg(n));
    movie.setStrPicture(QStringLiteral("16:9\r\n4:3"));
    movie.setDMedia(mTypMediaInfo{"VHS", "", "", "", ""});
    movie.setStrSoundmix(QStringLiteral("Stereo\r\nMono"));
    movie.setStrSubtitles(QStringLiteral("English\r\nSwedish"));
    movie.setStrCast(Text("Cast", n) + QStringLiteral("\r\nSomeone Else"));
    movie.setStrWriter(Text("Writer", n));
    movie.setStrDirector(Text("Director", n));
    movie.setStrProducer(Text("Producer", n));
    movie.setStrExtras(Text("Extras", n));
    movie.setStrSynopsis(Text("Synopsis", n) + QStringLiteral("\r\nSecond line"));
    movie.setStrNotes(Text("Notes", n));
}

std::shared_ptr<UEFMovie> ExchangeMovie(const QString& title, const QString& upc = kValidCode)
{
    auto movie = std::make_shared<UEFMovie>();
    movie->setStrTitle(title);
    movie->setStrUPC(upc);
    return movie;
}

// Gives every text field of the item a value of its own, through its properties: empty, line ends and a blank entry
// inside, blanks at the ends, "=", the bytes 0x81 and 0x8D, a lone CR and LF, the exchange's escapes.
void FillEveryField(CItem& item)
{
    static const QString values[] = {"",
                                     "\r\na\r\nb\r\n \r\n c ",
                                     "  blanks  ",
                                     "x = y = z",
                                     QString(QChar(0x81)) + QChar(0x8D) + QChar(0xE9),
                                     "lone\rCR\nLF",
                                     "'quoted\r\n\r\nsecond",
                                     "&[x]&0]"};
    int n = 1;
    const QMetaObject* meta = item.metaObject();
    for (int p = 0; p < meta->propertyCount(); ++p) {
        const QMetaProperty property = meta->property(p);
        if (!property.isWritable() || property.name() == QByteArrayView("objectName") ||
            property.name() == QByteArrayView("Path")) {
            continue;
        }
        if (property.metaType() == QMetaType::fromType<mTypMediaInfo>()) {
            property.write(&item,
                           QVariant::fromValue(mTypMediaInfo{values[n % 8], values[(n + 1) % 8], values[(n + 2) % 8],
                                                             values[(n + 3) % 8], values[(n + 4) % 8]}));
            n += 5;
        } else if (property.metaType() == QMetaType::fromType<QString>()) {
            property.write(&item, values[n++ % 8]);
        }
    }
}

QString TextOf(const std::shared_ptr<QObject>& item)
{
    return item ? item->property("strTitle").toString() + item->property("strName").toString() : QString();
}

} // namespace

class TestUEF : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSupport::SetUpEnvironment();
        QCOMPARE(Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)), 0);
    }

    void init()
    {
        m_store = std::make_unique<TestStore>(TestStore::Folders::Program);
        UseStore(m_store->db());
        QVERIFY(CreateTempFolder());
    }

    void cleanup()
    {
        RemoveTempFolder();
        gTempFolder.clear();
        gBoxes.reset();
        gMedias.reset();
        gMovies.reset();
    }

    void fileText()
    {
        const QString path = m_home.filePath(QStringLiteral("bytes.bin"));
        const QString data = AnsiText::Decode(AllBytes(0) + QByteArray("\r\n\n\r", 4));
        QVERIFY(WriteFileText(path, data));
        QCOMPARE(ReadFileText(path), data);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), AnsiText::Encode(data));
        file.close();

        // A shorter text replaces the file whole.
        QVERIFY(WriteFileText(path, QStringLiteral("ab")));
        QCOMPARE(QFileInfo(path).size(), 2);
        QCOMPARE(ReadFileText(m_home.filePath(QStringLiteral("missing"))), QString());
        QVERIFY(!WriteFileText(m_home.filePath(QStringLiteral("no/such/folder/file")), QStringLiteral("x")));

        // A target that cannot be replaced is reported, and what was there stays.
        const QString folder = m_home.filePath(QStringLiteral("a-folder"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(WriteFileText(folder + QStringLiteral("/inside"), QStringLiteral("old")));
        QVERIFY(!WriteFileText(folder, QStringLiteral("new")));
        QCOMPARE(ReadFileText(folder + QStringLiteral("/inside")), QStringLiteral("old"));
    }

    void documentsWithoutEntries_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("root") << "!0";
        QTest::newRow("category") << "C3";
        QTest::newRow("group") << "S2";
        QTest::newRow("lower case") << "m5";
        QTest::newRow("empty") << "";
    }
    void documentsWithoutEntries()
    {
        QFETCH(QString, key);
        gMovies->Add(QStringLiteral("Five"));
        const auto document = CreateUEF(key, true);
        QCOMPARE(document->colUEF()->Count(), 0);
        QCOMPARE(document->strUEF(), QString());
    }

    void staleKeyGivesAnEmptyEntry()
    {
        const auto document = CreateUEF(QStringLiteral("M99"), true);
        QCOMPARE(document->colUEF()->Count(), 1);
        const auto* movie = qobject_cast<UEFMovie*>(document->colUEF()->Item(1).get());
        QVERIFY(movie);
        QCOMPARE(movie->strTitle(), QString());
        QCOMPARE(movie->strFrontCover(), QString());
    }

    void mediaFieldsOfAMovie()
    {
        const mTypMediaInfo disc{"Laserdisc", "", "", "CLV", "Special"};
        const QString media = gMedias->Add(QStringLiteral("Disc"));
        gMedias->Item(media)->setDMedia(disc);
        const mTypMediaInfo own{"DVD", "DVD-9", "12", "", "Keepcase"};
        const QString onDisc = AddMovie(4, media.mid(1).toInt(), "On disc", own);
        const QString lost = AddMovie(4, 77, "Medium gone", own);
        const QString loose = AddMovie(1, 2, "Loose", own);
        gMovies->Item(onDisc)->setStrUPC(kValidCode);

        const auto fields = [](const QString& key) {
            const auto document = CreateUEF(key, false);
            const auto* movie = qobject_cast<UEFMovie*>(document->colUEF()->Item(1).get());
            return mTypMediaInfo{movie->strMedia(), movie->strDVDType(), movie->strDVDRegion(), movie->strLDType(),
                                 movie->strDVDCase()};
        };
        QCOMPARE(fields(onDisc), disc);
        QCOMPARE(fields(lost), mTypMediaInfo{});
        QCOMPARE(fields(loose), own);

        // Imported, the medium's description becomes the movie's own.
        const QString text = CreateUEF(onDisc, true)->strUEF();
        UseStore(m_store->path(QStringLiteral("second")));
        QCOMPARE(ImportUEF(text, QStringLiteral("!0")), 1);
        QCOMPARE(gMovies->Item(1)->dMedia(), disc);
    }

    void boxContentsInSortOrder()
    {
        const QString box = gBoxes->Add(QStringLiteral("Box"));
        const int boxId = box.mid(1).toInt();
        const QString media = gMedias->Add(QStringLiteral("Medium"));
        gMedias->Item(media)->setLngParentType(3);
        gMedias->Item(media)->setLngParentID(boxId);
        gMedias->Item(media)->setStrSortKey(QStringLiteral("B"));
        const int mediaId = media.mid(1).toInt();
        gMovies->Item(AddMovie(4, mediaId, "Second"))->setStrSortKey(QStringLiteral("Z"));
        gMovies->Item(AddMovie(4, mediaId, "First"))->setStrSortKey(QStringLiteral("Y"));
        gMovies->Item(AddMovie(3, boxId, "Direct"))->setStrSortKey(QStringLiteral("A"));
        AddMovie(3, boxId + 1, "Other box");
        const QString empty = gMedias->Add(QStringLiteral("Empty medium"));
        BuildChildLists();

        const auto document = CreateUEF(box, false);
        QCOMPARE(document->colUEF()->Count(), 1);
        const auto* exported = qobject_cast<UEFBox*>(document->colUEF()->Item(1).get());
        QVERIFY(exported);
        const auto contents = exported->colContents();
        QCOMPARE(contents->Count(), 2);
        QCOMPARE(TextOf(contents->Item(1)), QStringLiteral("Direct"));
        const auto* medium = qobject_cast<UEFMedia*>(contents->Item(2).get());
        QVERIFY(medium);
        QCOMPARE(medium->strName(), QStringLiteral("Medium"));
        QCOMPARE(medium->colContents()->Count(), 2);
        QCOMPARE(TextOf(medium->colContents()->Item(1)), QStringLiteral("First"));
        QCOMPARE(TextOf(medium->colContents()->Item(2)), QStringLiteral("Second"));

        const auto alone = CreateUEF(empty, false);
        QCOMPARE(qobject_cast<UEFMedia*>(alone->colUEF()->Item(1).get())->colContents()->Count(), 0);
    }

    void coverLocationsAreFileUrls()
    {
        UseStore(m_store->path(QStringLiteral("odd #1 50% ?")));
        const QString key = AddMovie(0, 0, "Covered");
        auto movie = gMovies->Item(key);
        movie->setStrUPC(kValidCode);
        gMovies->Update(key);
        AddCover(*movie, true, QStringLiteral("jpg"), AllBytes(1));
        AddCover(*movie, false, QStringLiteral("png"), AllBytes(2));

        const auto document = CreateUEF(key, false);
        const auto* exported = qobject_cast<UEFMovie*>(document->colUEF()->Item(1).get());
        for (const auto& [url, name] : {std::pair{exported->strFrontCoverURL(), "FrontCover.jpg"},
                                        {exported->strBackCoverURL(), "BackCover.png"}}) {
            QVERIFY2(url.startsWith(QStringLiteral("file:///")), qPrintable(url));
            QVERIFY2(url.contains(QStringLiteral("%23")) && url.contains(QStringLiteral("%25")) &&
                         url.contains(QStringLiteral("%3F")) && !url.contains(u' '),
                     qPrintable(url));
            const QString local = QUrl(url, QUrl::StrictMode).toLocalFile();
            QCOMPARE(local, movie->Path() + u'/' + QLatin1String(name));
            QVERIFY(QFileInfo::exists(local));
        }
        QCOMPARE(exported->strFrontCover(), QString());
        QCOMPARE(exported->strFrontCoverExt(), QString());
        QCOMPARE(exported->strBackCoverExt(), QString());

        // Locations do not travel as covers.
        const QString text = document->strUEF();
        UseStore(m_store->path(QStringLiteral("second")));
        QCOMPARE(ImportUEF(text, QStringLiteral("!0")), 1);
        QCOMPARE(gMovies->Item(1)->strFrontCover(), QString());
        QCOMPARE(gMovies->Item(1)->strBackCover(), QString());
    }

    void importCounts()
    {
        QCOMPARE(ImportUEF(QString(), QStringLiteral("!0")), 0);
        QCOMPARE(ImportUEF(QStringLiteral("not exchange text"), QStringLiteral("!0")), 0);

        UEF rejected;
        rejected.colUEF()->Add(ExchangeMovie(QStringLiteral("Bad code"), QStringLiteral("123")));
        QCOMPARE(ImportUEF(rejected.strUEF(), QStringLiteral("!0")), 0);
        QCOMPARE(gMovies->Count(), 0);

        UEF two;
        two.colUEF()->Add(ExchangeMovie(QStringLiteral("One")));
        two.colUEF()->Add(ExchangeMovie(QString())); // an empty title still becomes a record
        QCOMPARE(ImportUEF(two.strUEF(), QStringLiteral("S3")), 2);
        QCOMPARE(gMovies->Item(QStringLiteral("M1"))->strTitle(), QStringLiteral("One"));
        QCOMPARE(gMovies->Item(QStringLiteral("M2"))->strTitle(), QString());
        for (const QString& key : {QStringLiteral("M1"), QStringLiteral("M2")}) {
            QCOMPARE(gMovies->Item(key)->lngParentType(), 2);
            QCOMPARE(gMovies->Item(key)->lngParentID(), 3);
        }
    }

    void importParents_data()
    {
        QTest::addColumn<QString>("parentKey");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("id");
        QTest::newRow("root") << "!0" << 0 << 0;
        QTest::newRow("category") << "C7" << 1 << 7;
        QTest::newRow("group") << "S3" << 2 << 3;
        QTest::newRow("no number") << "Cx" << 1 << 0;
    }
    void importParents()
    {
        QFETCH(QString, parentKey);
        QFETCH(int, type);
        QFETCH(int, id);
        UEF document;
        auto box = std::make_shared<UEFBox>();
        box->setStrName(QStringLiteral("Box"));
        box->setStrUPC(kValidCode);
        box->colContents()->Add(ExchangeMovie(QStringLiteral("Inside")));
        document.colUEF()->Add(box);
        QCOMPARE(ImportUEF(document.strUEF(), parentKey), 1);
        QCOMPARE(gBoxes->Item(1)->lngParentType(), type);
        QCOMPARE(gBoxes->Item(1)->lngParentID(), id);
        QCOMPARE(gMovies->Item(1)->lngParentType(), 3);
        QCOMPARE(gMovies->Item(1)->lngParentID(), gBoxes->Item(1)->lngID());
    }

    void mediumTakesOnlyMovies()
    {
        UEFMedia entry;
        entry.setStrName(QStringLiteral("Disc"));
        entry.colContents()->Add(std::make_shared<UEFBox>());
        entry.colContents()->Add(ExchangeMovie(QStringLiteral("Episode")));
        entry.colContents()->Add(std::make_shared<UEFMedia>());
        const QString key = ImportMedia(entry, QStringLiteral("!0"));
        QCOMPARE(key, QStringLiteral("E1"));
        QCOMPARE(gMedias->Count(), 1);
        QCOMPARE(gBoxes->Count(), 0);
        QCOMPARE(gMovies->Count(), 1);
        QCOMPARE(gMovies->Item(1)->lngParentType(), 4);
        QCOMPARE(gMovies->Item(1)->lngParentID(), 1);
    }

    void coverExtensions_data()
    {
        // A JPEG keeps an extension that names its format, case and all; any other gives way to "jpg".
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("stored");
        QTest::newRow("jpg") << "jpg"
                             << "jpg";
        QTest::newRow("upper case") << "JPEG"
                                    << "JPEG";
        QTest::newRow("jpe") << "Jpe"
                             << "Jpe";
        QTest::newRow("another format") << "png"
                                        << "jpg";
        QTest::newRow("eight") << "abcd1234"
                               << "jpg";
        QTest::newRow("nine") << "abcd12345"
                              << "jpg";
        QTest::newRow("empty") << ""
                               << "jpg";
        QTest::newRow("climbing") << "/../../../escaped"
                                  << "jpg";
        QTest::newRow("dot") << "tar.gz"
                             << "jpg";
        QTest::newRow("blank inside") << "j g"
                                      << "jpg";
        QTest::newRow("letter beyond ASCII") << "j\u00e9g"
                                             << "jpg";
    }
    void coverExtensions()
    {
        QFETCH(QString, ext);
        QFETCH(QString, stored);
        // The name M1F. exists as a folder, so a climbing extension would resolve if it were ever used.
        QVERIFY(QDir(gTempFolder).mkdir(QStringLiteral("M1F.")));
        const QStringList tmpBefore = QDir(m_home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries);
        const QStringList homeBefore = QDir(m_home.path()).entryList(QDir::AllEntries);

        UEF document;
        auto movie = ExchangeMovie(QStringLiteral("Covered"));
        movie->setStrFrontCover(AnsiText::Decode(TestSupport::JpegPicture(3)));
        movie->setStrFrontCoverExt(ext);
        document.colUEF()->Add(movie);
        QCOMPARE(ImportUEF(document.strUEF(), QStringLiteral("!0")), 1);

        const auto imported = gMovies->Item(1);
        QCOMPARE(imported->strFrontCover(), QStringLiteral("FrontCover.") + stored);
        // The copy that carried the cover into the store is gone once the movie is written.
        QCOMPARE(QDir(gTempFolder).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(m_home.filePath(QStringLiteral("tmp"))).entryList(QDir::AllEntries), tmpBefore);
        QCOMPARE(QDir(m_home.path()).entryList(QDir::AllEntries), homeBefore);
        QVERIFY(QDir(gTempFolder + QStringLiteral("/M1F.")).isEmpty());
        QFile cover(imported->Path() + QStringLiteral("/FrontCover.") + stored);
        QVERIFY(cover.open(QIODevice::ReadOnly));
        QCOMPARE(cover.readAll(), TestSupport::JpegPicture(3));
    }

    void backCoverOfTheNewItem()
    {
        for (int i = 0; i < 16; ++i) {
            gMedias->Add(QStringLiteral("Filler"));
        }
        UEF document;
        auto media = std::make_shared<UEFMedia>();
        media->setStrName(QStringLiteral("Seventeenth"));
        media->setStrUPC(kValidCode);
        media->setStrBackCover(AnsiText::Decode(TestSupport::PngPicture(4, 4, 4)));
        media->setStrBackCoverExt(QStringLiteral("png"));
        document.colUEF()->Add(media);
        QCOMPARE(ImportUEF(document.strUEF(), QStringLiteral("!0")), 1);
        QCOMPARE(gMedias->Item(QStringLiteral("E17"))->strBackCover(), QStringLiteral("BackCover.png"));
    }

    void noTemporaryFolderNoCovers()
    {
        RemoveTempFolder();
        gTempFolder.clear();
        UEF document;
        auto movie = ExchangeMovie(QStringLiteral("Covered"));
        movie->setStrFrontCover(AnsiText::Decode(TestSupport::JpegPicture(5)));
        movie->setStrFrontCoverExt(QStringLiteral("jpg"));
        document.colUEF()->Add(movie);
        QCOMPARE(ImportUEF(document.strUEF(), QStringLiteral("!0")), 1);
        QCOMPARE(gMovies->Item(1)->strFrontCover(), QString());
        QVERIFY(!QFileInfo::exists(QStringLiteral("/M1F.jpg")));
    }

    void boxRoundTrip()
    {
        const QString box = BuildBox(*this, 2, 2);
        const QString text = CreateUEF(box, true)->strUEF();
        QVERIFY(!text.isEmpty());

        UseStore(m_store->path(QStringLiteral("fresh")));
        QCOMPARE(ImportUEF(text, QStringLiteral("C7")), 1);
        QCOMPARE(gBoxes->Count(), 1);
        QCOMPARE(gMedias->Count(), 2);
        QCOMPARE(gMovies->Count(), 5);
        const auto newBox = gBoxes->Item(1);
        QCOMPARE(newBox->lngParentType(), 1);
        QCOMPARE(newBox->lngParentID(), 7);
        BuildChildLists();
        QCOMPARE(CreateUEF(newBox->strKey(), true)->strUEF(), text);

        // The store holds it all: a reload from disk gives the same document.
        UseStore(m_store->path(QStringLiteral("fresh")), true);
        BuildChildLists();
        QCOMPARE(gMovies->Count(), 5);
        QCOMPARE(CreateUEF(gBoxes->Item(1)->strKey(), true)->strUEF(), text);
    }

    // Every field of a box, a medium and a movie travels with its bytes: the text an export writes, and the files of
    // the item an import of that text makes.
    void everyFieldTravels_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("exported");
        QTest::addColumn<QByteArray>("imported");
        QTest::newRow("box") << int(ItemKind::Box)
                             << QByteArray("[BOX=\r\n[NAME=x = y = z]\r\n[SORTINDEX=\r\na\r\nb\r\n \r\n c ]\r\n"
                                           "[UPC=036000291452]\r\n[EXTRAS=  blanks  ]\r\n[FRONTCOVER=]\r\n"
                                           "[FRONTCOVEREXT=]\r\n[FRONTCOVERURL=]\r\n[BACKCOVER=]\r\n[BACKCOVEREXT=]\r\n"
                                           "[BACKCOVERURL=]\r\n[CONTENTS=]\r\n]")
                             << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 1\r\n"
                                           "NAME = x = y = z\r\nSORTKEY =   a  b      c\r\nEXTRAS = blanks\r\n"
                                           "UPC = 036000291452\r\nPARENTTYPE = 0\r\nPARENTID = 0\r\n\r\n");
        QTest::newRow("medium") << int(ItemKind::Media)
                                << QByteArray(
                                       "[MEDIA=\r\n[NAME=  blanks  ]\r\n[SORTINDEX=\r\na\r\nb\r\n \r\n c ]\r\n"
                                       "[UPC=036000291452]\r\n[MEDIA=\x81\x8D\xE9]\r\n[DVDTYPE=lone\rCR\nLF]\r\n"
                                       "[DVDREGION='quoted\r\n\r\nsecond]\r\n[DVDCASE=]\r\n[LDTYPE=&0&1x&2&00&2]\r\n"
                                       "[EXTRAS=\r\na\r\nb\r\n \r\n c ]\r\n[FRONTCOVER=]\r\n[FRONTCOVEREXT=]\r\n"
                                       "[FRONTCOVERURL=]\r\n[BACKCOVER=]\r\n[BACKCOVEREXT=]\r\n[BACKCOVERURL=]\r\n"
                                       "[CONTENTS=]\r\n]")
                                << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 1\r\n"
                                              "NAME = blanks\r\nSORTKEY =   a  b      c\r\nUPC = 036000291452\r\n"
                                              "MEDIA = \x81\x8D\xE9\r\nDVDREGION = 'quoted    second\r\n"
                                              "DVDTYPE = lone CR LF\r\nDVDCASE = \r\nLDTYPE = &[x]&0]\r\nEXTRAS = a\r\n"
                                              "EXTRAS = b\r\nEXTRAS =  c\r\nPARENTTYPE = 0\r\nPARENTID = 0\r\n\r\n");
        QTest::newRow("movie") << int(ItemKind::Movie)
                               << QByteArray(
                                      "[MOVIE=\r\n[TITLE=x = y = z]\r\n[LABEL=\x81\x8D\xE9]\r\n[SORTINDEX=\r\na\r\n"
                                      "b\r\n \r\n c ]\r\n[UPC=036000291452]\r\n[COUNTRY=\r\na\r\nb\r\n \r\n c ]\r\n"
                                      "[LENGTH=  blanks  ]\r\n[PICTURE='quoted\r\n\r\nsecond]\r\n"
                                      "[SOUNDMIX=&0&1x&2&00&2]\r\n[STUDIO=\r\na\r\nb\r\n \r\n c ]\r\n"
                                      "[SUBTITLES=  blanks  ]\r\n[SYSTEM=]\r\n[WEBSITE=x = y = z]\r\n[YEAR=  bl]\r\n"
                                      "[WRITER=x = y = z]\r\n[DIRECTOR=\x81\x8D\xE9]\r\n[PRODUCER=lone\rCR\nLF]\r\n"
                                      "[CAST='quoted\r\n\r\nsecond]\r\n[NOTES=\x81\x8D\xE9]\r\n"
                                      "[SYNOPSIS=lone\rCR\nLF]\r\n[MEDIA=lone\rCR\nLF]\r\n[DVDTYPE='quoted\r\n\r\n"
                                      "second]\r\n[DVDREGION=&0&1x&2&00&2]\r\n[DVDCASE=\r\na\r\nb\r\n \r\n c ]\r\n"
                                      "[LDTYPE=]\r\n[EXTRAS=&0&1x&2&00&2]\r\n[FRONTCOVER=]\r\n[FRONTCOVEREXT=]\r\n"
                                      "[FRONTCOVERURL=]\r\n[BACKCOVER=]\r\n[BACKCOVEREXT=]\r\n[BACKCOVERURL=]\r\n]")
                               << QByteArray("Notes.txt\n\x81\x8D\xE9\r\nSynopsis.txt\nlone\rCR\nLF\r\n"
                                             "content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 1\r\n"
                                             "TITLE = x = y = z\r\nLABEL = \x81\x8D\xE9\r\nSORTKEY =   a  b      c\r\n"
                                             "UPC = 036000291452\r\nMEDIA = lone CR LF\r\nDVDREGION = &[x]&0]\r\n"
                                             "DVDTYPE = 'quoted    second\r\nDVDCASE =   a  b      c\r\nLDTYPE = \r\n"
                                             "PICTURE = 'quoted\r\nPICTURE = second\r\nSOUNDMIX = &[x]&0]\r\n"
                                             "SUBTITLES = blanks\r\nCOLORSYSTEM = \r\nCOUNTRY =   a  b      c\r\n"
                                             "YEAR = bl\r\nLENGTH = blanks\r\nSTUDIO =   a  b      c\r\n"
                                             "WEBSITE = x = y = z\r\nEXTRAS = &[x]&0]\r\nWRITER = x = y = z\r\n"
                                             "DIRECTOR = \x81\x8D\xE9\r\nPRODUCER = lone CR LF\r\nCAST = 'quoted\r\n"
                                             "CAST = second\r\nPARENTTYPE = 0\r\nPARENTID = 0\r\n\r\n");
    }
    void everyFieldTravels()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, exported);
        QFETCH(QByteArray, imported);
        const auto list = [kind]() -> CItemList& {
            return kind == int(ItemKind::Box)     ? static_cast<CItemList&>(*gBoxes)
                   : kind == int(ItemKind::Media) ? static_cast<CItemList&>(*gMedias)
                                                  : static_cast<CItemList&>(*gMovies);
        };
        const auto item = ItemStore::NewItem(ItemKind(kind));
        FillEveryField(*item);
        item->setProperty("strUPC", kValidCode);
        const QString key = list().AddNew(item).valueOr({});
        QVERIFY(!key.isEmpty());
        BuildChildLists();
        const QByteArray text = AnsiText::Encode(CreateUEF(key, true)->strUEF());

        UseStore(m_store->path(QStringLiteral("fresh")));
        QCOMPARE(ImportUEF(AnsiText::Decode(text), QStringLiteral("!0")), 1);
        const QString folder = Collections::Item(key)->Path();
        QByteArray files;
        for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
            QFile file(folder + u'/' + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            files += name.toLatin1() + "\n" + file.readAll();
        }
        QCOMPARE(text, exported);
        QCOMPARE(files, imported);
    }

public:
    // A box with covers holding `media` media of `perMedia` movies each and one movie of its own; its key.
    static QString BuildBox(TestUEF& test, int media, int perMedia)
    {
        const QString box = gBoxes->Add(QStringLiteral("Complete Series"));
        auto boxItem = gBoxes->Item(box);
        boxItem->setStrSortKey(QStringLiteral("COMPLETE SERIES"));
        boxItem->setStrUPC(kValidCode);
        boxItem->setStrExtras(QStringLiteral("Booklet\r\nPoster"));
        gBoxes->Update(box);
        test.AddCover(*boxItem, true, QStringLiteral("jpg"), TestSupport::JpegPicture(10));
        test.AddCover(*boxItem, false, QStringLiteral("PNG"), TestSupport::PngPicture(6, 5, 11));
        int n = 0;
        for (int d = 0; d < media; ++d) {
            const QString key = gMedias->Add(QStringLiteral("Disc %1").arg(d + 1));
            auto disc = gMedias->Item(key);
            disc->setStrSortKey(QStringLiteral("DISC %1").arg(d + 1));
            disc->setStrUPC(QStringLiteral("50%1").arg(d));
            disc->setDMedia(mTypMediaInfo{"DVD", "DVD-9", "12", "", "Keepcase"});
            disc->setStrExtras(QStringLiteral("Commentary %1").arg(d));
            disc->setLngParentType(3);
            disc->setLngParentID(boxItem->lngID());
            gMedias->Update(key);
            test.AddCover(*disc, true, QStringLiteral("gif"), TestSupport::GifPicture(4 + d, 3));
            for (int m = 0; m < perMedia; ++m) {
                const QString movie = test.AddMovie(4, disc->lngID(), "");
                FillMovie(*gMovies->Item(movie), ++n);
                gMovies->Update(movie);
                if (m == 0) {
                    test.AddCover(*gMovies->Item(movie), false, QStringLiteral("jpeg"),
                                  TestSupport::JpegPicture(40 + n));
                }
            }
        }
        const QString own = test.AddMovie(3, boxItem->lngID(), "");
        FillMovie(*gMovies->Item(own), ++n);
        gMovies->Update(own);
        // A picture whose bytes take every value.
        test.AddCover(*gMovies->Item(own), true, QStringLiteral("bmp"), TestSupport::BmpPicture(90, 2, 60));
        BuildChildLists();
        return box;
    }

    QString AddMovie(int parentType, int parentID, const char* title, const mTypMediaInfo& media = {})
    {
        const QString key = gMovies->Add(QString::fromUtf8(title));
        auto movie = gMovies->Item(key);
        movie->setLngParentType(parentType);
        movie->setLngParentID(parentID);
        movie->setDMedia(media);
        gMovies->Update(key);
        return key;
    }

    void AddCover(CCoveredItem& item, bool front, const QString& ext, const QByteArray& bytes)
    {
        const QString source = m_home.filePath(QStringLiteral("source.") + ext);
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        front ? item.AddFrontCover(source) : item.AddBackCover(source);
        QVERIFY(!(front ? item.strFrontCover() : item.strBackCover()).isEmpty());
    }

    // Fresh collections on a store folder; load reads what the folder already holds.
    static void UseStore(const QString& folder, bool load = false)
    {
        QDir().mkpath(folder);
        gBoxes = std::make_shared<CBoxes>();
        gMedias = std::make_shared<CMedias>();
        gMovies = std::make_shared<CMovies>();
        gBoxes->setDBDir(folder);
        gMedias->setDBDir(folder);
        gMovies->setDBDir(folder);
        if (load) {
            gBoxes->LoadData();
            gMedias->LoadData();
            gMovies->LoadData();
        }
    }

private:
    // The program's private folder: its user folders, the stores and the files the tests write.
    const QTemporaryDir& m_home = TestSupport::ProgramDir();
    std::unique_ptr<TestStore> m_store;
};

QTEST_GUILESS_MAIN(TestUEF)
#include "tst_muef.moc"
