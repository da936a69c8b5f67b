// The typed-character buffer without a window: which typing opens the pairs game, on a clock the test moves.

#include "commands/TypeAhead.h"

#include <QTest>

class TestTypeAhead : public QObject
{
    Q_OBJECT

private slots:
    void hiddenWord_data();
    void hiddenWord();
    void bufferKeepsOnlyTheLastCharacters();
    void clearEmptiesTheBuffer();
};

void TestTypeAhead::hiddenWord_data()
{
    // Each step is typed one character at a time, with no time passing; a step "@n" lets n milliseconds pass.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("opened");
    QTest::addColumn<QString>("buffer"); // what the buffer holds at the end

    QTest::newRow("upper case") << QStringList{"QUIETHARBOR"} << 1 << "";
    QTest::newRow("lower case") << QStringList{"quietharbor"} << 1 << "";
    QTest::newRow("mixed case") << QStringList{"QuietHarbor"} << 1 << "";
    QTest::newRow("after other characters") << QStringList{"xyz 12!?\r\x1b", "quietharbor"} << 1 << "";
    QTest::newRow("typing on after the word") << QStringList{"quietharborab"} << 1 << "ab";
    QTest::newRow("the word twice") << QStringList{"quietharborQUIETHARBOR"} << 2 << "";
    QTest::newRow("one letter short") << QStringList{"quietharbo"} << 0 << "quietharbo";
    QTest::newRow("a start of the word before the word") << QStringList{"quietquietharbor"} << 1 << "";
    QTest::newRow("pause of 5000 ms inside") << QStringList{"quiet", "@5000", "harbor"} << 0 << "harbor";
    QTest::newRow("pause of 4999 ms inside") << QStringList{"quiet", "@4999", "harbor"} << 1 << "";
    QTest::newRow("short pauses add up to more than 5000 ms")
        << QStringList{"quie", "@4000", "tha", "@4000", "rbor"} << 1 << "";
    QTest::newRow("word typed again after a pause") << QStringList{"quietharbo", "@6000", "quietharbor"} << 1 << "";
    QTest::newRow("Backspace inside") << QStringList{"quietj\bharbor"} << 0 << "ietj\bharbor";
    QTest::newRow("Backspace over a wrong letter") << QStringList{"quieth\bharbor"} << 0 << "ieth\bharbor";
    QTest::newRow("Backspace before the word") << QStringList{"x\b", "quietharbor"} << 1 << "";
    QTest::newRow("Enter inside") << QStringList{"quiet\rharbor"} << 0 << "uiet\rharbor";
    QTest::newRow("blank inside") << QStringList{"quiet harbor"} << 0 << "uiet harbor";
}

void TestTypeAhead::hiddenWord()
{
    QFETCH(QStringList, steps);
    QFETCH(int, opened);
    QFETCH(QString, buffer);

    qint64 now = 1000000;
    TypeAhead typeAhead([&now] { return now; });
    int count = 0;
    for (const QString& step : steps) {
        if (step.startsWith('@')) {
            now += step.mid(1).toLongLong();
            continue;
        }
        for (const QChar c : step) {
            count += typeAhead.HandleTypedKey(QString(c)) ? 1 : 0;
        }
    }
    QCOMPARE(count, opened);
    QCOMPARE(typeAhead.Buffer(), buffer);
}

void TestTypeAhead::bufferKeepsOnlyTheLastCharacters()
{
    qint64 now = 0;
    TypeAhead typeAhead([&now] { return now; });
    QString typed;
    for (int i = 0; i < 100000; ++i) {
        const QString c(QChar(u'a' + i % 26));
        typed += c;
        QVERIFY(!typeAhead.HandleTypedKey(c));
        QVERIFY(typeAhead.Buffer().size() <= TypeAhead::HiddenWord().size());
        ++now;
    }
    QCOMPARE(typeAhead.Buffer(), typed.right(TypeAhead::HiddenWord().size()));
    // The word still completes after a long run of other keys.
    bool opened = false;
    for (const QChar c : QStringLiteral("quietharbor")) {
        opened = typeAhead.HandleTypedKey(QString(c));
    }
    QVERIFY(opened);
}

void TestTypeAhead::clearEmptiesTheBuffer()
{
    qint64 now = 0;
    TypeAhead typeAhead([&now] { return now; });
    for (const QChar c : QStringLiteral("quiet")) {
        typeAhead.HandleTypedKey(QString(c));
    }
    typeAhead.Clear();
    QCOMPARE(typeAhead.Buffer(), QString());
    bool opened = false;
    for (const QChar c : QStringLiteral("harbor")) {
        opened = typeAhead.HandleTypedKey(QString(c));
    }
    QVERIFY(!opened);
    // A key typed as several characters at once counts them all.
    QVERIFY(typeAhead.HandleTypedKey(u"QUIETHARBOR"));
}

QTEST_GUILESS_MAIN(TestTypeAhead)
#include "tst_typeahead.moc"
