#include "core/mGeneral.h"

#include "CItem.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// The exchange sort as the child lists have always been ordered; the fast sort must leave the same order.
void LiteralSortPairs(SortPairList& list)
{
    const int n = list.UBound();
    for (int i = 1; i <= n; ++i) {
        for (int j = i + 1; j <= n; ++j) {
            if (list[i].strSortKey > list[j].strSortKey) {
                std::swap(list[i], list[j]);
            }
        }
    }
}

QStringList Keys(const SortPairList& list)
{
    QStringList keys;
    for (int i = 1; i <= list.UBound(); ++i) {
        keys << list[i].strKey;
    }
    return keys;
}

} // namespace

class TestGeneral : public QObject
{
    Q_OBJECT

private slots:
    void itemKeys_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("key");
        QTest::newRow("root") << 0 << qint64(7) << "!0";
        QTest::newRow("five") << 5 << qint64(7) << "!0";
        QTest::newRow("negative type") << -1 << qint64(7) << "!0";
        QTest::newRow("category") << 1 << qint64(-1) << "C-1";
        QTest::newRow("group") << 2 << qint64(12) << "S12";
        QTest::newRow("box zero") << 3 << qint64(0) << "B0";
        QTest::newRow("medium") << 4 << qint64(2147483647) << "E2147483647";
    }
    void itemKeys()
    {
        QFETCH(int, type);
        QFETCH(qint64, id);
        QFETCH(QString, key);
        QCOMPARE(MakeItemKey(type, id), key);
        if (type >= 1 && type <= 4) {
            QCOMPARE(KeyPrefixToType(key.left(1)), type);
        }
    }

    void keyPrefixes()
    {
        QCOMPARE(KeyPrefixToType("!"), 0);
        QCOMPARE(KeyPrefixToType("M"), 0);
        QCOMPARE(KeyPrefixToType("c"), 0);
        QCOMPARE(KeyPrefixToType(""), 0);
        QCOMPARE(KeyPrefixToType("!0"), 0);
        QCOMPARE(KeyPrefixToType("CC"), 0);
    }

    // Commands and lookups find an item's kind by its key: each kind's key leads back to that kind, and only those.
    void kindsOfKeys()
    {
        for (const ItemKind kind :
             {ItemKind::Category, ItemKind::Group, ItemKind::Box, ItemKind::Media, ItemKind::Movie}) {
            QCOMPARE(KindOfKey(CItem::KeyLetter(kind) + QStringLiteral("12")), std::optional<ItemKind>(kind));
        }
        for (const QString& key : {QStringLiteral("!0"), QString(), QStringLiteral("c1"), QStringLiteral("X3")}) {
            QVERIFY2(!KindOfKey(key), qPrintable(key));
        }
        QVERIFY(IsRootKey(u"!0"));
        QVERIFY(!IsRootKey(u"C1"));
    }

    void sortKeys_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("sortKey");
        QTest::newRow("article") << "The Long Road"
                                 << "LONG ROAD, THE";
        QTest::newRow("blanks") << "  a quiet night  "
                                << "QUIET NIGHT, A";
        QTest::newRow("parentheses") << "An Ocean Away (1999)"
                                     << "OCEAN AWAY, AN (1999)";
        QTest::newRow("colon") << "Night Train: Part Two"
                               << "NIGHT TRAIN : PART TWO";
        QTest::newRow("article after colon stays") << "The Last Stand: The Way Back"
                                                   << "LAST STAND, THE : THE WAY BACK";
        QTest::newRow("swedish") << "Den sista dansen"
                                 << "SISTA DANSEN, DEN";
        QTest::newRow("parentheses win over colon") << "Part 2: The End (Special)"
                                                    << "PART 2: THE END (SPECIAL)";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("all blank") << "    "
                                   << "";
        QTest::newRow("lone article") << "The"
                                      << "THE";
        QTest::newRow("only parentheses") << "(1999)"
                                          << " (1999)";
        QTest::newRow("unmatched parenthesis") << "Word)"
                                               << "WORD)";
        QTest::newRow("unmatched parenthesis ignores colon") << "A: b)"
                                                             << "A: B)";
        QTest::newRow("double blank after article") << "THE  DOUBLE"
                                                    << " DOUBLE, THE";
        QTest::newRow("article needs its blank") << "Then"
                                                 << "THEN";
        QTest::newRow("first matching article only") << "A The"
                                                     << "THE, A";
        QTest::newRow("accented upper") << QString::fromUtf8("\u00e9t\u00e9") << QString::fromUtf8("\u00c9T\u00c9");
    }
    void sortKeys()
    {
        QFETCH(QString, title);
        QFETCH(QString, sortKey);
        QCOMPARE(MakeSortKey(title), sortKey);
    }

    void sortPairsKeepsTheExchangeOrder()
    {
        SortPairList list;
        AddPair(list, "X1", "X");
        AddPair(list, "X2", "X");
        AddPair(list, "A", "A");
        SortPairs(list);
        QCOMPARE(Keys(list), (QStringList{"A", "X2", "X1"}));

        SortPairList empty;
        SortPairs(empty);
        QCOMPARE(empty.UBound(), 0);
        QVERIFY(empty[0].strKey.isEmpty());
    }

    // Thousands of lists of every shape the child lists take: runs of boxes, media and movies each in collection
    // order, collections whose keys were edited in place, many equal keys; each against the literal exchange sort.
    void sortPairsMatchesTheExchangeSortOnRandomLists_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("alphabet");
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("edits");
        QTest::addColumn<int>("rounds");
        QTest::newRow("tiny, many equal") << 8 << 2 << 0 << 0 << 3000;
        QTest::newRow("small, some equal") << 40 << 6 << 0 << 0 << 1000;
        QTest::newRow("medium, distinct-ish") << 300 << 200 << 0 << 0 << 20;
        QTest::newRow("three sorted runs") << 400 << 30 << 3 << 0 << 20;
        QTest::newRow("several short runs, equal keys") << 60 << 8 << 5 << 0 << 1000;
        QTest::newRow("sorted, one key edited") << 200 << 40 << 1 << 1 << 200;
        QTest::newRow("three runs, a few keys edited") << 120 << 12 << 3 << 4 << 500;
        QTest::newRow("descending") << 200 << 1000 << -1 << 0 << 20;
    }
    void sortPairsMatchesTheExchangeSortOnRandomLists()
    {
        QFETCH(int, size);
        QFETCH(int, alphabet);
        QFETCH(int, runs);
        QFETCH(int, edits);
        QFETCH(int, rounds);
        QRandomGenerator rng(size * 131 + alphabet * 7 + runs * 3 + edits);
        for (int round = 0; round < rounds; ++round) {
            const int n = int(rng.bounded(size + 1));
            QStringList keys;
            for (int i = 0; i < n; ++i) {
                keys << QString::number(rng.bounded(alphabet)).rightJustified(4, u'0');
            }
            if (runs > 0 && n > 0) {
                // Boxes, then media, then movies, each in collection order: how the lists are really built.
                const int part = std::max(1, n / runs);
                for (int r = 0; r < runs && r * part < n; ++r) {
                    std::sort(keys.begin() + r * part,
                              r == runs - 1 ? keys.end() : keys.begin() + std::min(n, (r + 1) * part));
                }
            } else if (runs < 0) {
                std::sort(keys.begin(), keys.end(), std::greater<>());
            }
            for (int e = 0; e < edits && n > 0; ++e) {
                keys[rng.bounded(n)] = QString::number(rng.bounded(alphabet)).rightJustified(4, u'0');
            }
            SortPairList fast;
            SortPairList literal;
            for (int i = 0; i < n; ++i) {
                AddPair(fast, QString::number(i), keys[i]);
                AddPair(literal, QString::number(i), keys[i]);
            }
            SortPairs(fast);
            LiteralSortPairs(literal);
            QCOMPARE(Keys(fast), Keys(literal));
        }
    }

    void smallHelpers()
    {
        QCOMPARE(GetVersionText(), QStringLiteral("version 3.3.25 - Beta"));
        QCOMPARE(DigitsOnly("a1-2 b3\u00b2"), QStringLiteral("123"));
        QCOMPARE(FormatRegions("212"), QStringLiteral("1, 2"));
        QCOMPARE(FormatRegions("6x0 9"), QStringLiteral("0, 6"));
        QCOMPARE(FormatRegions("789"), QString());

        const QString twenty = "abcdefghijklmnopqrst";
        QCOMPARE(ShortenText(twenty, 20), QStringLiteral("abcdefgh ... nopqrst"));
        QCOMPARE(ShortenText(twenty, 19), twenty);
        QCOMPARE(ShortenText(twenty, 21), twenty);
        QCOMPARE(ShortenText(twenty + twenty, 25).size(), 25);

        QCOMPARE(GetExtension("Front.Cover.jpeg"), QStringLiteral("jpeg"));
        QCOMPARE(GetExtension("noext"), QStringLiteral("noext"));
        QCOMPARE(GetExtension("dot."), QString());
        QCOMPARE(GetExtension(""), QString());
    }
};

QTEST_GUILESS_MAIN(TestGeneral)
#include "tst_general.moc"
