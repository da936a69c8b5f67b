#include "AnsiText.h"
#include "Component.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QMetaProperty>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <thread>

#include <time.h>

// Whole documents through the writer and the parser, with the product-code checker registered by ProgID into this
// test's own configuration folder, as the program finds it.
namespace {

// The tree as one line: kinds with their name or title, contents in braces.
QString Describe(const UEFCollection& items)
{
    QStringList parts;
    for (const auto& entry : items) {
        if (auto* box = qobject_cast<UEFBox*>(entry.get())) {
            parts << "BOX:" + box->strName() + "{" + Describe(*box->colContents()) + "}";
        } else if (auto* media = qobject_cast<UEFMedia*>(entry.get())) {
            parts << "MEDIA:" + media->strName() + "{" + Describe(*media->colContents()) + "}";
        } else if (auto* movie = qobject_cast<UEFMovie*>(entry.get())) {
            parts << "MOVIE:" + movie->strTitle();
        }
    }
    return parts.join(",");
}

// Every text property set to a value of its own that carries escapes, line breaks and high characters.
template <class T> std::shared_ptr<T> Filled(const QString& label, const QString& upc)
{
    auto item = std::make_shared<T>();
    const QMetaObject* meta = item->metaObject();
    QByteArray cover;
    for (int b = 0; b < 256; ++b) {
        cover.append(char(b));
    }
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QString name = QString::fromLatin1(meta->property(i).name());
        QString value = label + " " + name + " A&B [x] &1 ]\r\n= " + QChar(0x20AC) + QChar(0xE9);
        if (name == "strYear") {
            value = "1999";
        } else if (name == "strUPC") {
            value = upc;
        } else if (name.endsWith("Cover")) {
            value = AnsiText::Decode(cover + label.toLatin1());
        }
        item->setProperty(meta->property(i).name(), value);
    }
    return item;
}

void CompareTrees(const UEFCollection& expected, const UEFCollection& actual)
{
    QCOMPARE(actual.Count(), expected.Count());
    for (int i = 1; i <= expected.Count(); ++i) {
        QObject* want = expected.Item(i).get();
        QObject* got = actual.Item(i).get();
        QCOMPARE(got->metaObject(), want->metaObject());
        const QMetaObject* meta = want->metaObject();
        for (int p = meta->propertyOffset(); p < meta->propertyCount(); ++p) {
            QCOMPARE(meta->property(p).read(got).toString(), meta->property(p).read(want).toString());
        }
        if (auto* box = qobject_cast<UEFBox*>(want)) {
            CompareTrees(*box->colContents(), *qobject_cast<UEFBox*>(got)->colContents());
        } else if (auto* media = qobject_cast<UEFMedia*>(want)) {
            CompareTrees(*media->colContents(), *qobject_cast<UEFMedia*>(got)->colContents());
        }
    }
}

QString Movie(const QString& title, const QString& upc = QString())
{
    return "[MOVIE=[TITLE=" + title + "][UPC=" + upc + "]]";
}

QString Media(const QString& name, const QString& upc, const QString& contents)
{
    return "[MEDIA=[NAME=" + name + "][UPC=" + upc + "][CONTENTS=" + contents + "]]";
}

QString Box(const QString& name, const QString& upc, const QString& contents)
{
    return "[BOX=[NAME=" + name + "][UPC=" + upc + "][CONTENTS=" + contents + "]]";
}

// A box of `levels` media, each inside the one before it, one movie at the bottom.
QByteArray DeepBox(int levels)
{
    return "[BOX=[NAME=D][UPC=036000291452][CONTENTS=" + QByteArray("[MEDIA=[NAME=m][CONTENTS=").repeated(levels) +
           "[MOVIE=[TITLE=x]]" + QByteArray("]]").repeated(levels) + "]]";
}

} // namespace

class TestUEFExchange : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    // How long a parse of file takes, checking what it read: the box and the media down to the nesting limit are
    // kept, every item below it is counted.
    static void TimeDeepParse(const QByteArray& file, bool fromBytes, int levels, qint64& took)
    {
        const QString text = fromBytes ? QString() : AnsiText::Decode(file);
        UEF document;
        UEFParser::LeftOut leftOut;
        // The thread's own processor time: what other work on the machine takes meanwhile does not count.
        const auto now = [] {
            timespec at{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &at);
            return qint64(at.tv_sec) * 1000000000 + at.tv_nsec;
        };
        const qint64 start = now();
        if (fromBytes) {
            document.AppendBytes(file, leftOut);
        } else {
            document.AppendText(text, leftOut);
        }
        took = now() - start;
        QCOMPARE(document.colUEF()->Count(), 1);
        QCOMPARE(leftOut.tooDeep, levels - UEFCollection::MaxDepth + 1);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.filePath("config").toUtf8());
        qputenv("TMPDIR", m_home.filePath("tmp").toUtf8());
        QCOMPARE(Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)), 0);
        Component::ClearCache();
    }

    void roundTripKeepsEverything()
    {
        UEF document;
        auto box = Filled<UEFBox>("box", "96385074");
        auto boxDisc = Filled<UEFMedia>("box disc", "");
        boxDisc->colContents()->Add(Filled<UEFMovie>("box disc movie 1", ""));
        boxDisc->colContents()->Add(Filled<UEFMovie>("box disc movie 2", "no code"));
        box->colContents()->Add(boxDisc);
        box->colContents()->Add(Filled<UEFMovie>("box movie", ""));
        auto disc = Filled<UEFMedia>("disc", "4006381333931");
        auto inner = Filled<UEFMedia>("inner disc", "");
        inner->colContents()->Add(Filled<UEFMovie>("inner movie", ""));
        disc->colContents()->Add(inner);
        document.colUEF()->Add(box);
        document.colUEF()->Add(disc);
        document.colUEF()->Add(Filled<UEFMovie>("movie", "036000291452"));

        const QString text = document.strUEF();
        // Through the file form: one byte per character and back.
        UEF parsed;
        parsed.setStrUEF(AnsiText::Decode(AnsiText::Encode(text)));
        CompareTrees(*document.colUEF(), *parsed.colUEF());
        QCOMPARE(parsed.strUEF(), text);
    }

    // Which items need a valid product code: a box wherever it stands, a medium or movie only at the top.
    void acceptance_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tree");
        const QString good = "036000291452";
        QTest::newRow("movie without code") << Movie("a") << "";
        QTest::newRow("movie with wrong check digit") << Movie("a", "036000291450") << "";
        QTest::newRow("movie, code trimmed first") << Movie("a", " 036000291452 ") << "MOVIE:a";
        QTest::newRow("eight digits") << Movie("a", "96385074") + Movie("b", "04252614") << "MOVIE:a";
        QTest::newRow("each top item on its own")
            << Movie("bad", "1") + Movie("good", good) + Movie("bad2") << "MOVIE:good";
        QTest::newRow("contents unchecked")
            << Media("m", good, Movie("a") + Movie("b", "x")) << "MEDIA:m{MOVIE:a,MOVIE:b}";
        QTest::newRow("refused medium drops contents") << Media("m", "", Box("x", good, "") + Movie("a", good)) << "";
        QTest::newRow("refused box drops contents") << Box("x", "123", Media("m", good, "") + Movie("a", good)) << "";
        QTest::newRow("box holds media and movies")
            << Box("x", good, Media("m", "", Movie("a")) + Movie("b")) << "BOX:x{MEDIA:m{MOVIE:a},MOVIE:b}";
        QTest::newRow("box in contents surfaces")
            << Media("m", good, Movie("a") + Box("x", good, Movie("b"))) << "MEDIA:m{MOVIE:a},BOX:x{MOVIE:b}";
        QTest::newRow("box in contents checked")
            << Media("m", good, Box("x", "", Movie("b")) + Movie("a")) << "MEDIA:m{MOVIE:a}";
        QTest::newRow("box in box surfaces after it")
            << Box("x", good, Box("y", good, "") + Movie("a")) << "BOX:x{MOVIE:a},BOX:y{}";
    }
    void acceptance()
    {
        QFETCH(QString, text);
        QFETCH(QString, tree);
        UEF document;
        document.setStrUEF(text);
        QCOMPARE(Describe(*document.colUEF()), tree);
    }

    void writingTwiceAppends()
    {
        UEF document;
        const QString text = Movie("a", "036000291452") + "\r\n" + Movie("b", "4006381333931");
        document.setStrUEF(text);
        document.setStrUEF(text);
        QCOMPARE(Describe(*document.colUEF()), "MOVIE:a,MOVIE:b,MOVIE:a,MOVIE:b");
        document.Clear();
        QCOMPARE(document.strUEF(), QString());
    }

    // A file's bytes give the items, covers and left-out counts of the text they decode to: every byte value in
    // values, covers and tags, refused and nested items, stray and cut-off brackets.
    void bytesReadAsTheirText()
    {
        UEF document;
        auto box = Filled<UEFBox>("box", "036000291452");
        auto disc = Filled<UEFMedia>("disc", "");
        disc->colContents()->Add(Filled<UEFMovie>("disc movie", ""));
        box->colContents()->Add(disc);
        box->colContents()->Add(Filled<UEFMovie>("box movie", ""));
        document.colUEF()->Add(box);
        document.colUEF()->Add(Filled<UEFMovie>("movie", "96385074"));
        document.colUEF()->Add(Filled<UEFMovie>("refused", "1"));
        QByteArray bytes = AnsiText::Encode(document.strUEF());
        for (int b = 0; b < 256; ++b) {
            const QByteArray odd(1, char(b));
            bytes += "[MOVI" + odd + "=[TITLE=t" + odd + "][UPC=036000291452][S" + odd + "NOPSIS=x]]";
            bytes += "[" + odd + "BOX=[UPC=1]]]";
        }
        QString deep = Movie("m");
        for (int level = 0; level < 20; ++level) {
            deep = Media("m", "", deep);
        }
        bytes += Box("deep", "036000291452", deep).toLatin1();
        bytes += "[BOX=[NAME=cut][UPC=036000291452][FRONTCOVER=abc";

        UEF fromText;
        UEFParser::LeftOut textLeftOut;
        fromText.AppendText(AnsiText::Decode(bytes), textLeftOut);
        UEF fromBytes;
        UEFParser::LeftOut bytesLeftOut;
        fromBytes.AppendBytes(bytes, bytesLeftOut);
        QVERIFY(fromText.colUEF()->Count() > 3);
        QCOMPARE(bytesLeftOut.refused, textLeftOut.refused);
        QCOMPARE(bytesLeftOut.tooDeep, textLeftOut.tooDeep);
        QVERIFY(textLeftOut.refused > 0 && textLeftOut.tooDeep > 0);
        CompareTrees(*fromText.colUEF(), *fromBytes.colUEF());
        QCOMPARE(fromBytes.strUEF(), fromText.strUEF());
        const auto* first = qobject_cast<UEFBox*>(fromBytes.colUEF()->Item(1).get());
        QVERIFY(first);
        QCOMPARE(first->frontCover().Bytes(), AnsiText::Encode(box->strFrontCover()));
    }

    // However deep the nesting, the parse reads the text about once: four times the levels cost about four times as
    // much, not sixteen.
    void deepNestingParsesInLinearTime_data()
    {
        QTest::addColumn<bool>("fromBytes");
        QTest::newRow("bytes") << true;
        QTest::newRow("text") << false;
    }
    void deepNestingParsesInLinearTime()
    {
        QFETCH(bool, fromBytes);
        const QByteArray shallowFile = DeepBox(5000);
        const QByteArray deepFile = DeepBox(20000);
        // The fastest of several runs, the two sizes taking turns, so both meet the same load of the machine.
        qint64 shallow = std::numeric_limits<qint64>::max();
        qint64 deep = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 7; ++run) {
            qint64 took = 0;
            TimeDeepParse(shallowFile, fromBytes, 5000, took);
            shallow = std::min(shallow, took);
            TimeDeepParse(deepFile, fromBytes, 20000, took);
            deep = std::min(deep, took);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        QVERIFY2(deep <= 6 * shallow,
                 qPrintable(QString("5,000 levels %1 us, 20,000 levels %2 us").arg(shallow / 1000).arg(deep / 1000)));
    }

    // A stop set while a parse runs ends it at once, wherever it is: below the nesting limit, where only counting
    // goes on, or inside one item of very many elements.
    void stopEndsTheParse_data()
    {
        QTest::addColumn<int>("levels");
        QTest::addColumn<int>("fields");
        // About 32 MB each, which take far longer to read than the wait before the stop.
        QTest::newRow("deep nesting") << 1200000 << 0;
        QTest::newRow("one long item") << 0 << 6000000;
    }
    void stopEndsTheParse()
    {
        QFETCH(int, levels);
        QFETCH(int, fields);
        const QByteArray file =
            levels > 0 ? DeepBox(levels) : "[MOVIE=" + QByteArray("[A=b]").repeated(fields) + "[UPC=036000291452]]";
        // Read whole, the file gives one item and counts every level below the nesting limit.
        const int whole = 1 + (levels > 0 ? levels - UEFCollection::MaxDepth + 1 : 0);
        std::atomic<bool> stop{false};
        UEFParser::ParseControl control{&stop, Component::CreateObject(QStringLiteral("Codevet.UPCObject"))};
        QVERIFY(control.checker);
        UEF document;
        UEFParser::LeftOut leftOut;
        std::thread parse([&] { document.AppendBytes(file, leftOut, control); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop = true;
        parse.join();
        // It ended where it was, not after reading the rest (how soon is no matter for a test on a busy machine).
        QVERIFY(document.colUEF()->Count() + leftOut.tooDeep < whole);
    }
};

QTEST_GUILESS_MAIN(TestUEFExchange)
#include "tst_uefexchange.moc"
