#include "shell/frmSplash.h"

#include "shell/ProgressBar.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      pgLoading(new ProgressBar(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Vidsora"));
    pgLoading->setObjectName(QStringLiteral("pgLoading"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgSplash"));
    picture->setPixmap(Picture());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(6);
    layout->addWidget(picture);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(12, 0, 12, 0);
    bar->addWidget(pgLoading);
    layout->addLayout(bar);
    pgLoading->setFixedHeight(14);
    setFixedSize(sizeHint());
}

QPixmap frmSplash::Picture()
{
    QPixmap pixmap(420, 220);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, pixmap.height());
    sky.setColorAt(0.0, QColor(40, 40, 96));
    sky.setColorAt(1.0, QColor(153, 153, 255));
    p.fillRect(pixmap.rect(), sky);

    // A strip of film across the picture.
    const QRectF strip(0, 120, pixmap.width(), 60);
    p.fillRect(strip, QColor(24, 24, 24));
    p.setBrush(QColor(230, 230, 230));
    p.setPen(Qt::NoPen);
    for (int x = 8; x < pixmap.width(); x += 24) {
        p.drawRoundedRect(QRectF(x, strip.top() + 5, 12, 8), 2, 2);
        p.drawRoundedRect(QRectF(x, strip.bottom() - 13, 12, 8), 2, 2);
    }
    p.setBrush(QColor(120, 120, 200));
    for (int x = 16; x < pixmap.width(); x += 80) {
        p.drawRect(QRectF(x, strip.top() + 17, 64, 26));
    }

    // A disc in the upper right corner.
    const QPointF centre(350, 62);
    p.setBrush(QColor(210, 210, 235));
    p.drawEllipse(centre, 44, 44);
    p.setBrush(QColor(40, 40, 96));
    p.drawEllipse(centre, 9, 9);

    QFont title = p.font();
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(20, 28, 300, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vidsora"));
    QFont sub = p.font();
    sub.setPixelSize(14);
    sub.setBold(false);
    p.setFont(sub);
    p.drawText(QRectF(22, 84, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Your movie collection, catalogued"));
    p.drawText(QRectF(0, 190, pixmap.width() - 12, 24), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Loading the collection..."));
    return pixmap;
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
