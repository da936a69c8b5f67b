// Characters the store's code page cannot hold, and the refusal that names them and their field.

#include "core/CodePage.h"

#include <QtTest>

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void unencodable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("characters");
        QTest::newRow("plain") << QStringLiteral("Amélie – “Le fabuleux destin” €5") << QStringList{};
        QTest::newRow("the five undefined bytes") << QStringLiteral("\u0081\u008d\u008f\u0090\u009d") << QStringList{};
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("each once, in order") << QStringLiteral("Łódź i Łask") << QStringList{"Ł", "ź"};
        QTest::newRow("outside the basic plane") << QStringLiteral("Film 🎬!") << QStringList{"🎬"};
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("x")
                                        << QStringList{QString(QChar(0xD800))};
        QTest::newRow("a Windows-1252 control is not Latin-1")
            << QStringLiteral("\u0080\u0099") << QStringList{"\u0080", "\u0099"};
    }
    void unencodable()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, characters);
        QCOMPARE(CodePage::UnencodableCharacters(text), characters);
        QCOMPARE(CodePage::RefusalMessage(QStringLiteral("Title"), text).isEmpty(), characters.isEmpty());
    }

    void refusalText()
    {
        QCOMPARE(CodePage::RefusalMessage(QStringLiteral("Title"), QStringLiteral("Łódź ✓")),
                 QStringLiteral("The field \"Title\" holds characters that cannot be stored: \"Ł\" (U+0141), "
                                "\"ź\" (U+017A), \"✓\" (U+2713)."));
        // Invisible characters and lone surrogates are named by their code alone.
        QCOMPARE(CodePage::RefusalMessage(QStringLiteral("Notes"), QStringLiteral("a\u200bb🎬") + QChar(0xDC00)),
                 QStringLiteral("The field \"Notes\" holds characters that cannot be stored: U+200B, \"🎬\" (U+1F3AC), "
                                "U+DC00."));
    }

    void severalFields()
    {
        const QString message = CodePage::RefusalMessage(QList<CodePage::Field>{
            {QStringLiteral("Title"), QStringLiteral("ok")},
            {QStringLiteral("Cast"), QStringLiteral("Ōshima")},
            {QStringLiteral("Studios"), QStringLiteral("Tōhō")},
        });
        QCOMPARE(message,
                 QStringLiteral("The field \"Cast\" holds characters that cannot be stored: \"Ō\" (U+014C).\n"
                                "The field \"Studios\" holds characters that cannot be stored: \"ō\" (U+014D).\n"
                                "Please change or remove them."));
        QCOMPARE(CodePage::RefusalMessage(QList<CodePage::Field>{{QStringLiteral("Title"), QStringLiteral("ok")}}),
                 QString());
    }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
