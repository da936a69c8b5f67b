#include "UEFMovie.h"

namespace {

// Line ends at the end of a note add nothing on a page and would pile up on every round trip.
QString WithoutTrailingLineEnds(const QString& value)
{
    // One pass back over them, however many there are.
    qsizetype end = value.size();
    while (end >= 2 && value[end - 2] == u'\r' && value[end - 1] == u'\n') {
        end -= 2;
    }
    return end == value.size() ? value : value.left(end);
}

} // namespace

UEFMovie::UEFMovie(QObject* parent) : UEFCoveredItem(parent) {}

void UEFMovie::setStrYear(const QString& value)
{
    m_strYear = value.left(4);
}

void UEFMovie::setStrNotes(const QString& value)
{
    m_strNotes = WithoutTrailingLineEnds(value);
}

void UEFMovie::setStrSynopsis(const QString& value)
{
    m_strSynopsis = WithoutTrailingLineEnds(value);
}
