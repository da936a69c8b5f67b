#pragma once

#include <QByteArray>
#include <QString>

// One cover image of an exchange item. It is held as the text its property shows (one character per byte) or, when
// it was read straight from a file, as where it stands in the file's bytes, still escaped: the file is shared, not
// copied, and the cover is unescaped only when it is asked for, as text or as bytes. Either way Bytes() is the text
// as AnsiText encodes it, so a cover read from a file reaches the store without a trip through text. The first read
// of the text of a cover held in a file fills it in: not for two threads at once.
class UEFCover
{
public:
    const QString& Text() const;
    void SetText(const QString& text);

    QByteArray Bytes() const;
    // The escaped value at [from, from + size) of file.
    void SetEscaped(const QByteArray& file, qsizetype from, qsizetype size);

    bool IsEmpty() const { return m_inFile ? m_size == 0 : m_text.isEmpty(); }
    // At least the size of Bytes(), found without unescaping: what the cover may take on disk.
    qsizetype SizeBound() const { return m_inFile ? m_size : m_text.size(); }

private:
    mutable QString m_text;
    QByteArray m_file;
    qsizetype m_from = 0;
    qsizetype m_size = 0;
    bool m_inFile = false;
    mutable bool m_decoded = false;
};
