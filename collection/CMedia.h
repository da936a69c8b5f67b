#pragma once

#include "CCoveredItem.h"
#include "ItemFields.h"
#include "mTypMediaInfo.h"

#include <array>

// One disc or tape.
class CMedia : public CCoveredItem
{
    Q_OBJECT
    Q_PROPERTY(QString strName READ strName WRITE setStrName)
    Q_PROPERTY(QString strUPC READ strUPC WRITE setStrUPC)
    Q_PROPERTY(mTypMediaInfo dMedia READ dMedia WRITE setDMedia)
    Q_PROPERTY(QString strExtras READ strExtras WRITE setStrExtras)
    Q_PROPERTY(int lngParentID READ lngParentID WRITE setLngParentID)
    Q_PROPERTY(int lngParentType READ lngParentType WRITE setLngParentType)

public:
    explicit CMedia(QObject* parent = nullptr);

    static constexpr ItemKind kKind = ItemKind::Media;
    ItemKind Kind() const override { return kKind; }
    QString DisplayName() const override { return m_strName; }
    void setDisplayName(const QString& value) override { m_strName = value; }

    QString strName() const { return m_strName; }
    void setStrName(const QString& value) { m_strName = value; }
    QString strUPC() const { return m_strUPC; }
    void setStrUPC(const QString& value) { m_strUPC = value; }
    mTypMediaInfo dMedia() const { return m_dMedia; }
    void setDMedia(const mTypMediaInfo& value) { m_dMedia = value; }
    QString strExtras() const { return m_strExtras; }
    void setStrExtras(const QString& value) { m_strExtras = value; }
    int lngParentID() const { return m_lngParentID; }
    void setLngParentID(int value) { m_lngParentID = value; }
    int lngParentType() const { return m_lngParentType; }
    void setLngParentType(int value) { m_lngParentType = value; }

    // The medium's fields, in the order its record writes them; a template gives its description and extras.
    static constexpr std::span<const ItemField<CMedia>> Fields();

private:
    QString m_strName;
    QString m_strUPC;
    mTypMediaInfo m_dMedia;
    QString m_strExtras;
    int m_lngParentID = 0;
    int m_lngParentType = 0;
};

namespace ItemFieldTables {
inline constexpr auto kMedia = [] {
    using F = FieldMaker<CMedia>;
    return std::array{
        F::Number<&CItem::lngID, &CItem::setLngID>("ID"),
        F::Line<&CMedia::strName, &CMedia::setStrName>("NAME", "NAME"),
        F::Line<&CItem::strSortKey, &CItem::setStrSortKey>("SORTKEY", "SORTINDEX"),
        F::Line<&CMedia::strUPC, &CMedia::setStrUPC>("UPC", "UPC"),
        F::Media<&mTypMediaInfo::strMedia>("MEDIA", "MEDIA", F::kCommon),
        F::Media<&mTypMediaInfo::strDVDRegion>("DVDREGION", "DVDREGION", F::kCommon),
        F::Media<&mTypMediaInfo::strDVDType>("DVDTYPE", "DVDTYPE", F::kCommon),
        F::Media<&mTypMediaInfo::strDVDCase>("DVDCASE", "DVDCASE", F::kCommon),
        F::Media<&mTypMediaInfo::strLDType>("LDTYPE", "LDTYPE", F::kCommon),
        F::Lines<&CMedia::strExtras, &CMedia::setStrExtras>("EXTRAS", "EXTRAS", F::kCommon),
        F::Number<&CMedia::lngParentType, &CMedia::setLngParentType>("PARENTTYPE"),
        F::Number<&CMedia::lngParentID, &CMedia::setLngParentID>("PARENTID"),
    };
}();
} // namespace ItemFieldTables

constexpr std::span<const ItemField<CMedia>> CMedia::Fields()
{
    return ItemFieldTables::kMedia;
}
