#include "commands/TypeAhead.h"

#include "AnsiText.h"

#include <chrono>

QString TypeAhead::HiddenWord()
{
    return QStringLiteral("QUIETHARBOR");
}

TypeAhead::TypeAhead(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [] {
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count());
        };
    }
}

bool TypeAhead::HandleTypedKey(QStringView text)
{
    if (text.isEmpty()) {
        return false;
    }
    const qint64 now = m_clock();
    // The clear timer may not have run yet (a busy window): a key after the pause starts afresh all the same.
    if (!m_strCommand.isEmpty() && now - m_lastKey >= kClearMs) {
        m_strCommand.clear();
    }
    m_lastKey = now;

    const QString word = HiddenWord();
    m_strCommand += text;
    if (m_strCommand.size() > word.size()) {
        m_strCommand.remove(0, m_strCommand.size() - word.size());
    }
    // Upper case per character keeps the length, so the last characters typed are the ones compared.
    if (AnsiText::UCase(m_strCommand) != word) {
        return false;
    }
    m_strCommand.clear();
    return true;
}

void TypeAhead::Clear()
{
    m_strCommand.clear();
}
