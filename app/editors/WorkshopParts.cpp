#include "editors/WorkshopParts.h"

#include "editors/DialogParts.h"
#include "editors/EditorWidgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

WorkshopParts BuildWorkshopParts(QDialog* dialog, const char* name, const QString& title, const QString& labelText,
                                 const QString& toolTip)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(title);
    dialog->setModal(true);
    WorkshopParts parts;
    parts.Label1 = Named(new QLabel(labelText, dialog), "Label1");
    parts.txtList = Named(new QPlainTextEdit(dialog), "txtList");
    parts.txtList->setToolTip(toolTip);
    parts.txtList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    parts.txtList->setTabChangesFocus(true);
    parts.Label1->setBuddy(parts.txtList);
    return parts;
}

void LayOutWorkshop(QDialog* dialog, WorkshopParts& parts, QLayout* between, int rows)
{
    parts.cmdOk = NamedButton(dialog, "cmdOk", QStringLiteral("&Ok"));
    parts.cmdCancel = NamedButton(dialog, "cmdCancel", QStringLiteral("&Cancel"));
    QObject::connect(parts.cmdCancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(parts.cmdOk);
    buttons->addWidget(parts.cmdCancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(parts.Label1);
    layout->addWidget(parts.txtList, 1);
    if (between) {
        layout->addLayout(between);
    }
    layout->addLayout(buttons);
    dialog->resize(dialog->fontMetrics().averageCharWidth() * 60, dialog->fontMetrics().height() * rows);
}

QString TitleListText(const QPlainTextEdit* list)
{
    return list->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void ShowWorkshopRefusal(QWidget* parent, Workshops::Refusal refusal, const QString& message)
{
    if (refusal == Workshops::Refusal::CodePage) {
        ShowRefusal(parent, message);
        return;
    }
    QMessageBox box(QMessageBox::Warning, Workshops::RefusalTitle(refusal), message, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("msgWorkshop"));
    box.exec();
}
