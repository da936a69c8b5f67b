#pragma once

#include <QWidget>

class ProgressBar;

// The start window shown while the collections load: a fixed picture and the progress bar pgLoading.
class frmSplash : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);

    ProgressBar* pgLoading;

    // The picture the window shows, drawn once.
    static QPixmap Picture();

protected:
    // The start-up load takes no input, so the window cannot be closed from outside while it runs.
    void closeEvent(QCloseEvent* event) override;
};
