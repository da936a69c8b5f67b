#include "transfer/OnlineDialog.h"

#include "transfer/OnlineSession.h"
#include "transfer/WaitGate.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

QWidget* OnlineDialog::WaitsOn(OnlineSession* session, QAbstractButton* cancel)
{
    m_waiting = session;
    m_gate = new WaitGate(this, cancel);

    auto* line = new QWidget(this);
    line->setObjectName("waitLine");
    auto* text = new QLabel(line);
    text->setObjectName("lblWait");
    text->setTextFormat(Qt::PlainText);
    // A long title must not widen the dialog while it waits.
    text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* busy = new QProgressBar(line);
    busy->setObjectName("pgWait");
    busy->setRange(0, 0); // no end known: the bar runs to and fro
    busy->setTextVisible(false);
    busy->setMaximumWidth(120);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(busy);
    layout->addWidget(text, 1);
    // The dialog keeps its shape when the line comes and goes.
    QSizePolicy keep = line->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    line->setSizePolicy(keep);
    line->hide();

    // The gate first, so no input slips in while the line appears.
    connect(session, &OnlineSession::WaitingChanged, m_gate, &WaitGate::SetWaiting);
    connect(session, &OnlineSession::WaitingChanged, line, [line, text](bool waiting) {
        line->setVisible(waiting);
        if (!waiting) {
            text->clear();
        }
    });
    connect(session, &OnlineSession::WaitingFor, text, [text](const QString& what) {
        text->setText(what.isEmpty() ? QString() : what + QStringLiteral(" Cancel or Esc stops it."));
    });
    return line;
}

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
