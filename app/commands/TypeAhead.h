#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// The main window's typed-character buffer: every character the user types while the window is active, of which
// the last few are compared with the hidden word that opens the pairs game. A pause of kClearMs after a key empties
// the buffer, so the word counts only when typed without a long break.
class TypeAhead
{
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;

    static constexpr int kClearMs = 5000;
    // The hidden word, in upper case; typing it in any case opens the game.
    static QString HiddenWord();

    // Without a clock, a monotonic clock of the system.
    explicit TypeAhead(Clock clock = {});

    // Appends the typed characters (control characters such as Backspace and Enter are characters too: they are
    // kept, not obeyed). True when the buffer then ends with the hidden word, which empties it.
    bool HandleTypedKey(QStringView text);
    // Empties the buffer, as the clear timer does.
    void Clear();

    // No more than the hidden word's length: older characters can never be part of a match.
    QString Buffer() const { return m_strCommand; }

private:
    Clock m_clock;
    QString m_strCommand;
    qint64 m_lastKey = 0;
};
