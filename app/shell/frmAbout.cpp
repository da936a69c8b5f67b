#include "shell/frmAbout.h"

#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "shell/Scroll.h"
#include "shell/frmSplash.h"
#include "shell/mControls.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringList>
#include <QUrl>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent), fraSplash(new QGroupBox(this)), ctlScroll(new Scroll(fraSplash)), lblVisit(new QLabel(this)),
      lblDVDOrbel(new QLabel(this)), cmdOK(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vidsora"));
    fraSplash->setObjectName(QStringLiteral("fraSplash"));
    ctlScroll->setObjectName(QStringLiteral("ctlScroll"));
    lblVisit->setObjectName(QStringLiteral("lblVisit"));
    lblDVDOrbel->setObjectName(QStringLiteral("lblDVDOrbel"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgAbout"));
    picture->setPixmap(frmSplash::Picture().scaledToWidth(300, Qt::SmoothTransformation));
    picture->setAlignment(Qt::AlignTop);

    ctlScroll->setMinimumSize(300, 150);
    auto* frameLayout = new QVBoxLayout(fraSplash);
    frameLayout->addWidget(ctlScroll);

    lblVisit->setTextFormat(Qt::PlainText);
    lblVisit->setText(QStringLiteral("For the latest upgrades, news and reviews, visit us at"));
    lblDVDOrbel->setTextFormat(Qt::PlainText);
    lblDVDOrbel->setText(QUrl(SiteAddress()).host());
    lblDVDOrbel->setCursor(Qt::PointingHandCursor);
    QFont linkFont = lblDVDOrbel->font();
    linkFont.setUnderline(true);
    lblDVDOrbel->setFont(linkFont);
    QPalette linkPalette = lblDVDOrbel->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 204));
    lblDVDOrbel->setPalette(linkPalette);
    lblDVDOrbel->installEventFilter(this);

    cmdOK->setText(QStringLiteral("&Ok"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(fraSplash, 1);
    auto* bottom = new QHBoxLayout;
    auto* visit = new QVBoxLayout;
    visit->addWidget(lblVisit);
    visit->addWidget(lblDVDOrbel);
    bottom->addLayout(visit, 1);
    bottom->addWidget(cmdOK, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);

    // The frame is laid out before the load, so centring sees the scroll control's final width.
    resize(sizeHint());
    layout->activate();
    Form_Load();
}

QString frmAbout::SiteAddress()
{
    return QStringLiteral("https://www.vidsora.example/");
}

QString frmAbout::CreditsText()
{
    const QStringList lines = {
        QStringLiteral("Special thanks to"),
        QStringLiteral("Mirela Ostvang, tips and tricks"),
        QStringLiteral("Tobin Reyhault, help with the exchange format"),
        QStringLiteral("Anouk Vellacourt, beta testing"),
        QStringLiteral("Pieter Lanwerd, helpful hints"),
        QStringLiteral("Oskar Brimmelund and Lenna Tisvald, beta testing"),
        QStringLiteral("Yusra Adalgrim, help with the cover scans"),
        QStringLiteral("Greer Holmsveen, the pick lists"),
        QStringLiteral("Ravindra Sunvale"),
        QStringLiteral("All other beta testers"),
        QStringLiteral("Kestrelmoor Media Workshop"),
        QStringLiteral("The Reel Shelf forum"),
        QStringLiteral("discshelf.example"),
        QString(),
        QStringLiteral("Every film in its place."),
    };
    return lines.join(QStringLiteral("\r\n"));
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblDVDOrbel && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        lblDVDOrbel->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        lblDVDOrbel_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::Form_Load()
{
    fraSplash->setTitle(QStringLiteral("Vidsora: Personal ") + GetVersionText());
    // Set by name, as on any other control that offers these properties.
    ctlScroll->setProperty("Alignment", 2);
    ctlScroll->setProperty("Speed", 25);
    ctlScroll->setProperty("ScrollText", CreditsText());
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::lblDVDOrbel_Click()
{
    OpenDocument(SiteAddress());
}
