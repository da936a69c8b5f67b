#include "shell/frmAbout.h"

#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "shell/Scroll.h"
#include "widgets/mControls.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
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
    picture->setPixmap(Picture());
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

QPixmap frmAbout::Picture()
{
    // The box's own picture: a disc before a reel of film, in the program's colours. It says nothing of loading,
    // since the box opens long after the collection is in.
    QPixmap pixmap(300, 157);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, pixmap.height());
    sky.setColorAt(0.0, QColor(40, 40, 96));
    sky.setColorAt(1.0, QColor(153, 153, 255));
    p.fillRect(pixmap.rect(), sky);
    p.setPen(Qt::NoPen);

    // The reel: a wheel with five windows.
    const QPointF reel(92, 92);
    p.setBrush(QColor(24, 24, 24));
    p.drawEllipse(reel, 56, 56);
    p.setBrush(QColor(120, 120, 200));
    for (int i = 0; i < 5; ++i) {
        p.save();
        p.translate(reel);
        p.rotate(72.0 * i);
        p.drawEllipse(QPointF(0, -32), 13, 13);
        p.restore();
    }
    p.setBrush(QColor(230, 230, 230));
    p.drawEllipse(reel, 7, 7);

    // The disc, lying over the reel.
    const QPointF disc(196, 100);
    p.setBrush(QColor(210, 210, 235));
    p.drawEllipse(disc, 48, 48);
    p.setBrush(QColor(170, 170, 220));
    p.drawEllipse(disc, 25, 25);
    p.setBrush(QColor(40, 40, 96));
    p.drawEllipse(disc, 8, 8);

    QFont title = p.font();
    title.setPixelSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(14, 4, 272, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vidsora"));
    return pixmap;
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
