#include "shell/Scroll.h"

#include <QLabel>
#include <QPalette>
#include <QResizeEvent>
#include <QTimer>

#include <cmath>

Scroll::Scroll(QWidget* parent) : QWidget(parent), lblText(new QLabel(this)), tmScroll(new QTimer(this))
{
    lblText->setObjectName(QStringLiteral("lblText"));
    tmScroll->setObjectName(QStringLiteral("tmScroll"));
    lblText->setTextFormat(Qt::PlainText);
    lblText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The label follows the control's width and grows to hold every line: the wrap test reads its height.
    m_left = 0.0f;
    m_top = 0.0f;
    FitLabel();
    PlaceLabel();

    m_speed = 50;

    tmScroll->setInterval(100);
    connect(tmScroll, &QTimer::timeout, this, &Scroll::tmScroll_Timer);
    tmScroll->start();

    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(153, 153, 255));
    setPalette(pal);
    setAutoFillBackground(true);
}

void Scroll::setScrollText(const QString& text)
{
    m_text = text;
    // The credits come with CR LF between lines; the label breaks at LF alone.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    lblText->setText(shown);
    FitLabel();
    m_top = ControlHeight() - 2.0f * float(m_speed);
    PlaceLabel();
}

void Scroll::setAlignment(int alignment)
{
    m_alignment = alignment;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (alignment == 1) {
        horizontal = Qt::AlignRight;
    } else if (alignment == 2) {
        horizontal = Qt::AlignHCenter;
    }
    lblText->setAlignment(horizontal | Qt::AlignTop);
    FitLabel();
    if (alignment == 2) {
        // Halved with the remainder dropped, each width first rounded to whole twips.
        const auto half = [](float twips) { return std::lround(twips) / 2; };
        m_left = float(half(ControlWidth()) - half(LabelWidth()));
    } else {
        m_left = 0.0f;
    }
    PlaceLabel();
}

float Scroll::LabelHeight() const
{
    return float(lblText->height()) * TwipsPerPixel();
}

float Scroll::LabelWidth() const
{
    return float(lblText->width()) * TwipsPerPixel();
}

float Scroll::ControlHeight() const
{
    return float(height()) * TwipsPerPixel();
}

float Scroll::ControlWidth() const
{
    return float(width()) * TwipsPerPixel();
}

void Scroll::tmScroll_Timer()
{
    const float speed = float(m_speed);
    if (m_top + LabelHeight() < -2.0f * speed) {
        m_top = ControlHeight() - 2.0f * speed;
    } else {
        m_top -= speed;
    }
    PlaceLabel();
}

void Scroll::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The label spans the control, so centred lines stay in its middle whatever its size.
    FitLabel();
    if (m_alignment == 2) {
        setAlignment(2);
    }
    PlaceLabel();
}

float Scroll::TwipsPerPixel() const
{
    const int dpi = logicalDpiY();
    return dpi > 0 ? 1440.0f / float(dpi) : 15.0f;
}

void Scroll::FitLabel()
{
    const int textHeight = lblText->text().isEmpty() ? 0 : lblText->sizeHint().height();
    lblText->resize(width(), textHeight);
}

void Scroll::PlaceLabel()
{
    const float tpp = TwipsPerPixel();
    lblText->move(int(std::lround(m_left / tpp)), int(std::lround(m_top / tpp)));
}
