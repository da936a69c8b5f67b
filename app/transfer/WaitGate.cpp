#include "transfer/WaitGate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

WaitGate::WaitGate(QWidget* dialog, QAbstractButton* cancel) : QObject(dialog), m_dialog(dialog), m_cancel(cancel)
{
    m_pump.setInterval(kPumpIntervalMs);
    connect(&m_pump, &QTimer::timeout, this, &WaitGate::Pump);
}

WaitGate::~WaitGate()
{
    if (m_depth > 0) {
        qApp->removeEventFilter(this);
    }
}

void WaitGate::SetWaiting(bool waiting)
{
    if (waiting) {
        if (m_depth++ == 0) {
            qApp->installEventFilter(this);
            m_pump.start();
        }
    } else if (m_depth > 0 && --m_depth == 0) {
        m_pump.stop();
        qApp->removeEventFilter(this);
    }
}

void WaitGate::Pump()
{
    if (m_pumping || m_depth == 0) {
        return;
    }
    // The held input is delivered here, through the filter below.
    m_pumping = true;
    QPointer<WaitGate> self(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (self) {
        m_pumping = false;
    }
}

bool WaitGate::eventFilter(QObject* watched, QEvent* event)
{
    if (m_depth == 0 || !IsUserInput(event->type())) {
        return false;
    }
    if (m_cancel && watched == m_cancel && m_cancel->isEnabled()) {
        return false;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_cancel &&
        m_cancel->isEnabled()) {
        // Escape stands for Cancel, once per key press, wherever the focus is.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && m_dialog && widget->window() == m_dialog && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            m_cancel->click();
        }
    }
    return true;
}
