#pragma once

#include <QByteArray>
#include <QString>

// One cover image of an exchange item. It is held as the text its property shows (one character per byte) or, when
// it was read straight from a file's bytes, as those bytes, turned into text only when the text is asked for; either
// way Bytes() is that text as AnsiText encodes it, so a cover read from a file reaches the store without a trip
// through text. The first read of the text of a cover held as bytes fills it in: not for two threads at once.
class UEFCover
{
public:
    const QString& Text() const;
    void SetText(const QString& text);

    QByteArray Bytes() const;
    void SetBytes(QByteArray bytes);

    bool IsEmpty() const { return m_fromBytes ? m_bytes.isEmpty() : m_text.isEmpty(); }

private:
    mutable QString m_text;
    QByteArray m_bytes;
    bool m_fromBytes = false;
    mutable bool m_decoded = false;
};
