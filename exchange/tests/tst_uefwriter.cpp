#include "AnsiText.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"
#include "UEFWriter.h"

#include <QtTest>

namespace {

const QStringList kCoverTags = {"FRONTCOVER", "FRONTCOVEREXT", "FRONTCOVERURL",
                                "BACKCOVER",  "BACKCOVEREXT",  "BACKCOVERURL"};
const QStringList kMovieTags =
    QStringList{"TITLE",     "LABEL",    "SORTINDEX", "UPC",    "COUNTRY",  "LENGTH", "PICTURE",
                "SOUNDMIX",  "STUDIO",   "SUBTITLES", "SYSTEM", "WEBSITE",  "YEAR",   "WRITER",
                "DIRECTOR",  "PRODUCER", "CAST",      "NOTES",  "SYNOPSIS", "MEDIA",  "DVDTYPE",
                "DVDREGION", "DVDCASE",  "LDTYPE",    "EXTRAS"} +
    kCoverTags;
const QStringList kBoxTags = QStringList{"NAME", "SORTINDEX", "UPC", "EXTRAS"} + kCoverTags;
const QStringList kMediaTags =
    QStringList{"NAME", "SORTINDEX", "UPC", "MEDIA", "DVDTYPE", "DVDREGION", "DVDCASE", "LDTYPE", "EXTRAS"} +
    kCoverTags;

QString EmptyFields(const QStringList& tags)
{
    QString text;
    for (const QString& tag : tags) {
        text += "[" + tag + "=]\r\n";
    }
    return text;
}

} // namespace

class TestUEFWriter : public QObject
{
    Q_OBJECT

private slots:
    void emptyDocumentGivesNoText()
    {
        UEF document;
        QCOMPARE(document.strUEF(), QString());
    }

    void emptyItemsLayout()
    {
        QCOMPARE(UEFWriter::WriteMovie(UEFMovie()), "[MOVIE=\r\n" + EmptyFields(kMovieTags) + "]");
        QCOMPARE(UEFWriter::WriteBox(UEFBox()), "[BOX=\r\n" + EmptyFields(kBoxTags) + "[CONTENTS=]\r\n]");
        QCOMPARE(UEFWriter::WriteMedia(UEFMedia()), "[MEDIA=\r\n" + EmptyFields(kMediaTags) + "[CONTENTS=]\r\n]");
    }

    // Each tag carries its own property: every property holds its own name, so a line shows which one it wrote.
    void tagsCarryTheirProperties()
    {
        const QStringList properties = {"strTitle",     "strLabel",        "strSortKey",       "strUPC",
                                        "strCountry",   "strLength",       "strPicture",       "strSoundmix",
                                        "strStudio",    "strSubtitles",    "strSystem",        "strWebsite",
                                        "strYear",      "strWriter",       "strDirector",      "strProducer",
                                        "strCast",      "strNotes",        "strSynopsis",      "strMedia",
                                        "strDVDType",   "strDVDRegion",    "strDVDCase",       "strLDType",
                                        "strExtras",    "strFrontCover",   "strFrontCoverExt", "strFrontCoverURL",
                                        "strBackCover", "strBackCoverExt", "strBackCoverURL"};
        UEFMovie movie;
        UEFMedia media;
        UEFBox box;
        for (const QString& name : properties) {
            movie.setProperty(name.toLatin1(), name);
            media.setProperty(name.toLatin1(), name);
            box.setProperty(name.toLatin1(), name);
        }
        QString expected = "[MOVIE=\r\n";
        for (int i = 0; i < kMovieTags.size(); ++i) {
            expected += "[" + kMovieTags[i] + "=" + (kMovieTags[i] == "YEAR" ? "strY" : properties[i]) + "]\r\n";
        }
        QCOMPARE(UEFWriter::WriteMovie(movie), expected + "]");
        media.setStrName("strName");
        box.setStrName("strName");
        const QString mediaText = UEFWriter::WriteMedia(media);
        const QString boxText = UEFWriter::WriteBox(box);
        for (const QString& tag : kMediaTags) {
            const int at = kMovieTags.indexOf(tag);
            const QString line = "[" + tag + "=" + (at < 0 ? "strName" : properties[at]) + "]\r\n";
            QVERIFY2(mediaText.contains(line), qPrintable(tag));
            QVERIFY2(!kBoxTags.contains(tag) || boxText.contains(line), qPrintable(tag));
        }
    }

    void mediumWithTwoMovies()
    {
        UEFMedia media;
        media.setStrName("Disc");
        auto first = std::make_shared<UEFMovie>();
        first->setStrTitle("One");
        auto second = std::make_shared<UEFMovie>();
        second->setStrTitle("Two");
        media.colContents()->Add(first);
        media.colContents()->Add(second);
        QString fields = EmptyFields(kMediaTags);
        fields.replace("[NAME=]", "[NAME=Disc]");
        const QString expected = "[MEDIA=\r\n" + fields + "[CONTENTS=" + UEFWriter::WriteMovie(*first) +
                                 UEFWriter::WriteMovie(*second) + "]\r\n]";
        QCOMPARE(UEFWriter::WriteMedia(media), expected);
    }

    void escaping_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("brackets and ampersand") << "A&B [Director's cut]"
                                                << "A&0B &1Director's cut&2";
        QTest::newRow("already escaped") << "&1"
                                         << "&01";
        QTest::newRow("line break kept") << "one\r\ntwo"
                                         << "one\r\ntwo";
        QTest::newRow("no trim, equals kept") << "  a=b  "
                                              << "  a=b  ";
        QTest::newRow("nested") << "]][[&"
                                << "&2&2&1&1&0";
        const QString high = QString::fromLatin1("\x01\x7f\xe9\xff");
        QTest::newRow("high and control") << high << high;
    }
    void escaping()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(UEFWriter::EscapeText(value), written);
        UEFMovie movie;
        movie.setStrTitle(value);
        QVERIFY(UEFWriter::WriteMovie(movie).contains("[TITLE=" + written + "]\r\n[LABEL=]"));
    }

    void coverBytesPassThrough()
    {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b) {
            bytes.append(char(b));
        }
        UEFBox box;
        box.setStrFrontCover(AnsiText::Decode(bytes));
        box.setStrFrontCoverExt("gif");
        const QByteArray written = AnsiText::Encode(UEFWriter::WriteBox(box));
        QByteArray escaped = bytes;
        escaped.replace("&", "&0").replace("[", "&1").replace("]", "&2");
        QVERIFY(written.contains("[FRONTCOVER=" + escaped + "]\r\n[FRONTCOVEREXT=gif]\r\n"));
    }

    void topLevelItemsFollowDirectly()
    {
        UEF document;
        auto movie = std::make_shared<UEFMovie>();
        auto box = std::make_shared<UEFBox>();
        document.colUEF()->Add(movie);
        document.colUEF()->Add(std::make_shared<QObject>()); // foreign entries write nothing
        document.colUEF()->Add(nullptr);
        document.colUEF()->Add(box);
        QCOMPARE(document.strUEF(), UEFWriter::WriteMovie(*movie) + UEFWriter::WriteBox(*box));
    }

    // Contents nest at most 16 levels below the top; deeper ones are left out instead of recursing on.
    void nestingIsBounded_data()
    {
        QTest::addColumn<int>("levels");
        QTest::addColumn<int>("written");
        QTest::newRow("within") << 17 << 17;
        QTest::newRow("beyond") << 40 << 17;
    }
    void nestingIsBounded()
    {
        QFETCH(int, levels);
        QFETCH(int, written);
        UEF document;
        std::shared_ptr<UEFCollection> target = document.colUEF();
        for (int i = 0; i < levels; ++i) {
            auto media = std::make_shared<UEFMedia>();
            target->Add(media);
            target = media->colContents();
        }
        QCOMPARE(document.strUEF().count("[MEDIA=\r\n"), written);
    }

    void aBoxHoldingItselfEnds()
    {
        auto box = std::make_shared<UEFBox>();
        box->colContents()->Add(box);
        QCOMPARE(UEFWriter::WriteBox(*box).count("[BOX="), 17);
        box->setColContents(nullptr); // break the cycle
    }
};

QTEST_GUILESS_MAIN(TestUEFWriter)
#include "tst_uefwriter.moc"
