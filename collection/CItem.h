#pragma once

#include <QObject>
#include <QString>

// What every item is, whatever its kind: the kinds themselves and the base class of the five item classes.

class ItemOrder;

// The five kinds of item the store holds.
enum class ItemKind
{
    Category,
    Group,
    Box,
    Media,
    Movie
};

// What every item record has: an id fixed once, the key built from it, a sort key and the folder of the item in the
// store. The kinds add their own fields.
class CItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int lngID READ lngID WRITE setLngID)
    Q_PROPERTY(QString strSortKey READ strSortKey WRITE setStrSortKey)
    Q_PROPERTY(QString strKey READ strKey)
    Q_PROPERTY(QString Path READ Path WRITE setPath)

public:
    ~CItem() override;

    virtual ItemKind Kind() const = 0;
    // The key letter of the kind: "C", "S", "B", "E" or "M".
    static QChar KeyLetter(ItemKind kind);
    // The name the item is known by: strTitle for movies, strName for the other kinds.
    virtual QString DisplayName() const = 0;
    virtual void setDisplayName(const QString& value) = 0;

    int lngID() const { return m_lngID; }
    // Acts once per object: the first call fixes the id and the key, later calls change nothing.
    void setLngID(int value);
    bool blFirstID() const { return m_blFirstID; }

    QString strSortKey() const { return m_strSortKey; }
    const QString& strSortKeyRef() const { return m_strSortKey; }
    // The collection that holds the item is told, so it can keep placing new items by the current keys.
    void setStrSortKey(const QString& value);

    QString strKey() const { return m_strKey; }

    QString Path() const { return m_Path; }
    virtual void setPath(const QString& value);

protected:
    CItem(int initialId, QObject* parent);

private:
    friend class ItemOrder;

    int m_lngID;
    QString m_strSortKey;
    QString m_strKey;
    bool m_blFirstID = true;
    QString m_Path;
    ItemOrder* m_order = nullptr; // the order of the collection holding the item, if any
    int m_orderNode = -1;
};
