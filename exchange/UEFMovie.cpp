#include "UEFMovie.h"

namespace {

// Line ends at the end of a note add nothing on a page and would pile up on every round trip.
QString WithoutTrailingLineEnds(QString value)
{
    while (value.endsWith(QLatin1String("\r\n"))) {
        value.chop(2);
    }
    return value;
}

} // namespace

UEFMovie::UEFMovie(QObject* parent) : QObject(parent) {}

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
