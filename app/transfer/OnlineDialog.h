#pragma once

#include <QDialog>

class OnlineSession;
class QAbstractButton;
class WaitGate;

// The base of the dialogs that wait on the online service. While one of their commands waits, only Cancel takes
// input (WaitGate), a line says what is waited for, and Cancel or Esc ends the wait while the dialog stays; the close
// box ends it too, and the command that waited closes the dialog once it has stopped.
class OnlineDialog : public QDialog
{
    Q_OBJECT

protected:
    explicit OnlineDialog(QWidget* parent) : QDialog(parent) {}

    // The session whose waits the dialog ends, and its Cancel button. Returns the line that shows what a wait waits
    // for (hidden while none runs), for the dialog to place.
    QWidget* WaitsOn(OnlineSession* session, QAbstractButton* cancel);
    // Ends the wait in progress; true when there was one.
    bool EndWait();

    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    // Set by the close box during a wait: the command that waited closes the dialog when it ends.
    bool m_closeRequested = false;

private:
    OnlineSession* m_waiting = nullptr;
    WaitGate* m_gate = nullptr;
};
