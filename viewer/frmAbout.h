#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the logo and one button that closes it.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* Picture1 = nullptr;
    QPushButton* cmdOK = nullptr;
};
