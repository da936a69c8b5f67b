#include "UEFCover.h"

#include "AnsiText.h"
#include "UEFParser.h"

const QString& UEFCover::Text() const
{
    if (m_inFile && !m_decoded) {
        m_text = AnsiText::Decode(Bytes());
        m_decoded = true;
    }
    return m_text;
}

void UEFCover::SetText(const QString& text)
{
    m_text = text;
    m_file = QByteArray();
    m_from = 0;
    m_size = 0;
    m_inFile = false;
    m_decoded = false;
}

QByteArray UEFCover::Bytes() const
{
    return m_inFile ? UEFParser::UnescapeBytes(QByteArrayView(m_file).sliced(m_from, m_size))
                    : AnsiText::Encode(m_text);
}

void UEFCover::SetEscaped(const QByteArray& file, qsizetype from, qsizetype size)
{
    m_file = file;
    m_from = from;
    m_size = size;
    m_text = QString();
    m_inFile = true;
    m_decoded = false;
}
