#pragma once

#include "UEFCollection.h"
#include "UEFCoveredItem.h"
#include "UEFFields.h"

#include <QObject>
#include <QString>

#include <array>

#include <memory>

// One disc or tape: its text fields, its media description and the movies on it.
// Every text property is readable and writable by name as well (the viewer sets covers that way).
class UEFMedia : public UEFCoveredItem
{
    Q_OBJECT
    Q_PROPERTY(QString strMedia READ strMedia WRITE setStrMedia)
    Q_PROPERTY(QString strDVDCase READ strDVDCase WRITE setStrDVDCase)
    Q_PROPERTY(QString strLDType READ strLDType WRITE setStrLDType)
    Q_PROPERTY(QString strDVDType READ strDVDType WRITE setStrDVDType)
    Q_PROPERTY(QString strDVDRegion READ strDVDRegion WRITE setStrDVDRegion)
    Q_PROPERTY(QString strExtras READ strExtras WRITE setStrExtras)
    Q_PROPERTY(QString strName READ strName WRITE setStrName)
    Q_PROPERTY(QString strUPC READ strUPC WRITE setStrUPC)
    Q_PROPERTY(QString strSortKey READ strSortKey WRITE setStrSortKey)

public:
    explicit UEFMedia(QObject* parent = nullptr);

    const QString& strMedia() const { return m_strMedia; }
    void setStrMedia(const QString& value) { m_strMedia = value; }
    const QString& strDVDCase() const { return m_strDVDCase; }
    void setStrDVDCase(const QString& value) { m_strDVDCase = value; }
    const QString& strLDType() const { return m_strLDType; }
    void setStrLDType(const QString& value) { m_strLDType = value; }
    const QString& strDVDType() const { return m_strDVDType; }
    void setStrDVDType(const QString& value) { m_strDVDType = value; }
    const QString& strDVDRegion() const { return m_strDVDRegion; }
    void setStrDVDRegion(const QString& value) { m_strDVDRegion = value; }
    const QString& strExtras() const { return m_strExtras; }
    void setStrExtras(const QString& value) { m_strExtras = value; }
    const QString& strName() const { return m_strName; }
    void setStrName(const QString& value) { m_strName = value; }
    const QString& strUPC() const { return m_strUPC; }
    void setStrUPC(const QString& value) { m_strUPC = value; }
    const QString& strSortKey() const { return m_strSortKey; }
    void setStrSortKey(const QString& value) { m_strSortKey = value; }
    // The item's own collection, the same object on every read; replacing it with null gives an empty one.
    std::shared_ptr<UEFCollection> colContents() const { return m_colContents; }
    void setColContents(std::shared_ptr<UEFCollection> contents);

private:
    QString m_strMedia;
    QString m_strDVDCase;
    QString m_strLDType;
    QString m_strDVDType;
    QString m_strDVDRegion;
    QString m_strExtras;
    QString m_strName;
    QString m_strUPC;
    QString m_strSortKey;
    std::shared_ptr<UEFCollection> m_colContents;
};

// The text fields of a medium with their tags, in the order the writer puts them.
inline constexpr std::array<UEFField<UEFMedia>, 15> kMediaFields = {{
    {"NAME", &UEFMedia::strName, &UEFMedia::setStrName},
    {"SORTINDEX", &UEFMedia::strSortKey, &UEFMedia::setStrSortKey},
    {"UPC", &UEFMedia::strUPC, &UEFMedia::setStrUPC},
    {"MEDIA", &UEFMedia::strMedia, &UEFMedia::setStrMedia},
    {"DVDTYPE", &UEFMedia::strDVDType, &UEFMedia::setStrDVDType},
    {"DVDREGION", &UEFMedia::strDVDRegion, &UEFMedia::setStrDVDRegion},
    {"DVDCASE", &UEFMedia::strDVDCase, &UEFMedia::setStrDVDCase},
    {"LDTYPE", &UEFMedia::strLDType, &UEFMedia::setStrLDType},
    {"EXTRAS", &UEFMedia::strExtras, &UEFMedia::setStrExtras},
    {"FRONTCOVER", &UEFMedia::strFrontCover, &UEFMedia::setStrFrontCover},
    {"FRONTCOVEREXT", &UEFMedia::strFrontCoverExt, &UEFMedia::setStrFrontCoverExt},
    {"FRONTCOVERURL", &UEFMedia::strFrontCoverURL, &UEFMedia::setStrFrontCoverURL},
    {"BACKCOVER", &UEFMedia::strBackCover, &UEFMedia::setStrBackCover},
    {"BACKCOVEREXT", &UEFMedia::strBackCoverExt, &UEFMedia::setStrBackCoverExt},
    {"BACKCOVERURL", &UEFMedia::strBackCoverURL, &UEFMedia::setStrBackCoverURL},
}};
