#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// The box-set and media workshops without their windows: the title lines typed, the division of a box set's titles
// over its discs or tapes (read here for the workshop's OK and for the plan of what is made), the division the "..."
// button proposes, and what OK hands the add commands.
namespace Workshops {

// Counts are whole numbers from 0 to this: a disc count or a division part beyond it is refused, so a careless
// answer never makes the program build that many counts.
inline constexpr int kMaxCount = 999;

// The messages, exactly as the dialogs show them.
QString NoLinesMessage(); // title "Error"
QString NoDiscsMessage(); // title "Error"
QString IllegalMessage(); // the program's title
QString SumMessage();     // the program's title
QString DiscCountQuestion();
QString ErrorTitle();

// The lines of the list box's text, split at every CR LF, that are not empty once their spaces are removed; kept as
// typed, in order.
QStringList ItemLines(const QString& text);

// A number as typed: an optional sign, decimal digits with an optional fraction, surrounding spaces. None when the
// text is no such number.
std::optional<double> ReadNumber(const QString& text);
// A count: a number that is whole and from 0 to kMaxCount. None for anything else (negative, fractional, too large,
// no number).
std::optional<int> ReadCount(const QString& text);

// A division as typed: counts separated by ";". It may end with ";": an empty last part counts nothing and is no
// part.
struct Division
{
    QStringList parts; // each part as typed, spaces kept
    QVector<int> counts;

    qint64 Sum() const;
};
// Reads a division: at most kMaxCount parts, each a count (ReadCount). None for anything else. A text of spaces alone
// has no part.
std::optional<Division> ReadDivision(const QString& text);

enum class Refusal
{
    None,
    NoLines,  // NoLinesMessage()
    NoDiscs,  // NoDiscsMessage()
    Illegal,  // IllegalMessage()
    Sum,      // SumMessage()
    CodePage, // the text names characters the store cannot hold
};

// The message of a refusal, and its title.
QString RefusalText(Refusal refusal);
QString RefusalTitle(Refusal refusal);

// The "..." button: the division proposed for n titles on the number of discs answered, each count followed by ";",
// adding up to n. A refusal when the answer is no whole number from 2 to kMaxCount.
struct Proposal
{
    Refusal refusal = Refusal::None;
    QString division;
};
Proposal SuggestDivision(int n, const QString& answer);

// The check of a ticked division for n titles: every part a count, only the last part may be empty (a division may
// end with ";"), at most kMaxCount parts, adding up to n. The accepted division loses one final ";" and the spaces
// after it.
struct DivisionCheck
{
    Refusal refusal = Refusal::None;
    QString division;
};
DivisionCheck CheckDivision(const QString& text, int n);

// OK of the box-set workshop: the title lines followed by the division ("1" when the box is not ticked), or the
// refusal, and the division text as the box then shows it.
struct BoxResult
{
    Refusal refusal = Refusal::None;
    QString message; // the refusal's text
    QStringList list;
    QString divisionText;
};
BoxResult BuildResult(const QString& listText, bool severalDiscs, const QString& divisionText);

// OK of the media workshop: the title lines, or the refusal.
struct MediaResult
{
    Refusal refusal = Refusal::None;
    QString message;
    QStringList list;
};
MediaResult ParseList(const QString& listText);

} // namespace Workshops
