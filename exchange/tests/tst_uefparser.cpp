#include "AnsiText.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"
#include "UEFParser.h"
#include "UEFWriter.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// The parser's reading of text. Items are parsed into a parent collection, where no product code is checked, so no
// checker component is registered here: the XDG_CONFIG_HOME of this test is empty.
class TestUEFParser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    static std::shared_ptr<UEFMovie> OnlyMovie(const UEFCollection& items)
    {
        return items.Count() == 1 ? qobject_pointer_cast<UEFMovie>(items.Item(1)) : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toUtf8());
        qputenv("TMPDIR", m_home.filePath("tmp").toUtf8());
    }

    void nextTag_data()
    {
        QTest::addColumn<QString>("text");
        // Each call as "tag|value" (or "tag" without "=", or "-" for none), with the position after it.
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("value keeps further equals") << "[A=x=y]" << QStringList{"A|x=y@7"};
        QTest::newRow("text around elements") << "ab\r\n[T=v]\r\nzz" << QStringList{"T|v@9", "-@13"};
        QTest::newRow("nested element") << "[T=[a=1][b]]x" << QStringList{"T|[a=1][b]@12", "-@13"};
        QTest::newRow("no equals") << "[NAME][]" << QStringList{"NAME@6", "@8"};
        QTest::newRow("equals after a nested element") << "[A[b=c]d=e]" << QStringList{"A[b|c]d=e@11"};
        QTest::newRow("stray closing") << "x]y[T=v]" << QStringList{"-@2", "T|v@8"};
        QTest::newRow("cut off") << "[T=v][U=[w]" << QStringList{"T|v@5", "-@11"};
        QTest::newRow("cut off at once") << "[" << QStringList{"-@1"};
        QTest::newRow("no brackets") << "plain" << QStringList{"-@5"};
    }
    void nextTag()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, calls);
        qsizetype pos = 0;
        QStringList seen;
        while (pos < text.size()) {
            UEFParser::Element element;
            const qsizetype before = pos;
            const bool found = UEFParser::NextTag(text, pos, element);
            QVERIFY(pos > before && pos <= text.size());
            const QString what = !found             ? QString("-")
                                 : element.hasValue ? element.tag.toString() + "|" + element.value.toString()
                                                    : element.tag.toString();
            seen << what + "@" + QString::number(pos);
        }
        QCOMPARE(seen, calls);
    }

    void unescape_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        QTest::newRow("all three") << "A&0B &1x&2"
                                   << "A&B [x]";
        QTest::newRow("escaped escape") << "&01"
                                        << "&1";
        QTest::newRow("lone ampersand") << "a&b&"
                                        << "a&b&";
        QTest::newRow("brackets first") << "&&12"
                                        << "&[2";
    }
    void unescape()
    {
        QFETCH(QString, text);
        QFETCH(QString, value);
        QCOMPARE(UEFParser::UnescapeText(text), value);
    }

    // Unescaping undoes escaping for any text, whatever bytes it holds.
    void unescapeUndoesEscape()
    {
        QRandomGenerator random(7);
        const QByteArray alphabet("&012[]x ");
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes;
            for (int i = random.bounded(12); i > 0; --i) {
                const bool special = random.bounded(2) == 1;
                bytes.append(special ? alphabet[random.bounded(int(alphabet.size()))] : char(random.bounded(256)));
            }
            const QString value = AnsiText::Decode(bytes);
            QCOMPARE(UEFParser::UnescapeText(UEFWriter::EscapeText(value)), value);
        }
    }

    void movieFields_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::newRow("tag in any case, blanks") << "[ title =X]"
                                                 << "strTitle"
                                                 << "X";
        QTest::newRow("value trimmed") << "[TITLE= X ]"
                                       << "strTitle"
                                       << "X";
        QTest::newRow("only blanks trimmed") << "[TITLE=\tX\r\n]"
                                             << "strTitle"
                                             << "\tX\r\n";
        QTest::newRow("unescaped") << "[TITLE=A&0B &1x&2]"
                                   << "strTitle"
                                   << "A&B [x]";
        QTest::newRow("last wins") << "[TITLE=a][TITLE=b]"
                                   << "strTitle"
                                   << "b";
        QTest::newRow("sort index") << "[SORTINDEX=k]"
                                    << "strSortKey"
                                    << "k";
        QTest::newRow("media in a movie") << "[MEDIA=DVD][DVDREGION=2]"
                                          << "strMedia"
                                          << "DVD";
        QTest::newRow("year after trim") << "[YEAR= 1999-2000]"
                                         << "strYear"
                                         << "1999";
        QTest::newRow("notes line ends") << "[NOTES=n\r\n\r\n]"
                                         << "strNotes"
                                         << "n";
        QTest::newRow("cover trimmed") << "[BACKCOVER= ab ]"
                                       << "strBackCover"
                                       << "ab";
        QTest::newRow("without equals skipped") << "[TITLE=a][TITLE][]"
                                                << "strTitle"
                                                << "a";
        QTest::newRow("contents skipped") << "[CONTENTS=[TITLE=x]]"
                                          << "strTitle"
                                          << "";
        QTest::newRow("tag holding a bracket skipped") << "[TITLE[x]=y]"
                                                       << "strTitle"
                                                       << "";
        QTest::newRow("unknown skipped") << "[COLOUR=red]junk[TITLE=t]"
                                         << "strTitle"
                                         << "t";
        QTest::newRow("flag after picture") << "[PICTURE=Fullframe][WIDESCREEN=yes]"
                                            << "strPicture"
                                            << "Fullframe\r\nWidescreen";
        QTest::newRow("flag no") << "[PICTURE=Fullframe][WIDESCREEN=NO]"
                                 << "strPicture"
                                 << "Fullframe";
        QTest::newRow("flags") << "[ANAMORPHIC=Yes][pan&scan= YES ][FULLFRAME=yes]"
                               << "strPicture"
                               << "Anamorphic widescreen\r\nPan & scan / Open matte\r\nFullframe";
        QTest::newRow("picture replaces flags") << "[ANAMORPHIC=yes][PICTURE=p]"
                                                << "strPicture"
                                                << "p";
    }
    void movieFields()
    {
        QFETCH(QString, fields);
        QFETCH(QString, property);
        QFETCH(QString, value);
        UEFCollection document;
        UEFCollection parent;
        UEFParser::ParseItems("[MOVIE=" + fields + "]", document, &parent);
        const auto movie = OnlyMovie(parent);
        QVERIFY(movie);
        QCOMPARE(movie->property(property.toLatin1()).toString(), value);
        QCOMPARE(document.Count(), 0);
    }

    void contentsKeepTextOrder()
    {
        UEFCollection document;
        UEFCollection parent;
        UEFParser::ParseItems(u"x[media =[NAME= m ][CONTENTS=[MOVIE=[TITLE=a]]\r\n[MOVIE=[TITLE=b]][BOGUS=[MOVIE=]]]]"
                              u"[MOVIE=[TITLE=c]]",
                              document, &parent);
        QCOMPARE(parent.Count(), 2);
        const auto media = qobject_pointer_cast<UEFMedia>(parent.Item(1));
        QVERIFY(media);
        QCOMPARE(media->strName(), "m");
        QCOMPARE(media->colContents()->Count(), 2);
        QCOMPARE(qobject_pointer_cast<UEFMovie>(media->colContents()->Item(1))->strTitle(), "a");
        QCOMPARE(qobject_pointer_cast<UEFMovie>(media->colContents()->Item(2))->strTitle(), "b");
        QCOMPARE(qobject_pointer_cast<UEFMovie>(parent.Item(2))->strTitle(), "c");
    }

    // Without a checker every item that needs a product-code check is refused, with everything inside it.
    void withoutCheckerCheckedItemsAreRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("movie") << "[MOVIE=[UPC=036000291452]]";
        QTest::newRow("medium") << "[MEDIA=[UPC=036000291452][CONTENTS=[MOVIE=]]]";
        QTest::newRow("box") << "[BOX=[UPC=036000291452][CONTENTS=[MEDIA=]]]";
    }
    void withoutCheckerCheckedItemsAreRefused()
    {
        QFETCH(QString, text);
        UEF document;
        document.setStrUEF(text);
        QCOMPARE(document.colUEF()->Count(), 0);
        // A box is checked wherever it stands.
        UEFCollection parent;
        UEFParser::ParseItems("[MOVIE=]" + text, *document.colUEF(), &parent);
        QCOMPARE(document.colUEF()->Count(), 0);
        QCOMPARE(parent.Count(), text.startsWith("[BOX") ? 1 : 2);
    }

    // Elements deeper than 16 contents levels are dropped, and no depth of brackets can exhaust the stack.
    void nestingIsBounded_data()
    {
        QTest::addColumn<int>("levels");
        QTest::addColumn<int>("kept");
        QTest::newRow("at the bound") << 17 << 17;
        QTest::newRow("beyond") << 18 << 17;
        QTest::newRow("very deep") << 200000 << 17;
    }
    void nestingIsBounded()
    {
        QFETCH(int, levels);
        QFETCH(int, kept);
        QString text;
        for (int i = 0; i < levels; ++i) {
            text += "[MEDIA=[CONTENTS=";
        }
        text += QString("]]").repeated(levels);
        UEFCollection document;
        UEFCollection parent;
        UEFParser::ParseItems(text, document, &parent);
        int depth = 0;
        for (const UEFCollection* level = &parent; level->Count() == 1; ++depth) {
            level = qobject_pointer_cast<UEFMedia>(level->Item(1))->colContents().get();
        }
        QCOMPARE(depth, kept);
    }

    // The text ending inside an element drops that element only; nothing past the end is read.
    void cutOffElementsAreDropped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("whole item") << "[MOVIE=[TITLE=a]" << QStringList{};
        QTest::newRow("second item") << "[MOVIE=[TITLE=a]][MOVIE=[TITLE=b]" << QStringList{"a"};
        QTest::newRow("inside contents") << "[MEDIA=[CONTENTS=[MOVIE=[TITLE=a]][MOVIE=[TITLE=b]" << QStringList{};
        QTest::newRow("open bracket last") << "[MOVIE=[TITLE=a]][" << QStringList{"a"};
    }
    void cutOffElementsAreDropped()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, titles);
        // Parse from a copy cut to size, so a read past the end would land outside the buffer.
        const std::unique_ptr<QChar[]> exact(new QChar[size_t(text.size())]);
        std::copy(text.cbegin(), text.cend(), exact.get());
        UEFCollection document;
        UEFCollection parent;
        UEFParser::ParseItems(QStringView(exact.get(), text.size()), document, &parent);
        QStringList seen;
        for (const auto& entry : parent) {
            seen << qobject_pointer_cast<UEFMovie>(entry)->strTitle();
        }
        QCOMPARE(seen, titles);
    }

    void noItemsFromTextWithoutItems_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("no brackets") << "hello world";
        QTest::newRow("unknown item") << "[DISC=[NAME=x]]";
        QTest::newRow("only closing") << "]]]";
        QTest::newRow("item without value") << "[MOVIE]";
    }
    void noItemsFromTextWithoutItems()
    {
        QFETCH(QString, text);
        UEFCollection document;
        UEFCollection parent;
        UEFParser::ParseItems(text, document, &parent);
        QCOMPARE(parent.Count() + document.Count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUEFParser)
#include "tst_uefparser.moc"
