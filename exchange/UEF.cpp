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

namespace {

template <class Parse> void ParseWhole(const std::shared_ptr<UEFCollection> items, Parse parse)
{
    try {
        parse(*items);
    } catch (...) {
        // Bad text only yields fewer items; what was appended before the failure stays.
        qCWarning(lcExchange) << "exchange text could not be read whole; kept" << items->Count() << "items";
    }
}

} // namespace

// Each holds the collection for the whole parse, whatever the caller does with the document meanwhile.
void UEF::setStrUEF(const QString& text)
{
    ParseWhole(m_colUEF, [&text](UEFCollection& items) { UEFParser::ParseItems(text, items, nullptr); });
}

void UEF::AppendText(QStringView text, UEFParser::LeftOut& leftOut, const UEFParser::ParseControl& control)
{
    ParseWhole(m_colUEF, [&](UEFCollection& items) { UEFParser::ParseDocument(text, items, leftOut, control); });
}

void UEF::AppendBytes(const QByteArray& bytes, UEFParser::LeftOut& leftOut, const UEFParser::ParseControl& control)
{
    ParseWhole(m_colUEF, [&](UEFCollection& items) { UEFParser::ParseDocument(bytes, items, leftOut, control); });
}

void UEF::Clear()
{
    m_colUEF = std::make_shared<UEFCollection>();
}
