#pragma once

#include "UEFCollection.h"
#include "UEFParser.h"

#include <QByteArray>

#include <QObject>
#include <QString>

#include <memory>

// An exchange document: the top-level items and nothing else. Reading strUEF writes them as exchange text; writing
// strUEF parses a text and appends the items it accepts.
class UEF : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString strUEF READ strUEF WRITE setStrUEF)

public:
    explicit UEF(QObject* parent = nullptr);

    QString strUEF() const;
    // Appends; call Clear first to replace the content.
    void setStrUEF(const QString& text);
    // setStrUEF, adding to leftOut what the parser left out.
    void AppendText(QStringView text, UEFParser::LeftOut& leftOut, const UEFParser::ParseControl& control = {});
    // The same for a file's bytes: the items of the text AnsiText decodes them to, their covers kept as bytes.
    void AppendBytes(const QByteArray& bytes, UEFParser::LeftOut& leftOut, const UEFParser::ParseControl& control = {});

    // The document's own collection, the same object on every read.
    std::shared_ptr<UEFCollection> colUEF() const { return m_colUEF; }

    // A new, empty colUEF; whoever still holds the old one keeps it as it was.
    Q_INVOKABLE void Clear();

private:
    std::shared_ptr<UEFCollection> m_colUEF;
};
