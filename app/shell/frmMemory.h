#pragma once

#include "commands/MemoryGame.h"

#include <QDialog>
#include <QHash>
#include <QPixmap>
#include <QRect>

#include <array>
#include <optional>

class QLabel;
class QTimer;

// The pairs game: 40 face-down cards in 5 rows of 8, two large previews of the cards turned in this turn, and the
// count of turns. The hidden word typed in the main window opens it.
class frmMemory : public QDialog
{
    Q_OBJECT

public:
    // A seed makes the deals repeatable (tests); without one every game is dealt afresh.
    explicit frmMemory(QWidget* parent = nullptr, std::optional<quint32> seed = std::nullopt);
    ~frmMemory() override;

    // Deals a new game on a face-down board; false, leaving the board empty, when fewer than 20 boxes, media and
    // movies have a front cover. The count of turns runs on.
    bool ResetAll();
    // Opens a game over parent and waits until it is closed; nothing, and false, when no game can be dealt.
    static bool Play(QWidget* parent);

    // The card back the program draws: 121 x 153 pixels.
    static QPixmap CardBack();
    // A card's place on the board, in twips.
    static QRect CardRect(int index);

    const MemoryGame& Game() const { return m_game; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc does not end the game: the window has no cancel button, only its close box and "No" at the end close it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void imgImage_Click(int index);
    void tmReset_Timer();
    void EndTurn();
    // Lays the face of card index over it as turned card k and shows it in preview k.
    void ShowTurned(int k, int index);
    void ShowBoard();
    // The face picture of a card; the card back when the file is missing or no picture.
    QPixmap Face(const QString& path);
    QRect Pixels(const QRect& twips) const;

    MemoryGame m_game;
    QPixmap m_back;
    QHash<QString, QPixmap> m_faces;
    std::array<QLabel*, MemoryGame::kCards> imgImage{};
    std::array<QLabel*, 2> imgShow{};
    std::array<QLabel*, 2> imgPreview{};
    QLabel* imgNone = nullptr;
    QLabel* lblTries = nullptr;
    QTimer* tmReset = nullptr;
};
