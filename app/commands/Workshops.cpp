#include "commands/Workshops.h"

#include "AnsiText.h"
#include "core/CodePage.h"

#include <cmath>

namespace Workshops {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The titles must reach the store as typed: characters it cannot hold are refused, naming them.
QString TitlesRefusal(const QStringList& lines)
{
    return CodePage::RefusalMessage({{QStringLiteral("Movies / episodes"), lines.join(kCrLf)}});
}

} // namespace

QString NoLinesMessage()
{
    return QStringLiteral("You haven't provided any movies/episodes yet!");
}

QString NoDiscsMessage()
{
    return QStringLiteral("You must enter a number greater than 1!");
}

QString IllegalMessage()
{
    return QStringLiteral("Illegal characters!");
}

QString SumMessage()
{
    return QStringLiteral("The number of movies/episodes provide don't match the sum of the divided ones.!");
}

QString DiscCountQuestion()
{
    return QStringLiteral("How many discs/tapes are in the box set?");
}

QString ErrorTitle()
{
    return QStringLiteral("Error");
}

QString RefusalText(Refusal refusal)
{
    switch (refusal) {
    case Refusal::NoLines:
        return NoLinesMessage();
    case Refusal::NoDiscs:
        return NoDiscsMessage();
    case Refusal::Illegal:
        return IllegalMessage();
    case Refusal::Sum:
        return SumMessage();
    case Refusal::None:
    case Refusal::CodePage:
        break;
    }
    return QString();
}

QString RefusalTitle(Refusal refusal)
{
    return refusal == Refusal::NoLines || refusal == Refusal::NoDiscs ? ErrorTitle() : QStringLiteral("Vidsora");
}

QStringList ItemLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(kCrLf)) {
        if (!AnsiText::Trim(line).isEmpty()) {
            lines.append(line);
        }
    }
    return lines;
}

std::optional<double> ReadNumber(const QString& text)
{
    const QString trimmed = AnsiText::Trim(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed.at(i) == u'+' || trimmed.at(i) == u'-')) {
        negative = trimmed.at(i) == u'-';
        ++i;
    }
    double value = 0;
    int digits = 0;
    while (i < trimmed.size() && trimmed.at(i) >= u'0' && trimmed.at(i) <= u'9') {
        value = value * 10 + (trimmed.at(i).unicode() - u'0');
        ++digits;
        ++i;
    }
    if (i < trimmed.size() && trimmed.at(i) == u'.') {
        ++i;
        double scale = 0.1;
        while (i < trimmed.size() && trimmed.at(i) >= u'0' && trimmed.at(i) <= u'9') {
            value += scale * (trimmed.at(i).unicode() - u'0');
            scale /= 10;
            ++digits;
            ++i;
        }
    }
    if (digits == 0 || i != trimmed.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<int> ReadCount(const QString& text)
{
    const std::optional<double> number = ReadNumber(text);
    if (!number || *number != std::floor(*number) || *number < 0 || *number > kMaxCount) {
        return std::nullopt;
    }
    return int(*number);
}

qint64 Division::Sum() const
{
    qint64 sum = 0;
    for (const int count : counts) {
        sum += count;
    }
    return sum;
}

std::optional<Division> ReadDivision(const QString& text)
{
    Division division;
    division.parts = text.split(u';');
    if (AnsiText::Trim(division.parts.last()).isEmpty()) {
        division.parts.removeLast();
    }
    if (division.parts.size() > kMaxCount) {
        return std::nullopt;
    }
    division.counts.reserve(division.parts.size());
    for (const QString& part : division.parts) {
        const std::optional<int> count = ReadCount(part);
        if (!count) {
            return std::nullopt;
        }
        division.counts.append(*count);
    }
    return division;
}

Proposal SuggestDivision(int n, const QString& answer)
{
    Proposal proposal;
    if (n <= 0) {
        proposal.refusal = Refusal::NoLines;
        return proposal;
    }
    const std::optional<double> number = ReadNumber(answer);
    // A cancelled question gives an empty answer, which is no number.
    if (!number || *number < 2) {
        proposal.refusal = Refusal::NoDiscs;
        return proposal;
    }
    if (*number != std::floor(*number) || *number > kMaxCount) {
        proposal.refusal = Refusal::Illegal;
        return proposal;
    }
    const int d = int(*number);
    const auto count = [&proposal](int c) { proposal.division += QString::number(c) + u';'; };
    if (n >= d && n % d == 0) {
        for (int i = 0; i < d; ++i) {
            count(n / d);
        }
    } else if (n >= d) {
        for (int i = 0; i < d - 1; ++i) {
            count(n / (d - 1));
        }
        count(n % (d - 1));
    } else {
        for (int i = 0; i < d; ++i) {
            count(i < n ? 1 : 0);
        }
    }
    return proposal;
}

DivisionCheck CheckDivision(const QString& text, int n)
{
    DivisionCheck check;
    const std::optional<Division> division = ReadDivision(text);
    if (!division) {
        check.refusal = Refusal::Illegal;
        return check;
    }
    if (division->Sum() != n) {
        check.refusal = Refusal::Sum;
        return check;
    }
    check.division = text;
    const QString right = AnsiText::RTrim(text);
    if (right.endsWith(u';')) {
        check.division = right.left(right.size() - 1);
    }
    return check;
}

BoxResult BuildResult(const QString& listText, bool severalDiscs, const QString& divisionText)
{
    BoxResult result;
    result.divisionText = divisionText;
    const QStringList lines = ItemLines(listText);
    if (lines.isEmpty()) {
        result.refusal = Refusal::NoLines;
        result.message = NoLinesMessage();
        return result;
    }
    const QString codePage = TitlesRefusal(lines);
    if (!codePage.isEmpty()) {
        result.refusal = Refusal::CodePage;
        result.message = codePage;
        return result;
    }
    if (!severalDiscs) {
        result.list = lines;
        result.list.append(QStringLiteral("1"));
        return result;
    }
    const DivisionCheck check = CheckDivision(divisionText, int(lines.size()));
    if (check.refusal != Refusal::None) {
        result.refusal = check.refusal;
        result.message = RefusalText(check.refusal);
        return result;
    }
    result.divisionText = check.division;
    result.list = lines;
    result.list.append(check.division);
    return result;
}

MediaResult ParseList(const QString& listText)
{
    MediaResult result;
    const QStringList lines = ItemLines(listText);
    if (lines.isEmpty()) {
        result.refusal = Refusal::NoLines;
        result.message = NoLinesMessage();
        return result;
    }
    const QString codePage = TitlesRefusal(lines);
    if (!codePage.isEmpty()) {
        result.refusal = Refusal::CodePage;
        result.message = codePage;
        return result;
    }
    result.list = lines;
    return result;
}

} // namespace Workshops
