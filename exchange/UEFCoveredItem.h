#pragma once

#include "UEFCover.h"

#include <QObject>
#include <QString>

// What a box, a medium and a movie of an exchange file share: the two covers, each with its file extension and the
// address the page shows it from. The covers are readable and writable by name as well (the viewer sets the
// addresses that way).
class UEFCoveredItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString strFrontCover READ strFrontCover WRITE setStrFrontCover)
    Q_PROPERTY(QString strFrontCoverExt READ strFrontCoverExt WRITE setStrFrontCoverExt)
    Q_PROPERTY(QString strFrontCoverURL READ strFrontCoverURL WRITE setStrFrontCoverURL)
    Q_PROPERTY(QString strBackCover READ strBackCover WRITE setStrBackCover)
    Q_PROPERTY(QString strBackCoverExt READ strBackCoverExt WRITE setStrBackCoverExt)
    Q_PROPERTY(QString strBackCoverURL READ strBackCoverURL WRITE setStrBackCoverURL)

public:
    const QString& strFrontCover() const { return m_frontCover.Text(); }
    void setStrFrontCover(const QString& value) { m_frontCover.SetText(value); }
    const QString& strFrontCoverExt() const { return m_strFrontCoverExt; }
    void setStrFrontCoverExt(const QString& value) { m_strFrontCoverExt = value; }
    const QString& strFrontCoverURL() const { return m_strFrontCoverURL; }
    void setStrFrontCoverURL(const QString& value) { m_strFrontCoverURL = value; }
    const QString& strBackCover() const { return m_backCover.Text(); }
    void setStrBackCover(const QString& value) { m_backCover.SetText(value); }
    const QString& strBackCoverExt() const { return m_strBackCoverExt; }
    void setStrBackCoverExt(const QString& value) { m_strBackCoverExt = value; }
    const QString& strBackCoverURL() const { return m_strBackCoverURL; }
    void setStrBackCoverURL(const QString& value) { m_strBackCoverURL = value; }

    // The covers themselves: the import takes them from a file to the store as bytes (see UEFCover).
    const UEFCover& frontCover() const { return m_frontCover; }
    UEFCover& frontCover() { return m_frontCover; }
    const UEFCover& backCover() const { return m_backCover; }
    UEFCover& backCover() { return m_backCover; }

protected:
    explicit UEFCoveredItem(QObject* parent) : QObject(parent) {}

private:
    UEFCover m_frontCover;
    QString m_strFrontCoverExt;
    QString m_strFrontCoverURL;
    UEFCover m_backCover;
    QString m_strBackCoverExt;
    QString m_strBackCoverURL;
};
