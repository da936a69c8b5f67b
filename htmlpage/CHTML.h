#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringView>

#include <memory>

class UEF;
class UEFBox;
class UEFCollection;
class UEFMedia;
class UEFMovie;

// Renders an exchange document as one HTML fragment: every box set, medium and movie as a framed table with its
// covers and fields, movies with foldable sections, and the contents of a box or medium nested inside it.
// Every text taken from an item is shown as text, never read as markup.
class CHTML : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString HTML READ HTML)

public:
    explicit CHTML(QObject* parent = nullptr);

    // The document to render; replaces the previous one. The document is not copied: HTML reads its current items.
    void setUEF(std::shared_ptr<::UEF> document);
    // The fragment, or the empty string when no document was given.
    QString HTML() const;

    // The whole item page around a fragment: head, style block and body, with no line break of its own. The main
    // program's item view and the viewer both write their pages through it.
    static QString WrapPage(const QString& strFragment);
    // The same page as 8-bit text, the way page files hold it (AnsiText::Encode(WrapPage(f)), without the copy).
    static QByteArray WrapPageAnsi(QStringView strFragment);

private:
    QString GetCode(const UEFCollection& colIn, bool blSub, bool blMedia, int depth) const;
    QString ShowMovie(const UEFMovie& objMovie, bool blSub, bool blMedia) const;
    QString ShowMedia(const UEFMedia& objMedia, bool blSub, int depth) const;
    QString ShowBox(const UEFBox& objBox, int depth) const;
    static QString BulletList(const QString& strIn, const QString& strComment);
    static QString MediaExtras(const UEFCollection& colData, const QString& strMediaName);
    static QString BoxExtras(const UEFCollection& colData);

    std::shared_ptr<::UEF> m_UEF;
};
