#include "CBox.h"
#include "CCategory.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"
#include "ItemStore.h"
#include "MGeneral.h"
#include "TestStore.h"

#include <QtTest>

static const QString kHead = "'Vidsora 3.3 Databasefile - DO NOT EDIT\r\n";

// Values that test the record's layout: empty, line ends and a blank entry inside, blanks at the ends, "=", the
// bytes 0x81 and 0x8D, a lone CR and LF, a leading quote and the exchange's escapes.
static QString OddValue(int n)
{
    static const QString values[] = {"",
                                     "\r\na\r\nb\r\n \r\n c ",
                                     "  blanks  ",
                                     "x = y = z",
                                     QString(QChar(0x81)) + QChar(0x8D) + QChar(0xE9),
                                     "lone\rCR\nLF",
                                     "'quoted\r\n\r\nsecond",
                                     "&[x]"};
    return values[n % std::size(values)];
}

// Gives every field of the item but its id a value of its own, through its properties: a field added to a kind is
// filled too.
static void FillEveryField(CItem& item)
{
    int n = 1;
    const QMetaObject* meta = item.metaObject();
    for (int p = 0; p < meta->propertyCount(); ++p) {
        const QMetaProperty property = meta->property(p);
        const QByteArray name = property.name();
        if (!property.isWritable() || name == "lngID" || name == "Path" || name == "objectName") {
            continue;
        }
        if (property.metaType() == QMetaType::fromType<mTypMediaInfo>()) {
            property.write(&item, QVariant::fromValue(mTypMediaInfo{OddValue(n), OddValue(n + 1), OddValue(n + 2),
                                                                    OddValue(n + 3), OddValue(n + 4)}));
            n += 5;
        } else if (property.metaType() == QMetaType::fromType<int>()) {
            property.write(&item, -n++);
        } else {
            property.write(&item, OddValue(n++));
        }
    }
}

class TestRecordFiles : public QObject
{
    Q_OBJECT

private slots:
    void safeName_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("example") << "A/B: C?"
                                 << "A_B_ C_";
        QTest::newRow("all eight") << "?/\\*:\"<>"
                                   << "________";
        QTest::newRow("others stay") << "|x.y é"
                                     << "|x.y é";
        QTest::newRow("NUL") << QString("a") + QChar(0) + "b"
                             << "a_b";
        QTest::newRow("control characters") << QString("\x1b[2JTitle\r\nTwo\tx\x7f") << QString("_[2JTitle__Two_x_");
    }
    void safeName()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(MGeneral::MakeSafeName(in), out);
    }

    void multiLine_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("blank entry skipped") << "a\r\n  \r\nb"
                                             << "K = a\r\nK = b";
        QTest::newRow("spaces kept") << " a \r\n"
                                     << "K =  a ";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("lone breaks flattened") << "a\rID = 9\nb"
                                               << "K = a ID = 9 b";
        QTest::newRow("break-only entry is blank") << "\n\r\nx"
                                                   << "K = x";
    }
    void multiLine()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(MGeneral::FormatMultiLine(u"K", in), out);
    }

    // Every field of every kind keeps its bytes: the item folder's files as a new item writes them, and as they are
    // written again after a read.
    void everyFieldKeepsItsBytes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("created");
        QTest::addColumn<QByteArray>("rewritten");
        QTest::newRow("category") << int(ItemKind::Category)
                                  << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                                "NAME =   blanks  \r\nSORTKEY =   a  b      c \r\n\r\n")
                                  << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                                "NAME = blanks\r\nSORTKEY = a  b      c\r\n\r\n");
        QTest::newRow("group") << int(ItemKind::Group)
                               << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                             "NAME =   blanks  \r\nSORTKEY =   a  b      c \r\nPARENTTYPE = -4\r\n"
                                             "PARENTID = -3\r\n\r\n")
                               << QByteArray(
                                      "content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                      "NAME = blanks\r\nSORTKEY = a  b      c\r\nPARENTTYPE = -4\r\nPARENTID = -3\r\n"
                                      "\r\n");
        QTest::newRow("box") << int(ItemKind::Box)
                             << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                           "NAME = x = y = z\r\nSORTKEY =   a  b      c \r\nEXTRAS =   blanks  \r\n"
                                           "UPC = \x81\x8D\xE9\r\nPARENTTYPE = -6\r\nPARENTID = -5\r\n\r\n")
                             << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                           "NAME = x = y = z\r\nSORTKEY = a  b      c\r\nEXTRAS = blanks\r\n"
                                           "UPC = \x81\x8D\xE9\r\nPARENTTYPE = -6\r\nPARENTID = -5\r\n\r\n");
        QTest::newRow("media") << int(ItemKind::Media)
                               << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                             "NAME =   blanks  \r\nSORTKEY =   a  b      c \r\nUPC = x = y = z\r\n"
                                             "MEDIA = \x81\x8D\xE9\r\nDVDREGION = 'quoted    second\r\n"
                                             "DVDTYPE = lone CR LF\r\nDVDCASE = \r\nLDTYPE = &[x]\r\nEXTRAS = a\r\n"
                                             "EXTRAS = b\r\nEXTRAS =  c \r\nPARENTTYPE = -11\r\nPARENTID = -10\r\n\r\n")
                               << QByteArray("content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                             "NAME = blanks\r\nSORTKEY = a  b      c\r\nUPC = x = y = z\r\n"
                                             "MEDIA = \x81\x8D\xE9\r\nDVDREGION = 'quoted    second\r\n"
                                             "DVDTYPE = lone CR LF\r\nDVDCASE = \r\nLDTYPE = &[x]\r\nEXTRAS = a\r\n"
                                             "EXTRAS = b\r\nEXTRAS = c\r\nPARENTTYPE = -11\r\nPARENTID = -10\r\n\r\n");
        QTest::newRow("movie") << int(ItemKind::Movie)
                               << QByteArray("Notes.txt\n\x81\x8D\xE9\r\nSynopsis.txt\nlone\rCR\nLF\r\n"
                                             "content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                             "TITLE = x = y = z\r\nLABEL = \x81\x8D\xE9\r\nSORTKEY =   a  b      c \r\n"
                                             "UPC = \r\nMEDIA = lone CR LF\r\nDVDREGION = &[x]\r\n"
                                             "DVDTYPE = 'quoted    second\r\nDVDCASE =   a  b      c \r\nLDTYPE = \r\n"
                                             "PICTURE = 'quoted\r\nPICTURE = second\r\nSOUNDMIX = &[x]\r\n"
                                             "SUBTITLES =   blanks  \r\nCOLORSYSTEM = \r\nCOUNTRY =   a  b      c \r\n"
                                             "YEAR =   bl\r\nLENGTH =   blanks  \r\nSTUDIO =   a  b      c \r\n"
                                             "WEBSITE = x = y = z\r\nEXTRAS = &[x]\r\nWRITER = x = y = z\r\n"
                                             "DIRECTOR = \x81\x8D\xE9\r\nPRODUCER = lone CR LF\r\nCAST = 'quoted\r\n"
                                             "CAST = second\r\nPARENTTYPE = -27\r\nPARENTID = -26\r\n\r\n")
                               << QByteArray(
                                      "Notes.txt\n\x81\x8D\xE9\r\nSynopsis.txt\nlone\r\nCR\nLF\r\n"
                                      "content.mdc\n'Vidsora 3.3 Databasefile - DO NOT EDIT\r\nID = 7\r\n"
                                      "TITLE = x = y = z\r\nLABEL = \x81\x8D\xE9\r\nSORTKEY = a  b      c\r\n"
                                      "UPC = \r\nMEDIA = lone CR LF\r\nDVDREGION = &[x]\r\n"
                                      "DVDTYPE = 'quoted    second\r\nDVDCASE = a  b      c\r\nLDTYPE = \r\n"
                                      "PICTURE = 'quoted\r\nPICTURE = second\r\nSOUNDMIX = &[x]\r\n"
                                      "SUBTITLES = blanks\r\nCOLORSYSTEM = \r\nCOUNTRY = a  b      c\r\nYEAR = bl\r\n"
                                      "LENGTH = blanks\r\nSTUDIO = a  b      c\r\nWEBSITE = x = y = z\r\n"
                                      "EXTRAS = &[x]\r\nWRITER = x = y = z\r\nDIRECTOR = \x81\x8D\xE9\r\n"
                                      "PRODUCER = lone CR LF\r\nCAST = 'quoted\r\nCAST = second\r\n"
                                      "PARENTTYPE = -27\r\nPARENTID = -26\r\n\r\n");
    }
    void everyFieldKeepsItsBytes()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, created);
        QFETCH(QByteArray, rewritten);
        // The files of a folder, by name, each after its name and a line end.
        const auto files = [](const QString& folder) {
            QByteArray all;
            for (const QString& name : TestStore::Entries(folder)) {
                QFile file(folder + u'/' + name);
                all += name.toLatin1() + "\n" + (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
            }
            return all;
        };
        TestStore store;
        const auto item = ItemStore::NewItem(ItemKind(kind));
        item->setLngID(7);
        FillEveryField(*item);
        QVERIFY(ItemStore::CreateItem(*item, store.db()));
        const QByteArray createdFiles = files(item->Path());
        const auto read = ItemStore::ReadItem(ItemKind(kind), item->Path());
        QVERIFY(read);
        QVERIFY(ItemStore::SaveItem(*read, store.db()));
        QCOMPARE(createdFiles, created);
        QCOMPARE(files(read->Path()), rewritten);
    }

    void categoryRecordText()
    {
        CCategory c;
        c.setLngID(3);
        c.setStrName("Action");
        c.setStrSortKey("ACTION");
        QCOMPARE(ItemStore::RecordText(c), kHead + "ID = 3\r\nNAME = Action\r\nSORTKEY = ACTION\r\n\r\n");
    }

    void boxAndMediaKeyOrder()
    {
        CBox b;
        b.setLngID(4);
        b.setStrName(" Set ");
        b.setStrUPC("123");
        b.setLngParentType(1);
        b.setLngParentID(2);
        QCOMPARE(ItemStore::RecordText(b), kHead + "ID = 4\r\nNAME =  Set \r\nSORTKEY = \r\n\r\nUPC = 123\r\n"
                                                   "PARENTTYPE = 1\r\nPARENTID = 2\r\n\r\n");
        CMedia e;
        e.setLngID(5);
        e.setDMedia({"DVD", "DVD-9", "12", "CLV", "Snapper"});
        e.setStrExtras("x\r\ny");
        QCOMPARE(ItemStore::RecordText(e), kHead + "ID = 5\r\nNAME = \r\nSORTKEY = \r\nUPC = \r\nMEDIA = DVD\r\n"
                                                   "DVDREGION = 12\r\nDVDTYPE = DVD-9\r\nDVDCASE = Snapper\r\n"
                                                   "LDTYPE = CLV\r\nEXTRAS = x\r\nEXTRAS = y\r\nPARENTTYPE = 0\r\n"
                                                   "PARENTID = 0\r\n\r\n");
    }

    // How single lines of a category record read.
    void recordLines_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("further = stay in value") << "ID = 1\r\nNAME = a=b" << true << 1 << "a=b";
        QTest::newRow("no spaces") << "ID=1\r\nNAME=x" << true << 1 << "x";
        QTest::newRow("lower-case key ignored") << "ID = 1\r\nname = x" << true << 1 << "";
        QTest::newRow("spaces trimmed, tabs kept") << "ID = 1\r\nNAME =  \tx  " << true << 1 << "\tx";
        QTest::newRow("indented comment") << "ID = 1\r\n   'NAME = x" << true << 1 << "";
        QTest::newRow("last NAME wins") << "ID = 1\r\nNAME = a\r\nNAME = b" << true << 1 << "b";
        QTest::newRow("first good ID wins") << "ID = x\r\nID = 4\r\nID = 5" << true << 4 << "";
        QTest::newRow("lone CR ends a line") << "ID = 1\rNAME = x" << true << 1 << "x";
        QTest::newRow("lone LF stays inside") << "ID = 1\r\nNAME = x\ny" << true << 1 << "x\ny";
        QTest::newRow("no ID") << "NAME = x" << false << 0 << "";
        QTest::newRow("ID -1") << "ID = -1\r\nNAME = x" << false << 0 << "";
        QTest::newRow("ID 12abc") << "ID = 12abc" << false << 0 << "";
        QTest::newRow("ID out of range") << "ID = 2147483648" << false << 0 << "";
    }
    void recordLines()
    {
        QFETCH(QString, lines);
        QFETCH(bool, kept);
        QFETCH(int, id);
        QFETCH(QString, name);
        TestStore store;
        const QString folder = store.db() + "/Categories/x.1";
        TestStore::Write(folder + u'/' + ItemStore::kRecord, kHead + lines + "\r\n");
        auto item = ItemStore::ReadItem(ItemKind::Category, folder);
        QCOMPARE(bool(item), kept);
        if (item) {
            auto* c = static_cast<CCategory*>(item.get());
            QCOMPARE(c->lngID(), id);
            QCOMPARE(c->strName(), name);
            QCOMPARE(c->Path(), folder);
        }
    }

    // A box, medium or movie record without a usable id is left out like a category's, its folder untouched.
    void recordWithoutIdIsSkipped_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("folder");
        QTest::newRow("box") << int(ItemKind::Box) << "Boxes";
        QTest::newRow("media") << int(ItemKind::Media) << "Medias";
        QTest::newRow("movie") << int(ItemKind::Movie) << "Movies";
        QTest::newRow("group") << int(ItemKind::Group) << "Groups";
    }
    void recordWithoutIdIsSkipped()
    {
        QFETCH(int, kind);
        QFETCH(QString, folder);
        TestStore store;
        const QString dir = store.db() + "/" + folder + "/x.3";
        TestStore::Write(dir + u'/' + ItemStore::kRecord, kHead + "NAME = x\r\nTITLE = x\r\nID = abc\r\n");
        TestStore::Write(dir + "/Notes.txt", "keep");
        QVERIFY(!ItemStore::ReadItem(ItemKind(kind), dir));
        QCOMPARE(TestStore::Entries(dir), (QStringList{"Notes.txt", ItemStore::kRecord}));
    }

    void movieSurvivesSaveAndRead()
    {
        TestStore store;
        CMovie m;
        m.setLngID(12);
        m.setStrTitle("  Alien ");
        m.setStrLabel("Director's Cut");
        m.setStrSortKey("ALIEN");
        m.setStrUPC("0123");
        m.setDMedia({"DVD", "DVD-9", "2", "", "Keepcase"});
        m.setStrPicture("16:9\r\n\r\n 4:3 ");
        m.setStrSystem("PAL");
        m.setStrCountry("USA");
        m.setStrYear("1979");
        m.setStrLength("117");
        m.setStrStudio("Studio");
        m.setStrWebsite("http://x/?a=b");
        m.setStrExtras("Trailer");
        m.setStrWriter("W1\r\nW2");
        m.setStrDirector("D");
        m.setStrProducer("P");
        m.setStrCast("A: B\r\nC: D");
        m.setLngParentType(4);
        m.setLngParentID(-2);
        m.setStrNotes("one\r\n\r\nthree");
        m.setStrSynopsis("\r\n\r\nstarts late");
        QVERIFY(ItemStore::SaveItem(m, store.db()));
        QCOMPARE(m.Path(), store.db() + "/Movies/ALIEN.12");

        auto read = std::static_pointer_cast<CMovie>(ItemStore::ReadItem(ItemKind::Movie, m.Path()));
        QVERIFY(read);
        QCOMPARE(read->strKey(), QString("M12"));
        QCOMPARE(read->strTitle(), QString("Alien"));
        QCOMPARE(read->strLabel(), m.strLabel());
        QCOMPARE(read->dMedia(), m.dMedia());
        QCOMPARE(read->strPicture(), QString("16:9\r\n4:3"));
        QVERIFY(read->strSoundmix().isEmpty());
        QVERIFY(read->strSubtitles().isEmpty());
        QCOMPARE(read->strWebsite(), m.strWebsite());
        QCOMPARE(read->strWriter(), m.strWriter());
        QCOMPARE(read->strCast(), m.strCast());
        QCOMPARE(read->lngParentType(), 4);
        QCOMPARE(read->lngParentID(), -2);
        QCOMPARE(read->strNotes(), m.strNotes());
        QCOMPARE(read->strSynopsis(), QString("starts late"));
        QCOMPARE(TestStore::Read(m.Path() + "/Notes.txt"), QString("one\r\n\r\nthree\r\n"));
    }

    // A line break inside a single value, or inside one entry, must not become a record line of its own.
    void valuesCannotInjectLines()
    {
        TestStore store;
        CBox b;
        b.setLngID(2);
        b.setStrName("Evil\r\nID = 99\rPARENTID = 7");
        b.setStrExtras("x\nPARENTTYPE = 3\r\ny");
        QVERIFY(ItemStore::SaveItem(b, store.db()));
        auto read = std::static_pointer_cast<CBox>(ItemStore::ReadItem(ItemKind::Box, b.Path()));
        QVERIFY(read);
        QCOMPARE(read->lngID(), 2);
        QCOMPARE(read->lngParentID(), 0);
        QCOMPARE(read->lngParentType(), 0);
        QCOMPARE(read->strName(), QString("Evil  ID = 99 PARENTID = 7"));
        QCOMPARE(read->strExtras(), QString("x PARENTTYPE = 3\r\ny"));
    }

    // The folder is named once; a name already on disk is never adopted.
    void folderNamedOnceAndExclusively()
    {
        TestStore store;
        QDir().mkpath(store.db() + "/Categories/Drama.2");
        QDir().mkpath(store.db() + "/Categories/Drama_2.2");
        CCategory c;
        c.setLngID(2);
        c.setStrName("Drama");
        QVERIFY(ItemStore::SaveItem(c, store.db()));
        QCOMPARE(QFileInfo(c.Path()).fileName(), QString("Drama_3.2"));
        QVERIFY(TestStore::Entries(store.db() + "/Categories/Drama.2").isEmpty());

        c.setStrSortKey("DRAMA");
        c.setStrName("Other");
        QVERIFY(ItemStore::SaveItem(c, store.db()));
        QCOMPARE(QFileInfo(c.Path()).fileName(), QString("Drama_3.2"));
        QCOMPARE(TestStore::Entries(store.db() + "/Categories").size(), 3);
    }

    void longNamesFitTheFileSystem_data()
    {
        QTest::addColumn<QString>("base");
        QTest::newRow("ascii") << QString(400, u'a');
        QTest::newRow("two-byte") << QString(300, QChar(0xE9));
        QTest::newRow("four-byte") << QString(QStringLiteral("\U0001F3AC")).repeated(100);
    }
    void longNamesFitTheFileSystem()
    {
        QFETCH(QString, base);
        TestStore store;
        CGroup g;
        g.setLngID(123456);
        g.setStrName(base);
        QVERIFY(ItemStore::SaveItem(g, store.db()));
        const QString name = QFileInfo(g.Path()).fileName();
        const QByteArray bytes = QFile::encodeName(name);
        QVERIFY(bytes.size() <= 255);
        QVERIFY(bytes.size() > 250);
        QVERIFY(name.endsWith(".123456"));
        QCOMPARE(QString::fromUtf8(bytes), name); // never cut inside a character
        QVERIFY(base.startsWith(name.chopped(7)));
    }

    void resaveKeepsCoversAndReplacesLowerCaseTexts()
    {
        TestStore store;
        CMovie m;
        m.setLngID(1);
        m.setStrTitle("T");
        QVERIFY(ItemStore::SaveItem(m, store.db()));
        TestStore::Write(m.Path() + "/FrontCover.jpg", "img");
        TestStore::Write(m.Path() + "/notes.txt", "old");
        m.setStrNotes("new");
        QVERIFY(ItemStore::SaveItem(m, store.db()));
        QCOMPARE(TestStore::Entries(m.Path()),
                 (QStringList{"FrontCover.jpg", "Notes.txt", "Synopsis.txt", ItemStore::kRecord}));
        QCOMPARE(TestStore::Read(m.Path() + "/Synopsis.txt"), QString("\r\n"));
    }

    // When one record file cannot be written, the old files all stay as they were.
    void failedRewriteKeepsTheOldFiles()
    {
        TestStore store;
        CMovie m;
        m.setLngID(1);
        m.setStrTitle("T");
        m.setStrNotes("old notes");
        QVERIFY(ItemStore::SaveItem(m, store.db()));
        const QString record = TestStore::Read(m.Path() + u'/' + ItemStore::kRecord);
        QVERIFY(QFile::remove(m.Path() + "/Synopsis.txt"));
        QVERIFY(QDir().mkdir(m.Path() + "/Synopsis.txt"));

        m.setStrTitle("Changed");
        m.setStrNotes("new notes");
        QVERIFY(!ItemStore::SaveItem(m, store.db()));
        QCOMPARE(TestStore::Read(m.Path() + u'/' + ItemStore::kRecord), record);
        QCOMPARE(TestStore::Read(m.Path() + "/Notes.txt"), QString("old notes\r\n"));
        QCOMPARE(TestStore::Entries(m.Path()), (QStringList{"Notes.txt", "Synopsis.txt", ItemStore::kRecord}));
    }

    void firstSaveFailsWithoutKindFolder()
    {
        TestStore store;
        QVERIFY(QDir(store.db() + "/Boxes").removeRecursively());
        CBox b;
        b.setLngID(1);
        b.setStrName("B");
        QVERIFY(!ItemStore::SaveItem(b, store.db()));
        QVERIFY(b.Path().isEmpty());
    }

    void deleteRemovesFolderAndEverything()
    {
        TestStore store;
        CBox b;
        b.setLngID(1);
        b.setStrName("B");
        QVERIFY(ItemStore::SaveItem(b, store.db()));
        TestStore::Write(b.Path() + "/BackCover.gif", "x");
        TestStore::Write(b.Path() + "/.stray", "x");
        ItemStore::DeleteItemFolder(b);
        QVERIFY(!QFileInfo::exists(b.Path()));
    }
};

QTEST_GUILESS_MAIN(TestRecordFiles)
#include "tst_recordfiles.moc"
