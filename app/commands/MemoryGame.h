#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The pairs game's cards and rules, apart from its window.

// One card of the pairs game.
struct mTypCard
{
    QString strPicture; // full path of the card's face picture; empty while the slot is free
    bool blFound = false;
};

// The pairs game without its window: 40 cards carry 20 front-cover pictures of the collection, each twice; a turn
// shows two cards, a pair leaves the board, and the turns are counted across every game of one window.
class MemoryGame
{
public:
    static constexpr int kCards = 40;
    static constexpr int kPictures = 20;
    // How long the two cards of a turn stay face up.
    static constexpr int kTurnEndMs = 2000;

    // A seed makes every deal of this game repeatable; without one each deal is seeded afresh by the system.
    explicit MemoryGame(std::optional<quint32> seed = std::nullopt);

    // The front-cover paths of every box, medium and movie that names one, in that order and in collection order.
    // Whether the file exists plays no part.
    static QStringList FrontCoverPaths();

    // Clears the board and deals a new game of 20 pictures drawn from the collection; false, with an empty board,
    // when fewer than 20 items have a front cover. The count of turns runs on.
    bool ResetAll();
    // 20 pictures of 20 different items, each drawn with equal chance; element 0 "/" (the rest empty) when fewer
    // than 20 items have a front cover.
    QStringList CollectPictures();
    // Puts each of the 20 pictures on two of the 40 slots, every free slot equally likely.
    void DealCards(const QStringList& pictures);

    enum class Turn
    {
        Ignored, // the card cannot be turned now
        First,   // the first card of the turn is face up
        Second   // the second one is: the turn ends after kTurnEndMs
    };
    // The player clicks card index.
    Turn TurnCard(int index);

    struct TurnEnd
    {
        bool blnEnded = false;   // false when no second card was up
        bool blnMatched = false; // the two cards showed one picture (by path) and left the board
        bool blnGameOver = false;
    };
    // Counts the turn, takes a matched pair off the board and turns the cards face down again.
    TurnEnd EndTurn();

    const mTypCard& Card(int index) const { return m_Cards.at(size_t(index)); }
    // The card turned first (k = 0) or second (k = 1) in this turn; -1 for none.
    int Selected(int k) const { return m_lngSelected.at(size_t(k)); }
    // The card lies on the board: not yet found, or the game is over and the board shown face up.
    bool Visible(int index) const;
    bool Clickable(int index) const { return m_clickable.at(size_t(index)); }
    // Every pair found: the board shows all faces and takes no click.
    bool GameOver() const { return m_blnGameOver; }
    int Tries() const { return m_lngTries; }

private:
    std::array<mTypCard, kCards> m_Cards;
    std::array<bool, kCards> m_clickable{};
    std::array<int, 2> m_lngSelected{-1, -1};
    bool m_blnGameOver = false;
    int m_lngTries = 0;
    std::optional<quint32> m_seed;
    QRandomGenerator m_random;
};
