#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class Scroll;

// The about box: name and version, a picture of its own, the credits scrolling without end, and the link to the web
// site.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The box's own picture, drawn once per box.
    static QPixmap Picture();
    // The web site the link label shows and opens.
    static QString SiteAddress();
    // The credit lines, joined by CR LF.
    static QString CreditsText();

    QGroupBox* fraSplash;
    Scroll* ctlScroll;
    QLabel* lblVisit;
    QLabel* lblDVDOrbel;
    QPushButton* cmdOK;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void cmdOK_Click();
    void lblDVDOrbel_Click();
};
