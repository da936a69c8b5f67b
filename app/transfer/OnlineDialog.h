#pragma once

#include <QDialog>

class OnlineSession;

// The base of the dialogs that wait on the online service. While one of their commands waits, Esc ends the wait and
// the dialog stays; the close box ends it too, and the command that waited closes the dialog once it has stopped.
class OnlineDialog : public QDialog
{
    Q_OBJECT

protected:
    explicit OnlineDialog(QWidget* parent) : QDialog(parent) {}

    // The session whose waits the dialog ends.
    void WaitsOn(OnlineSession* session) { m_waiting = session; }
    // Ends the wait in progress; true when there was one.
    bool EndWait();

    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    // Set by the close box during a wait: the command that waited closes the dialog when it ends.
    bool m_closeRequested = false;

private:
    OnlineSession* m_waiting = nullptr;
};
