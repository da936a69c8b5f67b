#pragma once

#include "CItem.h"
#include "ItemFields.h"

#include <array>

// A sub-category; its parent is the root or a category.
class CGroup : public CItem
{
    Q_OBJECT
    Q_PROPERTY(QString strName READ strName WRITE setStrName)
    Q_PROPERTY(int lngParentID READ lngParentID WRITE setLngParentID)
    Q_PROPERTY(int lngParentType READ lngParentType WRITE setLngParentType)

public:
    explicit CGroup(QObject* parent = nullptr);

    static constexpr ItemKind kKind = ItemKind::Group;
    ItemKind Kind() const override { return kKind; }
    QString DisplayName() const override { return m_strName; }
    void setDisplayName(const QString& value) override { m_strName = value; }

    QString strName() const { return m_strName; }
    void setStrName(const QString& value) { m_strName = value; }
    int lngParentID() const { return m_lngParentID; }
    void setLngParentID(int value) { m_lngParentID = value; }
    int lngParentType() const { return m_lngParentType; }
    void setLngParentType(int value) { m_lngParentType = value; }

    // The group's fields, in the order its record writes them.
    static constexpr std::span<const ItemField<CGroup>> Fields();

private:
    QString m_strName;
    int m_lngParentID = 0;
    int m_lngParentType = 0;
};

namespace ItemFieldTables {
inline constexpr auto kGroup = [] {
    using F = FieldMaker<CGroup>;
    return std::array{
        F::Number<&CItem::lngID, &CItem::setLngID>("ID"),
        F::Line<&CGroup::strName, &CGroup::setStrName>("NAME"),
        F::Line<&CItem::strSortKey, &CItem::setStrSortKey>("SORTKEY"),
        F::Number<&CGroup::lngParentType, &CGroup::setLngParentType>("PARENTTYPE"),
        F::Number<&CGroup::lngParentID, &CGroup::setLngParentID>("PARENTID"),
    };
}();
} // namespace ItemFieldTables

constexpr std::span<const ItemField<CGroup>> CGroup::Fields()
{
    return ItemFieldTables::kGroup;
}
