#include "CMovie.h"

namespace {

QString WithoutTrailingLineEnds(QString value)
{
    while (value.endsWith(u"\r\n")) {
        value.chop(2);
    }
    return value;
}

} // namespace

CMovie::CMovie(QObject* parent) : CCoveredItem(0, true, parent) {}

void CMovie::setStrYear(const QString& value)
{
    m_strYear = value.left(4);
}

void CMovie::setStrNotes(const QString& value)
{
    m_strNotes = WithoutTrailingLineEnds(value);
}

void CMovie::setStrSynopsis(const QString& value)
{
    m_strSynopsis = WithoutTrailingLineEnds(value);
}
