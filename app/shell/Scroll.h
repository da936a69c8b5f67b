#pragma once

#include <QWidget>

class QLabel;
class QTimer;

// A block of text that moves upwards on a timer, without end: once the whole text has gone more than two steps
// above the top edge it comes in again from the bottom. Positions are kept in twips, as the step is given in twips.
class Scroll : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString ScrollText READ ScrollText WRITE setScrollText)
    Q_PROPERTY(int Speed READ Speed WRITE setSpeed)
    Q_PROPERTY(int Alignment READ Alignment WRITE setAlignment)

public:
    explicit Scroll(QWidget* parent = nullptr);

    QString ScrollText() const { return m_text; }
    // Restarts the text just above the bottom edge.
    void setScrollText(const QString& text);
    // Step per tick in twips; the text does not move when it is set.
    int Speed() const { return m_speed; }
    void setSpeed(int speed) { m_speed = speed; }
    // 0 left, 1 right, 2 centred; centring places the label for its width at this moment.
    int Alignment() const { return m_alignment; }
    void setAlignment(int alignment);

    // The label's place and size in twips.
    float LabelLeft() const { return m_left; }
    float LabelTop() const { return m_top; }
    float LabelHeight() const;
    float LabelWidth() const;
    // The control's size in twips.
    float ControlHeight() const;
    float ControlWidth() const;

    // One step of the timer.
    void tmScroll_Timer();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    float TwipsPerPixel() const;
    void FitLabel();
    void PlaceLabel();

    QLabel* lblText;
    QTimer* tmScroll;
    QString m_text;
    int m_speed = 50;
    int m_alignment = 0;
    float m_left = 0.0f;
    float m_top = 0.0f;
};
