#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QAbstractButton;
class QEvent;
class QWidget;

// Keeps a dialog responsive in one way while it waits for the online service: the client's wait lets no user input
// through, so the gate delivers the held input itself, a few times a second, and passes on only what reaches the
// dialog's Cancel button (and Escape, which presses it). Everything else the user does to the dialog meanwhile is
// dropped. Input arrives as the window system delivers it, at the dialog's window first: a mouse event there passes
// when it falls on Cancel, a key when Cancel has the focus (Escape anywhere in the dialog presses Cancel). Input for
// any other window is left alone: those below the dialog are blocked by it, and one above it (a message) is answered.
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
    bool CancelUsable() const;
    // Whether input that reached the dialog's window is for Cancel.
    bool PassAtWindow(QEvent* event);
    // Presses Cancel for an Escape key press; true when it was one.
    bool EscapePressesCancel(QEvent* event);

    QPointer<QWidget> m_dialog;
    QPointer<QAbstractButton> m_cancel;
    QTimer m_pump;
    int m_depth = 0;
    bool m_pumping = false;
    bool m_pressOnCancel = false; // a mouse button went down on Cancel: its moves and release follow
};
