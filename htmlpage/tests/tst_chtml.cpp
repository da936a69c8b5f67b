// Item pages: which rows, sections and nested items a document renders, item text shown as text, and a page's frame
// byte for byte.

#include "CHTML.h"
#include "HTMLFuncs.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QMetaProperty>
#include <QRegularExpression>
#include <QtTest>

using namespace HTMLFuncs;

namespace {

using Fields = QMap<QString, QString>;

template <class T> std::shared_ptr<T> Make(const Fields& fields)
{
    auto item = std::make_shared<T>();
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        const bool known = item->setProperty(it.key().toLatin1(), it.value());
        Q_ASSERT(known);
    }
    return item;
}

std::shared_ptr<UEF> Document(std::initializer_list<std::shared_ptr<QObject>> items)
{
    auto document = std::make_shared<UEF>();
    for (const auto& item : items) {
        document->colUEF()->Add(item);
    }
    return document;
}

QString Render(const std::shared_ptr<UEF>& document)
{
    CHTML builder;
    builder.setUEF(document);
    return builder.HTML();
}

// The labels of all field rows, in page order.
QStringList Labels(const QString& html)
{
    QStringList labels;
    static const QRegularExpression label("\n        <b>([^\r]*)</b>\r");
    for (auto it = label.globalMatch(html); it.hasNext();) {
        labels << it.next().captured(1);
    }
    return labels;
}

// The value and background of the first row with this label.
QPair<QString, QString> Row(const QString& html, const QString& label)
{
    const QString head = "        <b>" + label +
                         "</b>\r\n       </TD>\r\n       <TD VALIGN=TOP Class=\"Alldata\" "
                         "WIDTH=80% BGCOLOR=";
    const qsizetype at = html.indexOf(head);
    if (at < 0) {
        return {};
    }
    const qsizetype colour = at + head.size();
    const qsizetype value = colour + 6 + 3; // the colour, ">" and CR LF
    const qsizetype end = html.indexOf("\r\n       </TD>\r\n      </TR>\r\n", value);
    return {html.mid(value + 8, end - value - 8), html.mid(colour, 6)};
}

QString Value(const QString& html, const QString& label)
{
    return Row(html, label).first;
}

QStringList Headings(const QString& html)
{
    QStringList headings;
    static const QRegularExpression heading(" >         <b>([^<]*)</b>\r\n</TD>");
    for (auto it = heading.globalMatch(html); it.hasNext();) {
        headings << it.next().captured(1);
    }
    return headings;
}

QStringList Titles(const QString& html)
{
    QStringList titles;
    static const QRegularExpression title("<Span Class=\"largeheadersblack\">(.*?)</Span>");
    for (auto it = title.globalMatch(html); it.hasNext();) {
        titles << it.next().captured(1);
    }
    return titles;
}

// The lines of CR LF ended text.
QString Lines(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// The title bar and cover cell of the item titled title: from the title's cell to the cell of its rows.
QString Frame(const QString& html, const QString& title)
{
    const qsizetype at = html.indexOf("<Span Class=\"largeheadersblack\">" + title + "</Span>");
    const qsizetype from = html.lastIndexOf("     <TD VALIGN=CENTER", at);
    const QString rowsCell = "     <TD VAlign=Top Width=100%>\r\n";
    const qsizetype to = html.indexOf(rowsCell, at);
    return at < 0 || from < 0 || to < 0 ? QString() : html.mid(from, to + rowsCell.size() - from);
}

// The page with every block id replaced, so two renderings can be compared apart from their ids.
QString WithoutIds(QString html)
{
    static const QRegularExpression ids("(ID=\"|showhide\\(')\\d+");
    return html.replace(ids, "\\1#");
}

} // namespace

class TestCHTML : public QObject
{
    Q_OBJECT

private slots:
    void noDocumentAndEmptyDocument()
    {
        CHTML builder;
        QCOMPARE(builder.HTML(), QString());
        builder.setUEF(std::make_shared<UEF>());
        QCOMPARE(builder.HTML(), JavaCode() + "\r\n");
        QCOMPARE(builder.property("HTML").toString(), JavaCode() + "\r\n");
    }

    // The whole page of a movie with a title and both covers, byte for byte: the script that folds the sections, the
    // item's frame with its title bar and cover cell, and every table it opens closed again.
    void moviePage()
    {
        lngBlockID = 6;
        const QString got = Render(Document({Make<UEFMovie>(
            {{"strTitle", "Alien"}, {"strFrontCoverURL", "/c/F.jpg"}, {"strBackCoverURL", "/c/B.jpg"}})}));
        QCOMPARE(lngBlockID, 8);
        const QString expected =
            Lines({"<script language=\"javascript\">",
                   "<!--",
                   "function showhide(blockid)",
                   "{",
                   "  var picid = \"Pitm_\" + blockid;",
                   "  var item = document.all.item(blockid);",
                   "  var pic = document.all.item(picid);",
                   "  var visible = item.style.display;",
                   "  if ( visible == \"none\" )",
                   "  {",
                   "    item.style.display = \"block\";",
                   "  }",
                   "  else",
                   "  {",
                   "    item.style.display = \"none\";",
                   "  }",
                   "}",
                   "function SetBColor(blockid, sColor)",
                   "{",
                   "  var item = document.all.item(blockid);",
                   "  item.BGCOLOR = sColor;",
                   "}",
                   "//-->",
                   "</script>",
                   "",
                   "<TABLE WIDTH=100% Class=\"Alldata\" CellSpacing=2 BGCOLOR=EEEEFF> <TR>",
                   "  <TD VALIGN=TOP WIDTH=100%>",
                   "   <TABLE CELLSPACING=0 WIDTH=100%>",
                   "    <TR>",
                   "     <TD VALIGN=CENTER ALIGN=CENTER WIDTH=100% COLSPAN=2  BGCOLOR=AAAAFF >",
                   "      <b><Span Class=\"largeheadersblack\">Alien</Span></b> ",
                   "     </TD>",
                   "    </TR>",
                   "    <TR ID=\"7\">",
                   "     <TD Class=\"Alldata\" VAlign=Top>",
                   "       <a href=\"/c/F.jpg\"><Img src=\"/c/F.jpg\" Width=160 Border=0></a><br><br>",
                   "       <a href=\"/c/B.jpg\"><Img src=\"/c/B.jpg\" Width=160 Border=0></a>",
                   "     </TD>",
                   "     <TD VAlign=Top Width=100%>",
                   "      <TABLE Width=100% BGCOLOR=EEEEFF Cellspacing=1>",
                   "     </TABLE>",
                   "    </TD>",
                   "   </TR>",
                   "  </TABLE>",
                   "    </TD>",
                   "   </TR>",
                   "  </TABLE>",
                   ""});
        QCOMPARE(got, expected);
    }

    // The title bar and cover cell of an item on its own page and nested in a medium: a nested item folds away by a
    // click on its title bar and shows its front cover small, never its back cover.
    void itemFrames_data()
    {
        QTest::addColumn<bool>("nested");
        QTest::addColumn<QString>("front");
        QTest::addColumn<QString>("back");
        QTest::addColumn<QString>("frame");
        const auto frame = [](const QString& titleCell, const QString& id, const QStringList& covers) {
            return Lines(QStringList{titleCell, "      <b><Span Class=\"largeheadersblack\">T</Span></b> ",
                                     "     </TD>", "    </TR>", "    <TR ID=\"" + id + "\">",
                                     "     <TD Class=\"Alldata\" VAlign=Top>"} +
                         covers + QStringList{"     </TD>", "     <TD VAlign=Top Width=100%>"});
        };
        const QString plain = "     <TD VALIGN=CENTER ALIGN=CENTER WIDTH=100% COLSPAN=2  BGCOLOR=AAAAFF >";
        const QString folding =
            "     <TD VALIGN=CENTER ALIGN=CENTER WIDTH=100% COLSPAN=2  BGCOLOR=AAAAFF OnClick=\"showhide('9');\" "
            "OnMouseOver=\"this.style.backgroundColor='0000FF'\" OnMouseOut=\"this.style.backgroundColor='AAAAFF'\" >";
        const auto row = [](const char* name, bool nested, const QString& front, const QString& back,
                            const QString& frame) { QTest::newRow(name) << nested << front << back << frame; };
        row("no covers", false, "", "", frame(plain, "7", {}));
        row("front only", false, "/c/F0jpg", "",
            frame(plain, "7", {"       <a href=\"/c/F0jpg\"><Img src=\"/c/F0jpg\" Width=160 Border=0></a><br><br>"}));
        row("back only", false, "", "/c/B.gif",
            frame(plain, "7", {"       <a href=\"/c/B.gif\"><Img src=\"/c/B.gif\" Width=160 Border=0></a>"}));
        row("nested: front 60 wide, never a back cover", true, "/c/F.jpg", "/c/B.jpg",
            frame(folding, "9", {"       <a href=\"/c/F.jpg\"><Img src=\"/c/F.jpg\" Width=60 Border=0></a><br><br>"}));
        row("nested without covers", true, "", "", frame(folding, "9", {}));
    }
    void itemFrames()
    {
        QFETCH(bool, nested);
        QFETCH(QString, front);
        QFETCH(QString, back);
        auto movie = Make<UEFMovie>({{"strTitle", "T"}, {"strFrontCoverURL", front}, {"strBackCoverURL", back}});
        auto medium = Make<UEFMedia>({{"strName", "Disc"}});
        medium->colContents()->Add(movie);
        lngBlockID = 6;
        QTEST(Frame(Render(Document({nested ? std::shared_ptr<QObject>(medium) : movie})), "T"), "frame");
    }

    // One movie with every field: its pieces in their order, each section with its own id.
    void fullMovie()
    {
        auto movie = Make<UEFMovie>({{"strTitle", "Alien"},
                                     {"strLabel", "Director's Cut"},
                                     {"strUPC", "036000291452"},
                                     {"strMedia", "DVD"},
                                     {"strDVDRegion", "24"},
                                     {"strDVDType", "DVD-9"},
                                     {"strLDType", "CAV"},
                                     {"strDVDCase", "Keepcase"},
                                     {"strSystem", "PAL"},
                                     {"strPicture", "16:9\r\nAnamorphic"},
                                     {"strSoundmix", "DD 5.1\r\nDTS"},
                                     {"strSubtitles", "English\r\nSwedish\r\n"},
                                     {"strCountry", "USA"},
                                     {"strYear", "1979"},
                                     {"strLength", "117"},
                                     {"strStudio", "Fox"},
                                     {"strWebsite", "http://alien.example/"},
                                     {"strExtras", "Trailer\r\nCommentary"},
                                     {"strSynopsis", "In space\r\nno one hears"},
                                     {"strNotes", "Mint"},
                                     {"strWriter", "O'Bannon"},
                                     {"strDirector", "Scott"},
                                     {"strProducer", "Carroll\r\nGiler"},
                                     {"strCast", "Weaver: Ripley\r\nSkerritt:Dallas: captain"},
                                     {"strFrontCoverURL", "/covers/F0jpg"},
                                     {"strBackCoverURL", "/covers/F1jpg"}});
        const qint32 start = lngBlockID;
        const QString got = Render(Document({movie}));
        QCOMPARE(lngBlockID, start + 5);

        lngBlockID = start;
        QString expected = JavaCode() + "\r\n";
        NextBlock();
        expected += BeginDoc("Alien", "/covers/F0jpg", "/covers/F1jpg", "100%", false);
        int c = 0;
        auto row = [&](const QString& label, const QString& value) {
            expected += ItemDoc(label, value, c);
            c = 1 - c;
        };
        row("Label:", "Director's Cut");
        row("UPC / EAN:", "0 36000 29145 2");
        row("Media:", "DVD");
        row("DVD region:", "24");
        row("DVD type:", "DVD-9");
        row("DVD case:", "Keepcase");
        row("System:", "PAL");
        row("Video:", "16:9<br>Anamorphic");
        row("Audio:", "DD 5.1<br>DTS");
        row("Subtitles:", "English, Swedish");
        expected += DividerDoc("Details") + BlockStart(false);
        row("Country:", "USA");
        row("Year:", "1979");
        row("Length:", "117");
        row("Studio:", "Fox");
        row("Website:", "<a href=\"http://alien.example/\" Class=\"Alldata\" Target=_Blank>http://alien.example/</a>");
        row("Extras:", "<LI>Trailer<br><LI>Commentary");
        expected += BlockEnd();
        NextBlock();
        expected += DividerDoc("Synopsis & notes") + BlockStart(false);
        row("Synopsis:", "In space<br>no one hears");
        row("Notes:", "Mint");
        expected += BlockEnd();
        NextBlock();
        expected += DividerDoc("Cast & crew") + BlockStart(false);
        row("Writer(s):", "O'Bannon");
        row("Director(s):", "Scott");
        row("Producer(s):", "Carroll<br>Giler");
        row("Cast:", "     <TABLE width=100%>\r\n"
                     "       <TR>\r\n"
                     "        <TD Class=\"Alldata\" WIDTH=50%>\r\n"
                     "         Weaver\r\n"
                     "        </TD>\r\n"
                     "        <TD Class=\"Alldata\" WIDTH=50%>\r\n"
                     "          Ripley\r\n"
                     "        </TD>\r\n"
                     "       </TR>\r\n"
                     "       <TR>\r\n"
                     "        <TD Class=\"Alldata\" WIDTH=50%>\r\n"
                     "         \nSkerritt\r\n"
                     "        </TD>\r\n"
                     "        <TD Class=\"Alldata\" WIDTH=50%>\r\n"
                     "         Dallas: captain\r\n"
                     "        </TD>\r\n"
                     "       </TR>\r\n"
                     "      </TABLE>\r\n");
        expected += BlockEnd();
        NextBlock();
        expected += EndDoc() + "\r\n";
        QCOMPARE(lngBlockID, start + 5);
        QCOMPARE(got, expected);
    }

    void mediaRows_data()
    {
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<QStringList>("labels");
        const Fields all{
            {"strDVDRegion", "2"}, {"strDVDType", "DVD-5"}, {"strLDType", "CLV"}, {"strDVDCase", "Snapper"}};
        auto with = [&](const QString& media) {
            Fields f = all;
            f["strMedia"] = media;
            return f;
        };
        QTest::newRow("DVD") << with("DVD") << QStringList{"Media:", "DVD region:", "DVD type:", "DVD case:"};
        QTest::newRow("dvd in lower case has no DVD rows") << with("dvd") << QStringList{"Media:"};
        QTest::newRow("laserdisc in mixed case") << with("LaserDisc") << QStringList{"Media:", "LD type:"};
        QTest::newRow("VHS") << with("VHS") << QStringList{"Media:"};
        QTest::newRow("no media, no rows") << all << QStringList{};
        QTest::newRow("DVD with empty fields")
            << Fields{{"strMedia", "DVD"}, {"strDVDCase", "Jewel"}} << QStringList{"Media:", "DVD case:"};
    }
    void mediaRows()
    {
        QFETCH(Fields, fields);
        QFETCH(QStringList, labels);
        Fields movieFields = fields;
        movieFields["strTitle"] = "T";
        QCOMPARE(Labels(Render(Document({Make<UEFMovie>(movieFields)}))), labels);
        Fields mediaFields = fields;
        mediaFields["strName"] = "Disc";
        QCOMPARE(Labels(Render(Document({Make<UEFMedia>(mediaFields)}))), labels);
    }

    void lineFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        QTest::newRow("subtitles, two lines") << "strSubtitles"
                                              << "English\r\nFrench"
                                              << "Subtitles:"
                                              << "English, French";
        QTest::newRow("subtitles, trailing line end") << "strSubtitles"
                                                      << "English\r\nFrench\r\n"
                                                      << "Subtitles:"
                                                      << "English, French";
        QTest::newRow("subtitles, one") << "strSubtitles"
                                        << "English"
                                        << "Subtitles:"
                                        << "English";
        QTest::newRow("video lines") << "strPicture"
                                     << "4:3\r\n\r\nB&W"
                                     << "Video:"
                                     << "4:3<br><br>B&amp;W";
        QTest::newRow("lone LF stays") << "strSoundmix"
                                       << "a\nb"
                                       << "Audio:"
                                       << "a\nb";
        QTest::newRow("notes") << "strNotes"
                               << "one\r\ntwo"
                               << "Notes:"
                               << "one<br>two";
        QTest::newRow("writers") << "strWriter"
                                 << "A\r\nB"
                                 << "Writer(s):"
                                 << "A<br>B";
        QTest::newRow("website without scheme is text") << "strWebsite"
                                                        << "www.a.example"
                                                        << "Website:"
                                                        << "www.a.example";
        QTest::newRow("https link in capitals") << "strWebsite"
                                                << "HTTPS://A.example/?a=1&b=2"
                                                << "Website:"
                                                << "<a href=\"HTTPS://A.example/?a=1&amp;b=2\" Class=\"Alldata\" "
                                                   "Target=_Blank>HTTPS://A.example/?a=1&amp;b=2</a>";
        QTest::newRow("script address is text") << "strWebsite"
                                                << "javascript:alert(1)"
                                                << "Website:"
                                                << "javascript:alert(1)";
        QTest::newRow("file address is text") << "strWebsite"
                                              << "file:///etc/passwd"
                                              << "Website:"
                                              << "file:///etc/passwd";
        QTest::newRow("blank before the scheme is text") << "strWebsite"
                                                         << " http://a"
                                                         << "Website:"
                                                         << " http://a";
        QTest::newRow("quote cannot leave the link") << "strWebsite"
                                                     << "http://a\" onclick=\"x"
                                                     << "Website:"
                                                     << "<a href=\"http://a&quot; onclick=&quot;x\" Class=\"Alldata\" "
                                                        "Target=_Blank>http://a&quot; onclick=&quot;x</a>";
        QTest::newRow("extras skip blank lines") << "strExtras"
                                                 << "\r\n  \r\nTrailer\r\n"
                                                 << "Extras:"
                                                 << "<LI>Trailer";
        QTest::newRow("upc of 13") << "strUPC"
                                   << "5012345678900"
                                   << "UPC / EAN:"
                                   << "5 012345 678900";
        QTest::newRow("upc not a number") << "strUPC"
                                          << "50123456789<0"
                                          << "UPC / EAN:"
                                          << "50123456789&lt;0";
    }
    void lineFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, label);
        QFETCH(QString, shown);
        const QString html = Render(Document({Make<UEFMovie>({{"strTitle", "T"}, {field, text}})}));
        QCOMPARE(Value(html, label), shown);
    }

    void castTable_data()
    {
        QTest::addColumn<QString>("cast");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("no colon: empty role cell") << "Extra" << QStringList{"Extra", ""};
        QTest::newRow("first line empty") << "\r\nA: x\r\nB: y" << QStringList{"\nA", " x", "\nB", " y"};
        QTest::newRow("final lone CR gives no row") << "A:x\r" << QStringList{"A", "x"};
        QTest::newRow("blank piece gives no row") << "A:x\r   \rB:y" << QStringList{"A", "x", "B", "y"};
        QTest::newRow("markup in names is text")
            << "<b>A</b>:\"B\"" << QStringList{"&lt;b&gt;A&lt;/b&gt;", "&quot;B&quot;"};
    }
    void castTable()
    {
        QFETCH(QString, cast);
        QFETCH(QStringList, cells);
        const QString html = Render(Document({Make<UEFMovie>({{"strTitle", "T"}, {"strCast", cast}})}));
        const QString table = Value(html, "Cast:");
        QVERIFY(table.startsWith("     <TABLE width=100%>\r\n"));
        QVERIFY(table.endsWith("      </TABLE>\r\n"));
        // A cell holds its text line, or no line at all when the role is missing.
        QStringList got;
        static const QRegularExpression cell("WIDTH=50%>\r\n(?:         ([^\r]*)\r\n)?        </TD>");
        for (auto it = cell.globalMatch(table); it.hasNext();) {
            got << it.next().captured(1);
        }
        QCOMPARE(got, cells);
        QCOMPARE(table.count("<TR>"), cells.size() / 2);
    }

    void sections_data()
    {
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<bool>("nested");
        QTest::addColumn<QStringList>("headings");
        QTest::newRow("none") << Fields{{"strLabel", "L"}} << false << QStringList{};
        QTest::newRow("extras alone") << Fields{{"strExtras", "E"}} << false << QStringList{"Details"};
        QTest::newRow("extras alone, nested: no details") << Fields{{"strExtras", "E"}} << true << QStringList{};
        QTest::newRow("year, nested") << Fields{{"strYear", "2001"}} << true << QStringList{"Details"};
        QTest::newRow("synopsis without crew")
            << Fields{{"strSynopsis", "S"}} << false << QStringList{"Synopsis & notes"};
        QTest::newRow("cast only") << Fields{{"strCast", "A:b"}} << false << QStringList{"Cast & crew"};
        QTest::newRow("all three") << Fields{{"strStudio", "S"}, {"strNotes", "N"}, {"strProducer", "P"}} << false
                                   << QStringList{"Details", "Synopsis & notes", "Cast & crew"};
    }
    void sections()
    {
        QFETCH(Fields, fields);
        QFETCH(bool, nested);
        QFETCH(QStringList, headings);
        Fields movieFields = fields;
        movieFields["strTitle"] = "T";
        auto movie = Make<UEFMovie>(movieFields);
        std::shared_ptr<QObject> top = movie;
        if (nested) {
            auto medium = Make<UEFMedia>({{"strName", "Disc"}});
            medium->colContents()->Add(movie);
            top = medium;
        }
        const qint32 start = lngBlockID;
        const QString html = Render(Document({top}));
        QCOMPARE(Headings(html), headings);
        // Each item takes two ids and each section one more; a missing section takes none.
        QCOMPARE(lngBlockID - start, (nested ? 4 : 2) + headings.size());
        const QString hidden = " style=display:none";
        QCOMPARE(html.count(hidden), nested ? headings.size() : 0);
    }

    void mediumWithTwoMovies()
    {
        auto medium = Make<UEFMedia>({{"strName", "Disc 1"},
                                      {"strUPC", "036000291452"},
                                      {"strMedia", "DVD"},
                                      {"strExtras", "Menu"},
                                      {"strFrontCoverURL", "/c/disc.jpg"}});
        const Fields movieCommon{{"strUPC", "036000291452"},
                                 {"strMedia", "DVD"},
                                 {"strDVDRegion", "2"},
                                 {"strYear", "1990"},
                                 {"strNotes", "N"},
                                 {"strCast", "A:b"},
                                 {"strFrontCoverURL", "/c/f.jpg"},
                                 {"strBackCoverURL", "/c/b.jpg"}};
        Fields first = movieCommon;
        first["strTitle"] = "One";
        first["strExtras"] = "Trailer\r\nGallery";
        Fields second = movieCommon;
        second["strTitle"] = "Two";
        medium->colContents()->Add(Make<UEFMovie>(first));
        medium->colContents()->Add(Make<UEFMovie>(second));

        const qint32 start = lngBlockID;
        const QString html = Render(Document({medium}));
        QCOMPARE(html.count("<script language=\"javascript\">"), 2);
        QCOMPARE(Titles(html), (QStringList{"Disc 1", "One", "Two"}));
        QCOMPARE(Labels(html), (QStringList{"UPC / EAN:", "Media:", "Extras:", "Contents:", "Year:", "Notes:", "Cast:",
                                            "Year:", "Notes:", "Cast:"}));
        QCOMPARE(Value(html, "Extras:"), QString("<LI>Menu<br><LI>Trailer (One)<br><LI>Gallery (One)"));
        QCOMPARE(html.count("Width=60 Border=0"), 2);
        QCOMPARE(html.count("Width=160 Border=0"), 1);
        QVERIFY(!html.contains("/c/b.jpg"));
        // The nested title bars fold their items (ids start+3 and start+8); the top-level medium's does not.
        QVERIFY(!html.contains(QString("showhide('%1');").arg(start + 1)));
        for (const qint32 id : {start + 3, start + 8}) {
            QVERIFY(html.contains(QString("OnClick=\"showhide('%1');\"").arg(id)));
            QVERIFY(html.contains(QString("<TR ID=\"%1\">").arg(id)));
        }
        // Six sections, all closed, each heading naming its own table.
        QCOMPARE(html.count(" style=display:none"), 6);
        for (const qint32 id : {start + 4, start + 5, start + 6, start + 9, start + 10, start + 11}) {
            QVERIFY(html.contains(QString("OnClick=\"showhide('%1')\"").arg(id)));
            QVERIFY(html.contains(QString("ID=\"%1\" style=display:none>").arg(id)));
        }
        QCOMPARE(lngBlockID, start + 12);
    }

    void boxWithMediumAndMovie()
    {
        auto box = Make<UEFBox>({{"strName", "Trilogy"}, {"strUPC", "12345670"}, {"strExtras", "Booklet"}});
        auto medium = Make<UEFMedia>({{"strName", "Disc A"}, {"strExtras", "Menu"}});
        medium->colContents()->Add(Make<UEFMovie>({{"strTitle", "Inner"}, {"strExtras", "Trailer"}}));
        medium->colContents()->Add(Make<UEFMovie>({{"strTitle", "Quiet"}}));
        box->colContents()->Add(medium);
        box->colContents()->Add(Make<UEFMovie>({{"strTitle", "Loose"}, {"strExtras", "Outtakes\r\nTeaser"}}));
        box->colContents()->Add(std::make_shared<QObject>()); // not an item: skipped
        box->colContents()->Add(Make<UEFMedia>({{"strName", "Disc B"}}));

        const QString html = Render(Document({box}));
        QCOMPARE(Titles(html), (QStringList{"Trilogy", "Disc A", "Inner", "Quiet", "Loose", "Disc B"}));
        QCOMPARE(html.count("<script language=\"javascript\">"), 3);
        QCOMPARE(Value(html, "UPC / EAN:"), QString("12345670"));
        QCOMPARE(Value(html, "Extras:"), QString("<LI>Booklet<br><LI>Menu (Disc A)<br><LI>Trailer (Disc A: Inner)<br>"
                                                 "<LI>Outtakes (Loose)<br><LI>Teaser (Loose)"));
        // The box's own rows, then each nested item starts its colours again at the first one.
        const QString first = QString(strRowColor[0]);
        QCOMPARE(Row(html, "UPC / EAN:").second, first);
        QCOMPARE(Row(html, "Extras:").second, QString(strRowColor[1]));
        QCOMPARE(Row(html, "Contents:").second, first);
        QCOMPARE(Labels(html), (QStringList{"UPC / EAN:", "Extras:", "Contents:", "Contents:"}));
        QCOMPARE(Row(html.mid(html.indexOf("Disc A")), "Contents:").second, first);
    }

    void boxExtrasOrder()
    {
        // Medium extras only from its movies: no leading break of their own.
        auto box = Make<UEFBox>({{"strName", "B"}});
        auto medium = Make<UEFMedia>({{"strName", "D"}});
        medium->colContents()->Add(Make<UEFMovie>({{"strTitle", "M"}, {"strExtras", "X"}}));
        box->colContents()->Add(Make<UEFMovie>({{"strTitle", "First"}, {"strExtras", "Y"}}));
        box->colContents()->Add(medium);
        QCOMPARE(Value(Render(Document({box})), "Extras:"), QString("<LI>Y (First)<br><LI>X (D: M)"));
    }

    // Every field of every kind, filled with markup, shows as that text: the page equals a page of plain words
    // once the escaped markup is read as a word.
    void hostileFieldsRenderAsText()
    {
        const QString hostile = "<script>alert(\"x\")</script>&amp;<img src=x onerror=alert(1)> \"'";
        const QString escaped = ItemText(hostile);
        QVERIFY(escaped != hostile);
        auto build = [](const QString& text) {
            auto fill = [&](QObject& item) {
                const QMetaObject* meta = item.metaObject();
                for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
                    meta->property(i).write(&item, text);
                }
            };
            auto box = std::make_shared<UEFBox>();
            auto medium = std::make_shared<UEFMedia>();
            auto inner = std::make_shared<UEFMovie>();
            auto loose = std::make_shared<UEFMovie>();
            auto top = std::make_shared<UEFMovie>();
            auto topMedium = std::make_shared<UEFMedia>();
            for (QObject* item : std::initializer_list<QObject*>{box.get(), medium.get(), inner.get(), loose.get(),
                                                                 top.get(), topMedium.get()}) {
                fill(*item);
            }
            medium->colContents()->Add(inner);
            box->colContents()->Add(medium);
            box->colContents()->Add(loose);
            auto nested = std::make_shared<UEFMovie>();
            fill(*nested);
            topMedium->colContents()->Add(nested);
            return Document({box, top, topMedium});
        };
        const qint32 start = lngBlockID;
        QString page = Render(build(hostile));
        lngBlockID = start;
        const QString plain = Render(build("WORD"));
        QVERIFY(!page.contains(hostile));
        QVERIFY(!page.contains("<img"));
        QCOMPARE(page.count("<script"), plain.count("<script"));
        // The year keeps four characters of whatever it is given.
        page.replace(escaped, "WORD");
        page.replace(ItemText(hostile.left(4)), "WORD");
        QCOMPARE(page, plain);
    }

    void coverLocationsStayInTheirAttribute()
    {
        auto movie = Make<UEFMovie>({{"strTitle", "T"},
                                     {"strFrontCoverURL", "/tmp/a b&c/F0jpg\" onerror=\"x"},
                                     {"strBackCoverURL", "/tmp/F1<gif>"}});
        const QString html = Render(Document({movie}));
        QVERIFY(html.contains("       <a href=\"/tmp/a b&amp;c/F0jpg&quot; onerror=&quot;x\"><Img src=\"/tmp/a "
                              "b&amp;c/F0jpg&quot; onerror=&quot;x\" Width=160 Border=0></a><br><br>\r\n"));
        QVERIFY(
            html.contains("<a href=\"/tmp/F1&lt;gif&gt;\"><Img src=\"/tmp/F1&lt;gif&gt;\" Width=160 Border=0></a>"));
    }

    void idsGrowAcrossReadsAndObjects()
    {
        auto document = Document({Make<UEFMovie>({{"strTitle", "T"}, {"strYear", "1999"}})});
        CHTML builder;
        builder.setUEF(document);
        const QString first = builder.HTML();
        const QString second = builder.HTML();
        QVERIFY(first != second);
        QCOMPARE(WithoutIds(first), WithoutIds(second));
        const qint32 before = lngBlockID;
        CHTML other;
        other.setUEF(document);
        QVERIFY(other.HTML().contains(QString("<TR ID=\"%1\">").arg(before + 1)));
        // The document is read afresh on every call.
        document->colUEF()->Add(Make<UEFMovie>({{"strTitle", "Added"}}));
        QCOMPARE(Titles(builder.HTML()), (QStringList{"T", "Added"}));
    }

    void selfContainingBoxEnds()
    {
        auto box = Make<UEFBox>({{"strName", "Loop"}});
        box->colContents()->Add(box);
        const QString html = Render(Document({box}));
        QCOMPARE(Titles(html).size(), UEFCollection::MaxDepth + 1);
        box->colContents()->Remove(1);
    }

    // The whole frame, byte for byte: head, the sixteen pieces of the style block, body, fragment, end.
    void wrapPage_data()
    {
        QTest::addColumn<QString>("fragment");
        QTest::newRow("markup with a line break") << "<b>x</b>\r\n";
        QTest::newRow("empty") << QString();
    }

    void wrapPage()
    {
        QFETCH(QString, fragment);
        const QString expected =
            QStringLiteral("<HTML><HEAD>") + QStringLiteral("<style type=text/css>") + QStringLiteral("<!--") +
            QStringLiteral("/* headersBlack - All headers */") +
            QStringLiteral(" .headersblack       { font-family: Arial, Helvetica; font-size: 11px; line-height: "
                           "11px; font-style: bold; color: black;}") +
            QStringLiteral("A.headersblack       { font-family: Arial, Helvetica; font-size: 11px; line-height: "
                           "11px; font-style: bold; color: black; text-decoration: none}") +
            QStringLiteral("A.headersblack:hover { font-family: Arial, Helvetica; font-size: 11px; line-height: "
                           "11px; font-style: bold; color: black; text-decoration: underline}") +
            QStringLiteral("/* LargeheadersBlack - All large headers */") +
            QStringLiteral(" .largeheadersblack       { font-family: Arial, Helvetica; font-size: 15px; "
                           "line-height: 15px; font-style: bold; color: black;}") +
            QStringLiteral("A.largeheadersblack       { font-family: Arial, Helvetica; font-size: 15px; "
                           "line-height: 15px; font-style: bold; color: black; text-decoration: none}") +
            QStringLiteral("A.largeheadersblack:hover { font-family: Arial, Helvetica; font-size: 15px; "
                           "line-height: 15px; font-style: bold; color: black; text-decoration: underline}") +
            QStringLiteral("/* ALLData - All other data */") +
            QStringLiteral(".alldata       { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; "
                           "font-style: normal; color: black;}") +
            QStringLiteral("A.alldata       { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; "
                           "font-style: normal; color: black; text-decoration: none}") +
            QStringLiteral("A.alldata:hover { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; "
                           "font-style: normal; color: black; text-decoration: underline}") +
            QStringLiteral("//-->") + QStringLiteral("</style>") + QStringLiteral("</HEAD><BODY BGCOLOR=FFFFFF>") +
            fragment + QStringLiteral("</BODY></HTML>");
        QCOMPARE(CHTML::WrapPage(fragment), expected);
    }
};

QTEST_GUILESS_MAIN(TestCHTML)
#include "tst_chtml.moc"
