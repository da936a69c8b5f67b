#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// Small window helpers the editor dialogs share.

// The box selects its whole text whenever it receives the focus, also by a mouse click.
void SelectAllOnFocus(QLineEdit* box);
// Shows why OK did not save, with the warning icon; the dialog stays open.
void ShowRefusal(QWidget* parent, const QString& message);
