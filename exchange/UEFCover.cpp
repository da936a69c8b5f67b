#include "UEFCover.h"

#include "AnsiText.h"

#include <utility>

const QString& UEFCover::Text() const
{
    if (m_fromBytes && !m_decoded) {
        m_text = AnsiText::Decode(m_bytes);
        m_decoded = true;
    }
    return m_text;
}

void UEFCover::SetText(const QString& text)
{
    m_text = text;
    m_bytes = QByteArray();
    m_fromBytes = false;
    m_decoded = false;
}

QByteArray UEFCover::Bytes() const
{
    return m_fromBytes ? m_bytes : AnsiText::Encode(m_text);
}

void UEFCover::SetBytes(QByteArray bytes)
{
    m_bytes = std::move(bytes);
    m_text = QString();
    m_fromBytes = true;
    m_decoded = false;
}
