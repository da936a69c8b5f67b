#pragma once

#include <QObject>
#include <QString>

enum class ItemKind;

// Tells, before anything is loaded, how many entries each kind folder of the store holds: exactly the entries a
// collection's LoadData steps the progress bar for, so the five counts add up to the steps of a full load.
class CVidsora : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int CategoryCount READ CategoryCount)
    Q_PROPERTY(int SubCategoryCount READ SubCategoryCount)
    Q_PROPERTY(int BoxCount READ BoxCount)
    Q_PROPERTY(int MediaCount READ MediaCount)
    Q_PROPERTY(int MovieCount READ MovieCount)
    Q_PROPERTY(QString DBDir READ DBDir WRITE setDBDir)

public:
    // DBDir starts as the folder of this library's file followed by "/Database".
    explicit CVidsora(QObject* parent = nullptr);

    // Each count is taken afresh; 0 when the folder is missing.
    int CategoryCount() const;
    int SubCategoryCount() const;
    int BoxCount() const;
    int MediaCount() const;
    int MovieCount() const;

    QString DBDir() const { return m_DBDir; }
    // Neither creates nor tests the folder.
    void setDBDir(const QString& value) { m_DBDir = value; }

private:
    int Count(ItemKind kind) const;

    QString m_DBDir;
};
