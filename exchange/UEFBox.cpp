#include "UEFBox.h"

UEFBox::UEFBox(QObject* parent) : UEFCoveredItem(parent), m_colContents(std::make_shared<UEFCollection>()) {}

void UEFBox::setColContents(std::shared_ptr<UEFCollection> contents)
{
    m_colContents = contents ? std::move(contents) : std::make_shared<UEFCollection>();
}
