// The pairs game without its window: which covers a game is dealt from, how the cards are dealt, and a whole game
// played turn by turn, with the turns counted on through a second game.

#include "CollectionWorld.h"
#include "commands/MemoryGame.h"

#include "AnsiText.h"

#include <QHash>
#include <QSet>
#include <QTest>

#include <memory>

using namespace TestWorld;

class TestMemoryGame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SetUpEnvironment(); }
    void init();
    void cleanup();

    void frontCovers_data();
    void frontCovers();
    void coverOrder();
    void seededDeals();
    void fullGame();
    void clicksThatDoNothing();

private:
    // Adds count items of a kind ("box", "media", "movie") with a front cover each; their cover paths in order.
    QStringList AddCovered(const QString& kind, int count);
    // The cards that show path.
    static QList<int> CardsOf(const MemoryGame& game, const QString& path);

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    QString m_cover;
    int m_items = 0;
};

void TestMemoryGame::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_cover = m_dir->path("cover.gif");
    QVERIFY(AnsiText::WriteFileBytes(m_cover, QByteArray("GIF89a not really a picture")));
    m_items = 0;
}

void TestMemoryGame::cleanup()
{
    gTempFolder.clear();
    m_dir.reset();
}

QStringList TestMemoryGame::AddCovered(const QString& kind, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1 %2").arg(kind).arg(++m_items, 3, 10, QChar('0'));
        std::shared_ptr<CCoveredItem> item;
        if (kind == "box") {
            item = gBoxes->Item(AddBox(name, "!0"));
        } else if (kind == "media") {
            item = gMedias->Item(AddMedia(name, "!0", "DVD"));
        } else {
            item = gMovies->Item(AddMovie(name, "!0", "DVD"));
        }
        item->AddFrontCover(m_cover);
        paths << item->Path() + "/" + item->strFrontCover();
    }
    return paths;
}

QList<int> TestMemoryGame::CardsOf(const MemoryGame& game, const QString& path)
{
    QList<int> cards;
    for (int i = 0; i < MemoryGame::kCards; ++i) {
        if (game.Card(i).strPicture == path) {
            cards << i;
        }
    }
    return cards;
}

void TestMemoryGame::frontCovers_data()
{
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("media");
    QTest::addColumn<int>("movies");
    QTest::addColumn<int>("uncovered"); // items without a front cover
    QTest::addColumn<bool>("dealt");

    QTest::newRow("none") << 0 << 0 << 0 << 5 << false;
    QTest::newRow("19 front covers") << 4 << 5 << 10 << 6 << false;
    QTest::newRow("20 front covers") << 4 << 6 << 10 << 6 << true;
    QTest::newRow("20 movies") << 0 << 0 << 20 << 0 << true;
    QTest::newRow("33 front covers") << 3 << 10 << 20 << 2 << true;
}

void TestMemoryGame::frontCovers()
{
    QFETCH(int, boxes);
    QFETCH(int, media);
    QFETCH(int, movies);
    QFETCH(int, uncovered);
    QFETCH(bool, dealt);

    const QStringList covers = AddCovered("box", boxes) + AddCovered("media", media) + AddCovered("movie", movies);
    for (int i = 0; i < uncovered; ++i) {
        AddMovie(QStringLiteral("Bare %1").arg(i), "!0", "VHS");
        AddBox(QStringLiteral("Bare Box %1").arg(i), "!0");
    }
    LoadCollections(m_dbDir);

    MemoryGame game(7);
    QCOMPARE(game.ResetAll(), dealt);
    if (!dealt) {
        for (int i = 0; i < MemoryGame::kCards; ++i) {
            QCOMPARE(game.Card(i).strPicture, QString());
        }
        QCOMPARE(game.TurnCard(0), MemoryGame::Turn::Ignored);
        QCOMPARE(game.CollectPictures().value(0), QStringLiteral("/"));
        return;
    }
    // Every card is dealt, each picture twice, 20 different covers of the collection.
    QSet<QString> pictures;
    for (int i = 0; i < MemoryGame::kCards; ++i) {
        const QString path = game.Card(i).strPicture;
        QVERIFY2(covers.contains(path), qPrintable(path));
        QCOMPARE(CardsOf(game, path).size(), 2);
        QVERIFY(!game.Card(i).blFound);
        pictures.insert(path);
    }
    QCOMPARE(pictures.size(), MemoryGame::kPictures);
    if (covers.size() == MemoryGame::kPictures) {
        QCOMPARE(pictures, QSet<QString>(covers.begin(), covers.end()));
    }
}

void TestMemoryGame::coverOrder()
{
    // Movies first in the store, then media, then boxes: gathered as boxes, media, movies all the same.
    const QStringList movies = AddCovered("movie", 2);
    const QStringList media = AddCovered("media", 2);
    const QStringList boxes = AddCovered("box", 2);
    AddMovie("Bare", "!0", "DVD");
    LoadCollections(m_dbDir);
    QCOMPARE(MemoryGame::FrontCoverPaths(), boxes + media + movies);
}

void TestMemoryGame::seededDeals()
{
    const QStringList covers = AddCovered("movie", 30);
    LoadCollections(m_dbDir);
    const auto deal = [](MemoryGame& game) {
        QStringList cards;
        for (int i = 0; i < MemoryGame::kCards; ++i) {
            cards << game.Card(i).strPicture;
        }
        return cards;
    };
    MemoryGame first(42);
    MemoryGame second(42);
    QVERIFY(first.ResetAll());
    QVERIFY(second.ResetAll());
    QCOMPARE(deal(first), deal(second));
    // Over many games every cover is drawn some time and lands on every slot some time: no picture and no slot is
    // left out by the draws.
    QSet<QString> drawn;
    QSet<int> slotsOfFirstCover;
    MemoryGame many(3);
    for (int g = 0; g < 400; ++g) {
        QVERIFY(many.ResetAll());
        for (int i = 0; i < MemoryGame::kCards; ++i) {
            drawn.insert(many.Card(i).strPicture);
            if (many.Card(i).strPicture == covers.first()) {
                slotsOfFirstCover.insert(i);
            }
        }
    }
    QCOMPARE(drawn.size(), covers.size());
    QCOMPARE(slotsOfFirstCover.size(), MemoryGame::kCards);
}

void TestMemoryGame::fullGame()
{
    AddCovered("box", 5);
    AddCovered("media", 5);
    AddCovered("movie", 12);
    LoadCollections(m_dbDir);

    MemoryGame game(2024);
    int tries = 0;
    for (int round = 0; round < 2; ++round) {
        // The second round is "play again": a new deal in the same window, the turns counted on.
        QVERIFY(game.ResetAll());
        QVERIFY(!game.GameOver());
        QCOMPARE(game.Tries(), tries);

        QHash<QString, QList<int>> pairs;
        for (int i = 0; i < MemoryGame::kCards; ++i) {
            pairs[game.Card(i).strPicture] << i;
        }
        QCOMPARE(pairs.size(), MemoryGame::kPictures);
        const QStringList order = pairs.keys();
        for (int p = 0; p < order.size(); ++p) {
            const QList<int> cards = pairs.value(order.at(p));
            // Every other pair is found only after a miss with a card of the next picture.
            if (p % 2 == 0 && p + 1 < order.size()) {
                const int other = pairs.value(order.at(p + 1)).first();
                QCOMPARE(game.TurnCard(cards.at(0)), MemoryGame::Turn::First);
                QCOMPARE(game.TurnCard(other), MemoryGame::Turn::Second);
                const MemoryGame::TurnEnd miss = game.EndTurn();
                QVERIFY(miss.blnEnded);
                QVERIFY(!miss.blnMatched);
                ++tries;
                QVERIFY(game.Visible(cards.at(0)));
                QVERIFY(game.Visible(other));
                QVERIFY(game.Clickable(cards.at(0)));
            }
            QCOMPARE(game.TurnCard(cards.at(1)), MemoryGame::Turn::First);
            QCOMPARE(game.Selected(0), cards.at(1));
            QCOMPARE(game.TurnCard(cards.at(0)), MemoryGame::Turn::Second);
            QCOMPARE(game.Selected(1), cards.at(0));
            const MemoryGame::TurnEnd hit = game.EndTurn();
            ++tries;
            QVERIFY(hit.blnMatched);
            QCOMPARE(hit.blnGameOver, p + 1 == order.size());
            QCOMPARE(game.Tries(), tries);
            QCOMPARE(game.Selected(0), -1);
            QCOMPARE(game.Selected(1), -1);
            if (!hit.blnGameOver) {
                QVERIFY(!game.Visible(cards.at(0)));
                QVERIFY(!game.Visible(cards.at(1)));
                QCOMPARE(game.TurnCard(cards.at(0)), MemoryGame::Turn::Ignored);
            }
        }
        // Over: the whole board lies face up and takes no click.
        QVERIFY(game.GameOver());
        for (int i = 0; i < MemoryGame::kCards; ++i) {
            QVERIFY(game.Card(i).blFound);
            QVERIFY(game.Visible(i));
            QVERIFY(!game.Clickable(i));
        }
        QCOMPARE(game.TurnCard(0), MemoryGame::Turn::Ignored);
    }
    QCOMPARE(game.Tries(), 2 * (20 + 10));
    // A new window starts counting at 0.
    QCOMPARE(MemoryGame(2024).Tries(), 0);
}

void TestMemoryGame::clicksThatDoNothing()
{
    AddCovered("movie", 20);
    LoadCollections(m_dbDir);
    MemoryGame game(5);
    QVERIFY(game.ResetAll());

    // No turn to end yet: nothing is counted.
    QVERIFY(!game.EndTurn().blnEnded);
    QCOMPARE(game.TurnCard(-1), MemoryGame::Turn::Ignored);
    QCOMPARE(game.TurnCard(MemoryGame::kCards), MemoryGame::Turn::Ignored);
    QCOMPARE(game.TurnCard(3), MemoryGame::Turn::First);
    // The turned card again, then a third card while two are up.
    QCOMPARE(game.TurnCard(3), MemoryGame::Turn::Ignored);
    QVERIFY(!game.EndTurn().blnEnded);
    QCOMPARE(game.TurnCard(17), MemoryGame::Turn::Second);
    QCOMPARE(game.TurnCard(25), MemoryGame::Turn::Ignored);
    QCOMPARE(game.Selected(0), 3);
    QCOMPARE(game.Selected(1), 17);
    QVERIFY(game.EndTurn().blnEnded);
    QCOMPARE(game.Tries(), 1);
    // Dealt afresh, the count runs on.
    QVERIFY(game.ResetAll());
    QCOMPARE(game.Tries(), 1);
    QCOMPARE(game.Selected(0), -1);
}

QTEST_GUILESS_MAIN(TestMemoryGame)
#include "tst_memorygame.moc"
