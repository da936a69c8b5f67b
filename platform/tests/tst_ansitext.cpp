#include "AnsiText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestAnsiText : public QObject
{
    Q_OBJECT

private slots:
    void everyByteSurvivesDecodeAndEncode()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all.append(char(b));
        }
        const QString text = AnsiText::Decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(AnsiText::Encode(text), all);
        QVERIFY(AnsiText::IsEncodable(text));
    }

    void codePageCharacters_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("undefined 81") << 0x81 << 0x81;
        QTest::newRow("undefined 8D") << 0x8D << 0x8D;
        QTest::newRow("undefined 8F") << 0x8F << 0x8F;
        QTest::newRow("undefined 90") << 0x90 << 0x90;
        QTest::newRow("undefined 9D") << 0x9D << 0x9D;
        QTest::newRow("left quote") << 0x93 << 0x201C;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("nbsp") << 0xA0 << 0xA0;
        QTest::newRow("e acute") << 0xE9 << 0xE9;
    }
    void codePageCharacters()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        const QByteArray one(1, char(byte));
        QCOMPARE(AnsiText::Decode(one), QString(QChar(unicode)));
        QCOMPARE(AnsiText::Encode(QString(QChar(unicode))), one);
    }

    void unmappableCharactersBecomeQuestionMarks()
    {
        const QString text = QStringLiteral("a\u4E2Db\u0080");
        QCOMPARE(AnsiText::Encode(text), QByteArray("a?b?"));
        QVERIFY(!AnsiText::IsEncodable(text));
    }

    void recordLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("crlf") << "a\r\nb\r\n" << QStringList{"a", "b"};
        QTest::newRow("lone cr") << "a\rb" << QStringList{"a", "b"};
        QTest::newRow("lone lf stays") << "a\nb\r\nc" << QStringList{"a\nb", "c"};
        QTest::newRow("blank lines") << "\r\n\r\nx" << QStringList{"", "", "x"};
        QTest::newRow("cr cr lf") << "a\r\r\nb" << QStringList{"a", "", "b"};
        QTest::newRow("trailing lf") << "a\n" << QStringList{"a\n"};
    }
    void recordLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(AnsiText::SplitRecordLines(text), lines);
    }

    void trimRemovesSpacesOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("spaces") << "  a b  "
                                << "a b";
        QTest::newRow("tabs kept") << "\ta\t"
                                   << "\ta\t";
        QTest::newRow("newline kept") << " \r\na "
                                      << "\r\na";
        QTest::newRow("only spaces") << "   "
                                     << "";
        QTest::newRow("nbsp kept") << QString::fromUtf8("\u00A0x ") << QString::fromUtf8("\u00A0x");
    }
    void trimRemovesSpacesOnly()
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(AnsiText::Trim(text), trimmed);
        QCOMPARE(AnsiText::RTrim(AnsiText::LTrim(text)), trimmed);
        QCOMPARE(AnsiText::LTrim(u"  a  "), QStringLiteral("a  "));
        QCOMPARE(AnsiText::RTrim(u"  a  "), QStringLiteral("  a"));
    }

    void upperCaseKeepsLength()
    {
        const QString text = QString::fromUtf8("stra\u00DFe \u00E9t\u00E9 the");
        const QString upper = AnsiText::UCase(text);
        QCOMPARE(upper.size(), text.size());
        QCOMPARE(upper, QString::fromUtf8("STRA\u00DFE \u00C9T\u00C9 THE"));
    }

    // Every character of the code page: its upper case is again a character of the code page, so text written
    // after upper-casing (sort keys above all) never holds a "?" that was not there.
    void upperCaseStaysInCodePage()
    {
        const auto expected = [](int b) {
            if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) {
                return b - 0x20;
            }
            switch (b) {
            case 0x9A: // s caron
                return 0x8A;
            case 0x9C: // oe
                return 0x8C;
            case 0x9E: // z caron
                return 0x8E;
            case 0xFF: // y diaeresis
                return 0x9F;
            default: // micro sign, f hook, sharp s and every other character without an upper case in the code page
                return b;
            }
        };
        for (int b = 0; b < 256; ++b) {
            const QString one = AnsiText::Decode(QByteArray(1, char(b)));
            const QString upper = AnsiText::UCase(one);
            QCOMPARE(upper.size(), 1);
            QVERIFY2(AnsiText::IsEncodable(upper), qPrintable(QString::number(b, 16)));
            const QByteArray back = AnsiText::Encode(upper);
            QCOMPARE(AnsiText::Decode(back), upper);
            QCOMPARE(int(quint8(back.at(0))), expected(b));
        }
        QCOMPARE(AnsiText::UCase(QString::fromUtf8("\u00B5m \u0192 \u00FF")),
                 QString::fromUtf8("\u00B5M \u0192 \u0178"));
    }

    void fileRoundTripAndFailedWriteKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("record.txt");
        QByteArray bytes("caf\xE9\r\n\x81\x00\xFF", 9);
        QVERIFY(AnsiText::WriteFile(path, AnsiText::Decode(bytes)));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        f.close();

        QString back;
        QVERIFY(AnsiText::ReadFile(path, back));
        QCOMPARE(AnsiText::Encode(back), bytes);

        QVERIFY(!AnsiText::ReadFile(dir.filePath("missing"), back));
        QVERIFY(back.isEmpty());

        // A write into a folder that does not exist fails and reports it.
        QVERIFY(!AnsiText::WriteFile(dir.filePath("no/such/folder/x.txt"), u"x"));
        // A write that cannot replace the target leaves it untouched.
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const bool wrote = bool(AnsiText::WriteFile(path, u"new"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!wrote) {
            QCOMPARE(AnsiText::Encode(AnsiText::ReadFile(path)), bytes);
        } else {
            // Running as root, permissions do not stop the write; the file must then be whole.
            QCOMPARE(AnsiText::ReadFile(path), QStringLiteral("new"));
        }
    }
};

QTEST_GUILESS_MAIN(TestAnsiText)
#include "tst_ansitext.moc"
