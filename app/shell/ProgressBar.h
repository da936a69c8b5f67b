#pragma once

#include <QWidget>

class QProgressBar;

// A progress bar that the collections drive by name: "Max" and "Value" are single-precision numbers and the minimum
// is 0. A maximum that does not exceed the minimum, or a value outside 0..Max, is refused and the bar keeps what it
// had, as a load that steps the bar must never stop on it. The painted bar is a child, so that these two are the
// only properties of those names whatever case a caller uses.
class ProgressBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(float Max READ Max WRITE setMax)
    Q_PROPERTY(float Value READ Value WRITE setValueF NOTIFY ValueChanged)

public:
    explicit ProgressBar(QWidget* parent = nullptr);

    float Max() const { return m_max; }
    // False (and nothing changes) when the maximum is not above 0.
    bool setMax(float max);
    float Value() const { return m_value; }
    // False (and nothing changes) when the value lies outside 0..Max.
    bool setValueF(float value);

    // Shows the bar over a status bar's panel (in its parent's coordinates), inset as the status bar's frame asks,
    // starting from 0.
    void ShowOverPanel(const QRect& panel, int statusBarHeight, double twipsPerPixel);

    // The bar as painted, in whole steps.
    const QProgressBar* Bar() const { return m_bar; }

signals:
    void ValueChanged(float value);

private:
    void Show();

    QProgressBar* m_bar;
    float m_max = 100.0f;
    float m_value = 0.0f;
};
