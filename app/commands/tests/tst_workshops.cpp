// The workshops without their windows: the title lines, counts, the proposal of the "..." button and the check of
// OK, hostile divisions included, and what OK accepts planned for making.

#include "commands/DivisionPlan.h"
#include "commands/Workshops.h"

#include <QtTest>

using namespace Workshops;

Q_DECLARE_METATYPE(Workshops::Refusal)

class TestWorkshops : public QObject
{
    Q_OBJECT

private slots:
    void itemLines()
    {
        QCOMPARE(ItemLines("A\r\n\r\n   \r\n B \r\n"), (QStringList{"A", " B "}));
        QCOMPARE(ItemLines(QString()), QStringList());
        // Only CR LF ends a line; a tab is no space and keeps its line.
        QCOMPARE(ItemLines("A\nB\r\n\t"), (QStringList{"A\nB", "\t"}));
    }

    void counts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count"); // -1: refused
        QTest::newRow("digits") << "3" << 3;
        QTest::newRow("spaces") << "  12 " << 12;
        QTest::newRow("plus") << "+4" << 4;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("whole with a fraction of zeros") << "5.00" << 5;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("largest") << "999" << 999;
        QTest::newRow("too large") << "1000" << -1;
        QTest::newRow("a billion") << "1000000000" << -1;
        QTest::newRow("endless digits") << QString(400, u'9') << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("fraction") << "2.5" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blank") << "   " << -1;
        QTest::newRow("letters") << "3a" << -1;
        QTest::newRow("exponent") << "1e3" << -1;
        QTest::newRow("inner space") << "1 2" << -1;
        QTest::newRow("tab") << "\t3" << -1;
        QTest::newRow("sign only") << "-" << -1;
        QTest::newRow("point only") << "." << -1;
        QTest::newRow("hexadecimal") << "0x10" << -1;
    }

    void counts()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        const std::optional<int> read = ReadCount(text);
        QCOMPARE(read.value_or(-1), count);
    }

    void proposal_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Refusal>("refusal");
        QTest::addColumn<QString>("division");
        QTest::newRow("12 on 4") << 12 << "4" << Refusal::None << "3;3;3;3;";
        QTest::newRow("7 on 3") << 7 << "3" << Refusal::None << "3;3;1;";
        QTest::newRow("10 on 3") << 10 << "3" << Refusal::None << "5;5;0;";
        QTest::newRow("11 on 4") << 11 << "4" << Refusal::None << "3;3;3;2;";
        QTest::newRow("2 on 4") << 2 << "4" << Refusal::None << "1;1;0;0;";
        QTest::newRow("spaces around") << 4 << " 2 " << Refusal::None << "2;2;";
        QTest::newRow("one disc") << 4 << "1" << Refusal::NoDiscs << "";
        QTest::newRow("no disc") << 4 << "0" << Refusal::NoDiscs << "";
        QTest::newRow("cancelled") << 4 << "" << Refusal::NoDiscs << "";
        QTest::newRow("words") << 4 << "three" << Refusal::NoDiscs << "";
        QTest::newRow("negative") << 4 << "-5" << Refusal::NoDiscs << "";
        QTest::newRow("fraction") << 4 << "2.5" << Refusal::Illegal << "";
        QTest::newRow("a billion") << 4 << "1000000000" << Refusal::Illegal << "";
        QTest::newRow("no lines") << 0 << "3" << Refusal::NoLines << "";
    }

    void proposal()
    {
        QFETCH(int, n);
        QFETCH(QString, answer);
        const Proposal proposal = SuggestDivision(n, answer);
        QTEST(proposal.refusal, "refusal");
        QTEST(proposal.division, "division");
        if (proposal.refusal == Refusal::None) {
            // Every proposal passes the check of OK for the same titles.
            QCOMPARE(CheckDivision(proposal.division, n).refusal, Refusal::None);
        }
    }

    void division_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<Refusal>("refusal");
        QTest::addColumn<QString>("kept"); // the division handed over
        QTest::newRow("closing semicolon") << "4;4;" << 8 << Refusal::None << "4;4";
        QTest::newRow("closing semicolon and spaces") << " 4;4 ;  " << 8 << Refusal::None << " 4;4 ";
        QTest::newRow("single count") << "8" << 8 << Refusal::None << "8";
        QTest::newRow("one line, one disc") << "1" << 1 << Refusal::None << "1";
        QTest::newRow("a part of 0") << "5;5;0;" << 10 << Refusal::None << "5;5;0";
        QTest::newRow("empty inner part") << "4;;4" << 8 << Refusal::Illegal << "";
        QTest::newRow("two closing semicolons") << "4;4;;" << 8 << Refusal::Illegal << "";
        QTest::newRow("letters") << "4;x4" << 8 << Refusal::Illegal << "";
        QTest::newRow("sum short") << "4;3" << 8 << Refusal::Sum << "";
        QTest::newRow("empty") << "" << 8 << Refusal::Sum << "";
        QTest::newRow("negative balanced by more") << "10;-2" << 8 << Refusal::Illegal << "";
        QTest::newRow("fractions adding up") << "4.5;3.5" << 8 << Refusal::Illegal << "";
        QTest::newRow("above 999") << "1000;-992" << 8 << Refusal::Illegal << "";
        QTest::newRow("a billion") << "1000000000" << 8 << Refusal::Illegal << "";
        QTest::newRow("999 parts") << QString("1;").repeated(998) + "1" << 999 << Refusal::None
                                   << QString("1;").repeated(998) + "1";
        QTest::newRow("1000 parts") << QString("0;").repeated(999) + "8" << 8 << Refusal::Illegal << "";
        QTest::newRow("999 parts and the closing semicolon")
            << QString("0;").repeated(998) + "8;" << 8 << Refusal::None << QString("0;").repeated(998) + "8";
    }

    void division()
    {
        QFETCH(QString, text);
        QFETCH(int, n);
        const DivisionCheck check = CheckDivision(text, n);
        QTEST(check.refusal, "refusal");
        if (check.refusal == Refusal::None) {
            QTEST(check.division, "kept");
            // What OK accepts, the add command makes: every title once.
            const BoxPlan plan = PlanBox(QStringList(n, QStringLiteral("T")), check.division, QStringLiteral("DVD"));
            QCOMPARE(plan.refusal, QString());
            QCOMPARE(plan.MovieCount(), n);
        }
    }

    void boxResult()
    {
        const QString list = "A\r\n\r\nB\r\n  \r\nC";
        // Not ticked: whatever the division box holds, the result ends with "1".
        BoxResult result = BuildResult(list, false, "nonsense;;");
        QCOMPARE(result.refusal, Refusal::None);
        QCOMPARE(result.list, (QStringList{"A", "B", "C", "1"}));

        result = BuildResult(list, true, "2;1; ");
        QCOMPARE(result.list, (QStringList{"A", "B", "C", "2;1"}));
        QCOMPARE(result.divisionText, QStringLiteral("2;1"));

        result = BuildResult(list, true, "2;2");
        QCOMPARE(result.refusal, Refusal::Sum);
        QCOMPARE(result.message, SumMessage());
        QCOMPARE(result.divisionText, QStringLiteral("2;2"));
        QVERIFY(result.list.isEmpty());

        result = BuildResult(" \r\n", true, "1");
        QCOMPARE(result.refusal, Refusal::NoLines);
        QCOMPARE(RefusalTitle(result.refusal), QStringLiteral("Error"));

        // A title the store cannot hold is refused, naming it, before the division is looked at.
        result = BuildResult("A\r\nEpisode \u2713", true, "x");
        QCOMPARE(result.refusal, Refusal::CodePage);
        QVERIFY(result.message.contains(QStringLiteral("U+2713")));
    }

    void mediaResult()
    {
        MediaResult result = ParseList("One\r\n\r\n Two ");
        QCOMPARE(result.refusal, Refusal::None);
        QCOMPARE(result.list, (QStringList{"One", " Two "}));
        result = ParseList("\r\n");
        QCOMPARE(result.refusal, Refusal::NoLines);
        QCOMPARE(result.message, NoLinesMessage());
        QCOMPARE(ParseList("\u0141\u00f3d\u017a").refusal, Refusal::CodePage);
    }
};

QTEST_GUILESS_MAIN(TestWorkshops)
#include "tst_workshops.moc"
