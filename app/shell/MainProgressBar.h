#pragma once

#include <QProgressBar>

// The main window's progress bar, with the "Value" property a collection steps while it loads.
class MainProgressBar : public QProgressBar
{
    Q_OBJECT
    Q_PROPERTY(int Value READ value WRITE setValue)

public:
    explicit MainProgressBar(QWidget* parent = nullptr) : QProgressBar(parent) {}
};
