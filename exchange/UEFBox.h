#pragma once

#include "UEFCollection.h"
#include "UEFCoveredItem.h"
#include "UEFFields.h"

#include <QObject>
#include <QString>

#include <array>

#include <memory>

// One box set: its own text fields and the media and movies it holds.
// Every text property is readable and writable by name as well (the viewer sets covers that way).
class UEFBox : public UEFCoveredItem
{
    Q_OBJECT
    Q_PROPERTY(QString strExtras READ strExtras WRITE setStrExtras)
    Q_PROPERTY(QString strName READ strName WRITE setStrName)
    Q_PROPERTY(QString strUPC READ strUPC WRITE setStrUPC)
    Q_PROPERTY(QString strSortKey READ strSortKey WRITE setStrSortKey)

public:
    explicit UEFBox(QObject* parent = nullptr);

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
    QString m_strExtras;
    QString m_strName;
    QString m_strUPC;
    QString m_strSortKey;
    std::shared_ptr<UEFCollection> m_colContents;
};

// The text fields of a box with their tags, in the order the writer puts them.
inline constexpr std::array<UEFField<UEFBox>, 10> kBoxFields = {{
    {"NAME", &UEFBox::strName, &UEFBox::setStrName},
    {"SORTINDEX", &UEFBox::strSortKey, &UEFBox::setStrSortKey},
    {"UPC", &UEFBox::strUPC, &UEFBox::setStrUPC},
    {"EXTRAS", &UEFBox::strExtras, &UEFBox::setStrExtras},
    {"FRONTCOVER", &UEFBox::strFrontCover, &UEFBox::setStrFrontCover},
    {"FRONTCOVEREXT", &UEFBox::strFrontCoverExt, &UEFBox::setStrFrontCoverExt},
    {"FRONTCOVERURL", &UEFBox::strFrontCoverURL, &UEFBox::setStrFrontCoverURL},
    {"BACKCOVER", &UEFBox::strBackCover, &UEFBox::setStrBackCover},
    {"BACKCOVEREXT", &UEFBox::strBackCoverExt, &UEFBox::setStrBackCoverExt},
    {"BACKCOVERURL", &UEFBox::strBackCoverURL, &UEFBox::setStrBackCoverURL},
}};
