#pragma once

#include "CCoveredItem.h"
#include "ItemFields.h"

#include <array>

// A box set.
class CBox : public CCoveredItem
{
    Q_OBJECT
    Q_PROPERTY(QString strExtras READ strExtras WRITE setStrExtras)
    Q_PROPERTY(QString strName READ strName WRITE setStrName)
    Q_PROPERTY(QString strUPC READ strUPC WRITE setStrUPC)
    Q_PROPERTY(int lngParentID READ lngParentID WRITE setLngParentID)
    Q_PROPERTY(int lngParentType READ lngParentType WRITE setLngParentType)

public:
    explicit CBox(QObject* parent = nullptr);

    static constexpr ItemKind kKind = ItemKind::Box;
    ItemKind Kind() const override { return kKind; }
    QString DisplayName() const override { return m_strName; }
    void setDisplayName(const QString& value) override { m_strName = value; }

    QString strExtras() const { return m_strExtras; }
    void setStrExtras(const QString& value) { m_strExtras = value; }
    QString strName() const { return m_strName; }
    void setStrName(const QString& value) { m_strName = value; }
    QString strUPC() const { return m_strUPC; }
    void setStrUPC(const QString& value) { m_strUPC = value; }
    int lngParentID() const { return m_lngParentID; }
    void setLngParentID(int value) { m_lngParentID = value; }
    int lngParentType() const { return m_lngParentType; }
    void setLngParentType(int value) { m_lngParentType = value; }

    // The box's fields, in the order its record writes them.
    static constexpr std::span<const ItemField<CBox>> Fields();

private:
    QString m_strName;
    QString m_strUPC;
    QString m_strExtras;
    int m_lngParentID = 0;
    int m_lngParentType = 0;
};

namespace ItemFieldTables {
inline constexpr auto kBox = [] {
    using F = FieldMaker<CBox>;
    return std::array{
        F::Number<&CItem::lngID, &CItem::setLngID>("ID"),
        F::Line<&CBox::strName, &CBox::setStrName>("NAME", "NAME"),
        F::Line<&CItem::strSortKey, &CItem::setStrSortKey>("SORTKEY", "SORTINDEX"),
        F::Lines<&CBox::strExtras, &CBox::setStrExtras>("EXTRAS", "EXTRAS"),
        F::Line<&CBox::strUPC, &CBox::setStrUPC>("UPC", "UPC"),
        F::Number<&CBox::lngParentType, &CBox::setLngParentType>("PARENTTYPE"),
        F::Number<&CBox::lngParentID, &CBox::setLngParentID>("PARENTID"),
    };
}();
} // namespace ItemFieldTables

constexpr std::span<const ItemField<CBox>> CBox::Fields()
{
    return ItemFieldTables::kBox;
}
