// The markup pieces: the block ids they share and take, the rows, the section pieces and the text made safe. The
// bytes of a whole page are checked in tst_chtml.

#include "CHTML.h"
#include "HTMLFuncs.h"

#include <QtTest>

#include <limits>

using namespace HTMLFuncs;

namespace {

QString Join(const QStringList& lines)
{
    QString out;
    for (const QString& line : lines) {
        out += line + "\r\n";
    }
    return out;
}

} // namespace

class TestHTMLFuncs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A page builder object sets the module's colours and class names.
        CHTML builder;
        QCOMPARE(strRowColor[0], QString("EEEEFF"));
    }

    void beginDocIdsFollowOneAnother()
    {
        lngBlockID = 99;
        const QString first = BeginDoc("A", "", "", "50%", true);
        const QString second = BeginDoc("B", "", "", "50%", true);
        QVERIFY(first.contains("<TR ID=\"99\">") && first.contains("showhide('99');"));
        QVERIFY(second.contains("<TR ID=\"100\">") && second.contains("showhide('100');"));
        QVERIFY(first.startsWith("<TABLE WIDTH=50% Class="));
        QCOMPARE(lngBlockID, 101);
    }

    void blockCounterWrapsInsteadOfOverflowing()
    {
        lngBlockID = std::numeric_limits<qint32>::max();
        const QString item = BeginDoc("A", "", "", "100%", false);
        QVERIFY(item.contains("<TR ID=\"2147483647\">"));
        QCOMPARE(lngBlockID, 0);
        lngBlockID = std::numeric_limits<qint32>::max();
        NextBlock();
        QCOMPARE(lngBlockID, 0);
    }

    void itemDoc_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("color");
        QTest::addColumn<QString>("background");
        QTest::newRow("first colour") << "Year:"
                                      << "1999" << 0 << "EEEEFF";
        QTest::newRow("second colour") << "Notes:"
                                       << "a<br>b" << 1 << "DDDDFF";
        QTest::newRow("empty value keeps its line") << "X:"
                                                    << "" << 0 << "EEEEFF";
        QTest::newRow("other index counts as the first") << "X:"
                                                         << "v" << 5 << "EEEEFF";
    }
    void itemDoc()
    {
        QFETCH(QString, label);
        QFETCH(QString, value);
        QFETCH(int, color);
        QFETCH(QString, background);
        const qint32 before = lngBlockID;
        const QString expected = Join({"      <TR>", "       <TD VALIGN=TOP Class=\"Alldata\" BGCOLOR=BBBBFF>",
                                       "        <b>" + label + "</b>", "       </TD>",
                                       "       <TD VALIGN=TOP Class=\"Alldata\" WIDTH=80% BGCOLOR=" + background + ">",
                                       "        " + value, "       </TD>", "      </TR>"});
        QCOMPARE(ItemDoc(label, value, color), expected);
        QCOMPARE(lngBlockID, before);
    }

    void sectionPiecesShareTheirId_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("hidden");
        QTest::newRow("closed") << true << " style=display:none";
        QTest::newRow("open") << false << "";
    }
    void sectionPiecesShareTheirId()
    {
        QFETCH(bool, closed);
        QFETCH(QString, hidden);
        lngBlockID = 12;
        const QString heading = DividerDoc("Cast & crew");
        const QString start = BlockStart(closed);
        const QString end = BlockEnd();
        QCOMPARE(lngBlockID, 12);
        QCOMPARE(heading, Join({"       <TR>",
                                "        <TD Colspan=2  BGCOLOR=AAAAFF Width=100% Height=5 CLASS=\"Alldata\" "
                                "OnClick=\"showhide('12')\" OnMouseOver=\"this.style.backgroundColor='0000FF'\" "
                                "OnMouseOut=\"this.style.backgroundColor='AAAAFF'\" >         <b>Cast & crew</b>",
                                "</TD>", "       </TR>"}));
        QCOMPARE(start, Join({"       <TR>", "        <TD Colspan=2  BGCOLOR=EEEEFF Width=100% Height=5>         "
                                             "<TABLE WIDTH=100% Cellspacing=1 ID=\"12\"" +
                                                 hidden + ">"}));
        QCOMPARE(end, QString("         </TABLE>        </TD>       </TR>\r\n"));
    }

    void niceUPC_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12 digits") << "036000291452"
                                   << "0 36000 29145 2";
        QTest::newRow("13 digits, leading 0 kept") << "0012345678905"
                                                   << "0 012345 678905";
        QTest::newRow("11 digits") << "12345678901"
                                   << "12345678901";
        QTest::newRow("14 digits") << "12345678901234"
                                   << "12345678901234";
        QTest::newRow("8 digits") << "12345670"
                                  << "12345670";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("12 with a letter") << "03600029145X"
                                          << "03600029145X";
        QTest::newRow("12 with a leading blank") << " 36000291452"
                                                 << " 36000291452";
        QTest::newRow("12 with a sign") << "-36000291452"
                                        << "-36000291452";
        QTest::newRow("12 with a point") << "3600.0291452"
                                         << "3600.0291452";
        QTest::newRow("13 with an exponent") << "1234567890E12"
                                             << "1234567890E12";
        QTest::newRow("12 digits of another script") << QString(12, QChar(0x0663)) << QString(12, QChar(0x0663));
    }
    void niceUPC()
    {
        QFETCH(QString, code);
        QFETCH(QString, shown);
        QCOMPARE(NiceUPC(code), shown);
    }

    void itemText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("markup");
        QTest::newRow("plain") << "Alien (1979)"
                               << "Alien (1979)";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("tags") << "<script>x</script>"
                              << "&lt;script&gt;x&lt;/script&gt;";
        QTest::newRow("ampersand before entity") << "&amp; & &lt;"
                                                 << "&amp;amp; &amp; &amp;lt;";
        QTest::newRow("quote") << "a\" onclick=\"b"
                               << "a&quot; onclick=&quot;b";
        QTest::newRow("single quote and line breaks stay") << "it's\r\nok"
                                                           << "it's\r\nok";
    }
    void itemText()
    {
        QFETCH(QString, text);
        QFETCH(QString, markup);
        QCOMPARE(ItemText(text), markup);
    }
};

QTEST_GUILESS_MAIN(TestHTMLFuncs)
#include "tst_htmlfuncs.moc"
