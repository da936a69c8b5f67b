#include "UEFCollection.h"

std::shared_ptr<QObject> UEFCollection::Item(int index) const
{
    if (index < 1 || index > Count()) {
        return nullptr;
    }
    return m_entries[size_t(index - 1)];
}

void UEFCollection::Remove(int index)
{
    if (index < 1 || index > Count()) {
        return;
    }
    m_entries.erase(m_entries.begin() + (index - 1));
}
