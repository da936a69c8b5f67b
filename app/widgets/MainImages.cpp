#include "widgets/MainImages.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>

namespace {

constexpr int kSize = 16;

QPixmap Blank()
{
    QPixmap pix(kSize, kSize);
    pix.fill(Qt::transparent);
    return pix;
}

// Every image is drawn on a transparent 16 x 16 pixmap with antialiasing.
template <class Fn> QPixmap Draw(Fn&& fn)
{
    QPixmap pix = Blank();
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    fn(p);
    p.end();
    return pix;
}

void Folder(QPainter& p, const QColor& fill, bool open)
{
    const QColor edge = fill.darker(170);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill.darker(115));
    p.drawRect(QRectF(1.5, 3.5, 5, 2));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    if (open) {
        p.setBrush(fill.lighter(125));
        p.drawPolygon(QPolygonF({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
    }
}

void Box(QPainter& p, bool open)
{
    const QColor side(176, 124, 64);
    p.setPen(QPen(side.darker(170), 1));
    p.setBrush(side);
    p.drawRect(QRectF(2.5, 6.5, 11, 8));
    p.setBrush(side.lighter(130));
    if (open) {
        // The lids stand up on both sides.
        p.drawPolygon(QPolygonF({QPointF(2.5, 6.5), QPointF(0.5, 2.5), QPointF(6.5, 2.5), QPointF(8, 6.5)}));
        p.drawPolygon(QPolygonF({QPointF(13.5, 6.5), QPointF(15.5, 2.5), QPointF(9.5, 2.5), QPointF(8, 6.5)}));
    } else {
        p.drawPolygon(QPolygonF({QPointF(2.5, 6.5), QPointF(5.5, 3.5), QPointF(15.5, 3.5), QPointF(13.5, 6.5)}));
        p.drawLine(QPointF(8, 6.5), QPointF(8, 14.5));
    }
}

void Disc(QPainter& p, const QColor& tint, qreal radius, bool open)
{
    const QPointF c(8, 8);
    p.setPen(QPen(QColor(90, 90, 100), 1));
    QRadialGradient g(c, radius);
    g.setColorAt(0, open ? tint.lighter(160) : QColor(235, 235, 240));
    g.setColorAt(1, tint);
    p.setBrush(g);
    p.drawEllipse(c, radius, radius);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 1.8, 1.8);
    if (open) {
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.2));
        p.drawArc(QRectF(c.x() - radius + 2, c.y() - radius + 2, 2 * radius - 4, 2 * radius - 4), 30 * 16, 60 * 16);
    }
}

void Tape(QPainter& p, bool open)
{
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(open ? QColor(90, 90, 110) : QColor(50, 50, 60));
    p.drawRoundedRect(QRectF(0.5, 3.5, 15, 9), 1.5, 1.5);
    p.setBrush(open ? QColor(250, 220, 120) : QColor(200, 200, 200));
    p.drawRect(QRectF(3.5, 5.5, 9, 4));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(5.5, 7.5), 1.3, 1.3);
    p.drawEllipse(QPointF(10.5, 7.5), 1.3, 1.3);
}

void Film(QPainter& p, bool open)
{
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(45, 45, 45));
    p.drawRect(QRectF(2.5, 0.5, 11, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 230, 230));
    for (int y = 2; y < 15; y += 3) {
        p.drawRect(QRectF(3.3, y, 1.4, 1.4));
        p.drawRect(QRectF(11.3, y, 1.4, 1.4));
    }
    p.setBrush(open ? QColor(120, 190, 255) : QColor(150, 150, 170));
    p.drawRect(QRectF(5.5, 2, 5, 5));
    p.drawRect(QRectF(5.5, 9, 5, 5));
}

void Reel(QPainter& p)
{
    const QPointF c(8, 8);
    p.setPen(QPen(QColor(60, 60, 70), 1));
    p.setBrush(QColor(170, 40, 40));
    p.drawEllipse(c, 7, 7);
    p.setBrush(QColor(250, 240, 230));
    for (int i = 0; i < 5; ++i) {
        const qreal a = i * 2 * 3.14159265 / 5 - 3.14159265 / 2;
        p.drawEllipse(QPointF(c.x() + 4 * std::cos(a), c.y() + 4 * std::sin(a)), 1.6, 1.6);
    }
    p.drawEllipse(c, 1, 1);
}

void Badge(QPainter& p, const QColor& color)
{
    // A small mark in the lower right corner tells the toolbar's kind buttons apart from the tree's images.
    p.setPen(QPen(color.darker(150), 1));
    p.setBrush(color);
    p.drawEllipse(QPointF(12.5, 12.5), 3, 3);
    p.setPen(QPen(Qt::white, 1.4));
    p.drawLine(QPointF(12.5, 10.8), QPointF(12.5, 14.2));
    p.drawLine(QPointF(10.8, 12.5), QPointF(14.2, 12.5));
}

void Arrow(QPainter& p, bool down, const QColor& color)
{
    p.setPen(QPen(color.darker(140), 1));
    p.setBrush(color);
    QPolygonF arrow({QPointF(10, 1), QPointF(13, 1), QPointF(13, 5), QPointF(15.5, 5), QPointF(11.5, 9.5),
                     QPointF(7.5, 5), QPointF(10, 5)});
    if (!down) {
        QTransform flip;
        flip.translate(0, 10.5);
        flip.scale(1, -1);
        arrow = flip.map(arrow);
    }
    p.drawPolygon(arrow);
}

void Document(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawPolygon(
        QPolygonF({QPointF(1.5, 4.5), QPointF(7.5, 4.5), QPointF(9.5, 6.5), QPointF(9.5, 15.5), QPointF(1.5, 15.5)}));
    p.setPen(QPen(QColor(120, 140, 200), 1));
    for (qreal y = 8.5; y < 15; y += 2) {
        p.drawLine(QPointF(3, y), QPointF(8, y));
    }
}

void Globe(QPainter& p)
{
    p.setPen(QPen(QColor(30, 80, 140), 1));
    p.setBrush(QColor(110, 170, 230));
    p.drawEllipse(QPointF(6.5, 9.5), 5.5, 5.5);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(6.5, 9.5), 2.3, 5.5);
    p.drawLine(QPointF(1, 9.5), QPointF(12, 9.5));
}

void Printer(QPainter& p)
{
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(180, 180, 185));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(QPen(QColor(60, 180, 60), 1.5));
    p.drawPoint(QPointF(12.5, 8.5));
}

void Magnifier(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.setPen(QPen(QColor(60, 60, 60), 1.3));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
}

void Wand(QPainter& p)
{
    p.setPen(QPen(QColor(50, 50, 50), 2));
    p.drawLine(QPointF(2, 14), QPointF(10, 6));
    p.setPen(QPen(QColor(240, 190, 30), 1.2));
    p.drawLine(QPointF(12, 1), QPointF(12, 7));
    p.drawLine(QPointF(9, 4), QPointF(15, 4));
    p.drawLine(QPointF(10, 2), QPointF(14, 6));
    p.drawLine(QPointF(14, 2), QPointF(10, 6));
}

void Pencil(QPainter& p)
{
    p.setPen(QPen(QColor(90, 60, 20), 1));
    p.setBrush(QColor(250, 200, 60));
    p.drawPolygon(QPolygonF({QPointF(2, 11), QPointF(11, 2), QPointF(14, 5), QPointF(5, 14)}));
    p.setBrush(QColor(240, 210, 170));
    p.drawPolygon(QPolygonF({QPointF(2, 11), QPointF(5, 14), QPointF(1, 15)}));
}

void Cross(QPainter& p)
{
    p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

const QColor kCategory(236, 196, 80);
const QColor kGroup(140, 190, 110);
const QColor kMedia(170, 175, 190);
const QColor kDVD(90, 120, 210);
const QColor kLD(200, 170, 90);
const QColor kVCD(170, 100, 190);

} // namespace

namespace MainImages {

QHash<QString, QPixmap> TreeImages()
{
    QHash<QString, QPixmap> images;
    images.insert("imgVidsora", Draw([](QPainter& p) { Reel(p); }));
    for (bool open : {false, true}) {
        const QString state = open ? "Open" : "Closed";
        images.insert("imgCategory" + state, Draw([&](QPainter& p) { Folder(p, kCategory, open); }));
        images.insert("imgSubCategory" + state, Draw([&](QPainter& p) { Folder(p, kGroup, open); }));
        images.insert("imgBox" + state, Draw([&](QPainter& p) { Box(p, open); }));
        images.insert("imgMedia" + state, Draw([&](QPainter& p) { Disc(p, kMedia, 6.5, open); }));
        images.insert("imgMovie" + state, Draw([&](QPainter& p) { Film(p, open); }));
        images.insert("imgDVD" + state, Draw([&](QPainter& p) { Disc(p, kDVD, 6.5, open); }));
        images.insert("imgLD" + state, Draw([&](QPainter& p) { Disc(p, kLD, 7.5, open); }));
        images.insert("imgVCD" + state, Draw([&](QPainter& p) { Disc(p, kVCD, 5.5, open); }));
        images.insert("imgVHS" + state, Draw([&](QPainter& p) { Tape(p, open); }));
    }
    return images;
}

QHash<QString, QPixmap> ToolbarImages()
{
    QHash<QString, QPixmap> images;
    images.insert("imgCategory", Draw([](QPainter& p) {
                      Folder(p, kCategory, false);
                      Badge(p, QColor(40, 150, 40));
                  }));
    images.insert("imgSubcategory", Draw([](QPainter& p) {
                      Folder(p, kGroup, false);
                      Badge(p, QColor(40, 150, 40));
                  }));
    images.insert("imgBox", Draw([](QPainter& p) {
                      Box(p, false);
                      Badge(p, QColor(40, 150, 40));
                  }));
    images.insert("imgMedia", Draw([](QPainter& p) {
                      Disc(p, kMedia, 6.5, false);
                      Badge(p, QColor(40, 150, 40));
                  }));
    images.insert("imgMovie", Draw([](QPainter& p) {
                      Film(p, false);
                      Badge(p, QColor(40, 150, 40));
                  }));
    images.insert("imgUEFEx", Draw([](QPainter& p) {
                      Document(p);
                      Arrow(p, false, QColor(60, 160, 60));
                  }));
    images.insert("imgUEFIm", Draw([](QPainter& p) {
                      Document(p);
                      Arrow(p, true, QColor(60, 120, 210));
                  }));
    images.insert("imgPrint", Draw([](QPainter& p) { Printer(p); }));
    images.insert("imgOnlineImport", Draw([](QPainter& p) {
                      Globe(p);
                      Arrow(p, true, QColor(60, 120, 210));
                  }));
    images.insert("imgOnlineSubmit", Draw([](QPainter& p) {
                      Globe(p);
                      Arrow(p, false, QColor(60, 160, 60));
                  }));
    images.insert("imgPreview", Draw([](QPainter& p) {
                      Document(p);
                      Magnifier(p);
                  }));
    images.insert("imgWizard", Draw([](QPainter& p) { Wand(p); }));
    images.insert("imgEdit", Draw([](QPainter& p) { Pencil(p); }));
    images.insert("imgDelete", Draw([](QPainter& p) { Cross(p); }));
    return images;
}

namespace {

// Draws fn, made for the 16 by 16 grid, scaled to size by size on transparency.
template <class Fn> QImage DrawScaled(int size, Fn&& fn)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / qreal(kSize), size / qreal(kSize));
    fn(p);
    p.end();
    return image;
}

} // namespace

QImage ProgramIcon(int size)
{
    return DrawScaled(size, [](QPainter& p) { Reel(p); });
}

QImage ViewerIcon(int size)
{
    return DrawScaled(size, [](QPainter& p) {
        Document(p);
        p.translate(6, 0);
        p.scale(0.625, 0.625);
        Reel(p);
    });
}

} // namespace MainImages
