#include "CItem.h"

#include "ItemOrder.h"

CItem::CItem(int initialId, QObject* parent) : QObject(parent), m_lngID(initialId) {}

CItem::~CItem() = default;

QChar CItem::KeyLetter(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Category:
        return u'C';
    case ItemKind::Group:
        return u'S';
    case ItemKind::Box:
        return u'B';
    case ItemKind::Media:
        return u'E';
    case ItemKind::Movie:
        return u'M';
    }
    return u'?';
}

void CItem::setLngID(int value)
{
    if (!m_blFirstID) {
        return;
    }
    m_lngID = value;
    m_strKey = KeyLetter(Kind()) + QString::number(value);
    m_blFirstID = false;
}

void CItem::setPath(const QString& value)
{
    m_Path = value;
}

void CItem::setStrSortKey(const QString& value)
{
    m_strSortKey = value;
    if (m_order) {
        m_order->KeyChanged(this);
    }
}
