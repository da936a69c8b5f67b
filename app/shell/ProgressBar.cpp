#include "shell/ProgressBar.h"

#include <QHBoxLayout>
#include <QProgressBar>

#include <cmath>

namespace {
// The widget itself counts in whole steps; this many are enough for a smooth bar of any length.
constexpr int kSteps = 10000;
} // namespace

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent), m_bar(new QProgressBar(this))
{
    m_bar->setRange(0, kSteps);
    m_bar->setTextVisible(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_bar);
    Show();
}

bool ProgressBar::setMax(float max)
{
    if (!(max > 0.0f) || !std::isfinite(max)) {
        return false;
    }
    m_max = max;
    if (m_value > m_max) {
        m_value = m_max;
    }
    Show();
    return true;
}

bool ProgressBar::setValueF(float value)
{
    if (!(value >= 0.0f && value <= m_max)) {
        return false;
    }
    if (value != m_value) {
        m_value = value;
        Show();
        emit ValueChanged(m_value);
    }
    return true;
}

void ProgressBar::Show()
{
    m_bar->setValue(int(std::lround(double(m_value) / double(m_max) * kSteps)));
}

void ProgressBar::ShowOverPanel(const QRect& panel, int statusBarHeight, double twipsPerPixel)
{
    auto px = [twipsPerPixel](double twips) { return qRound(twips / twipsPerPixel); };
    setGeometry(panel.left() + px(15), px(50), qMax(0, panel.width() - px(30)), qMax(0, statusBarHeight - px(60)));
    raise();
    setValueF(0);
    show();
}
