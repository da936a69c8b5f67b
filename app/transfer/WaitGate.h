#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QAbstractButton;
class QWidget;

// Keeps a dialog responsive in one way while it waits for the online service: the client's wait lets no user input
// through, so the gate delivers the held input itself, a few times a second, and passes on only what reaches the
// dialog's Cancel button (and Escape, which presses it). Everything else the user does meanwhile is dropped.
class WaitGate : public QObject
{
    Q_OBJECT

public:
    WaitGate(QWidget* dialog, QAbstractButton* cancel);
    ~WaitGate() override;

    // Opens and closes a waiting period; nests.
    void SetWaiting(bool waiting);
    bool IsWaiting() const { return m_depth > 0; }

    static constexpr int kPumpIntervalMs = 50;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Pump();

    QPointer<QWidget> m_dialog;
    QPointer<QAbstractButton> m_cancel;
    QTimer m_pump;
    int m_depth = 0;
    bool m_pumping = false;
};
