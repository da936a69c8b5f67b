#pragma once

#include "CItemList.h"

#include <QVariant>

#include <iterator>

// The typed face of CItemList: the collection of one item class. Item and iteration hand out the very objects the
// collection holds.
template <class T> class CItemCollection : public CItemList
{
public:
    CItemCollection() : CItemList(T::kKind) {}

    // The item with that key, or null.
    std::shared_ptr<T> Item(const QString& strKey) const { return std::static_pointer_cast<T>(ItemByKey(strKey)); }
    std::shared_ptr<T> Item(const char* strKey) const { return Item(QString::fromUtf8(strKey)); }
    // The item at that position (1 = first in order), or null.
    std::shared_ptr<T> Item(int position) const { return std::static_pointer_cast<T>(ItemAt(position)); }
    // A number addresses a position, anything else a key.
    std::shared_ptr<T> Item(const QVariant& strIndex) const
    {
        switch (strIndex.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float:
            return std::static_pointer_cast<T>(ItemAt(qsizetype(strIndex.toLongLong())));
        default:
            return Item(strIndex.toString());
        }
    }

    class const_iterator
    {
    public:
        using Base = std::vector<std::shared_ptr<CItem>>::const_iterator;
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::shared_ptr<T>;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::shared_ptr<T>;

        const_iterator() = default;
        explicit const_iterator(Base it) : m_it(it) {}
        std::shared_ptr<T> operator*() const { return std::static_pointer_cast<T>(*m_it); }
        const_iterator& operator++()
        {
            ++m_it;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++m_it;
            return old;
        }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;

    private:
        Base m_it;
    };

    // Walks the items in list order; the list must not change meanwhile (items() gives a copy that may).
    const_iterator begin() const { return const_iterator(Entries().begin()); }
    const_iterator end() const { return const_iterator(Entries().end()); }
    std::vector<std::shared_ptr<T>> items() const { return {begin(), end()}; }
};
