#pragma once

#include "commands/Workshops.h"

#include <QString>

class QDialog;
class QLabel;
class QLayout;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// What the box-set and media workshop dialogs share: the title list under its label, OK and Cancel and where they
// lie, how the list is read and how a refusal is shown. What the workshops decide is in "commands/Workshops.h".

struct WorkshopParts
{
    QLabel* Label1 = nullptr;
    QPlainTextEdit* txtList = nullptr; // one title a line: Enter makes a new line, Tab moves on
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// Names the modal dialog, titles it and makes the title list under its label.
WorkshopParts BuildWorkshopParts(QDialog* dialog, const char* name, const QString& title, const QString& labelText,
                                 const QString& toolTip);
// Makes OK and Cancel after the dialog's other controls, so they come last in the Tab order (Enter makes new lines in
// the list, so neither is the default; Cancel rejects the dialog), and lays the dialog out: the label and the list on
// top, then what lies between (none when null), then the buttons on the right, sized for rows lines of text.
void LayOutWorkshop(QDialog* dialog, WorkshopParts& parts, QLayout* between, int rows);
// The list's text as the workshops read it: its lines joined by CR LF.
QString TitleListText(const QPlainTextEdit* list);
// Shows why a workshop refused: text the store cannot hold as the editors show it, any other refusal under its own
// title in the workshop's message box.
void ShowWorkshopRefusal(QWidget* parent, Workshops::Refusal refusal, const QString& message);
