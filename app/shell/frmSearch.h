#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class frmMain;

// The find dialog: each "Find next" walks the main window's tree, in the order its nodes were added, from the node
// after the selected one to the next item whose name holds the text, and selects and shows it.
class frmSearch : public QDialog
{
    Q_OBJECT

public:
    explicit frmSearch(frmMain* main);

    void FindNext(const QString& strFind);

private:
    void cdmFind_Click();
    void cmdCancel_Click();

    frmMain* m_main;
    QLineEdit* txtFind;
    QPushButton* cdmFind;
    QPushButton* cmdCancel;
};
