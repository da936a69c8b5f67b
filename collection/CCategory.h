#pragma once

#include "CItem.h"
#include "ItemFields.h"

#include <array>

// A category: a name and a sort key at the top of the collection, without a parent of its own.
class CCategory : public CItem
{
    Q_OBJECT
    Q_PROPERTY(QString strName READ strName WRITE setStrName)

public:
    explicit CCategory(QObject* parent = nullptr);

    static constexpr ItemKind kKind = ItemKind::Category;
    ItemKind Kind() const override { return kKind; }
    QString DisplayName() const override { return m_strName; }
    void setDisplayName(const QString& value) override { m_strName = value; }

    QString strName() const { return m_strName; }
    void setStrName(const QString& value) { m_strName = value; }

    // The category's fields, in the order its record writes them.
    static constexpr std::span<const ItemField<CCategory>> Fields();

private:
    QString m_strName;
};

namespace ItemFieldTables {
inline constexpr auto kCategory = [] {
    using F = FieldMaker<CCategory>;
    return std::array{
        F::Number<&CItem::lngID, &CItem::setLngID>("ID"),
        F::Line<&CCategory::strName, &CCategory::setStrName>("NAME"),
        F::Line<&CItem::strSortKey, &CItem::setStrSortKey>("SORTKEY"),
    };
}();
} // namespace ItemFieldTables

constexpr std::span<const ItemField<CCategory>> CCategory::Fields()
{
    return ItemFieldTables::kCategory;
}
