#include "transfer/OnlineDialog.h"

#include "transfer/OnlineSession.h"

#include <QCloseEvent>

bool OnlineDialog::EndWait()
{
    if (!m_waiting || !m_waiting->IsWaiting()) {
        return false;
    }
    m_waiting->Abort();
    return true;
}

void OnlineDialog::closeEvent(QCloseEvent* event)
{
    if (m_waiting && m_waiting->IsWaiting()) {
        m_closeRequested = true;
        EndWait();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void OnlineDialog::reject()
{
    // Closing without OK sends or imports nothing more, but whatever an earlier OK did stands.
    if (!EndWait()) {
        QDialog::reject();
    }
}
