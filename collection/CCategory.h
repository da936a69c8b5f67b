#pragma once

#include "CItem.h"

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

private:
    QString m_strName;
};
