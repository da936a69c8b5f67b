#include "UEF.h"

#include "ExchangeLog.h"
#include "UEFParser.h"
#include "UEFWriter.h"

UEF::UEF(QObject* parent) : QObject(parent), m_colUEF(std::make_shared<UEFCollection>()) {}

QString UEF::strUEF() const
{
    try {
        return UEFWriter::SerializeCollection(*m_colUEF);
    } catch (...) {
        // A document that cannot be written reads as no text; nothing escapes to the caller.
        qCWarning(lcExchange) << "an exchange document could not be written";
        return QString();
    }
}

void UEF::setStrUEF(const QString& text)
{
    // Hold the collection for the whole parse, whatever the caller does with the document meanwhile.
    const std::shared_ptr<UEFCollection> items = m_colUEF;
    try {
        UEFParser::ParseItems(text, *items, nullptr);
    } catch (...) {
        // Bad text only yields fewer items; what was appended before the failure stays.
        qCWarning(lcExchange) << "exchange text could not be read whole; kept" << items->Count() << "items";
    }
}

void UEF::setColUEF(std::shared_ptr<UEFCollection> items)
{
    m_colUEF = items ? std::move(items) : std::make_shared<UEFCollection>();
}

void UEF::Clear()
{
    m_colUEF = std::make_shared<UEFCollection>();
}
