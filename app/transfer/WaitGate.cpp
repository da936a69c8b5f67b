#include "transfer/WaitGate.h"

#include "widgets/mControls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

bool IsKey(QEvent::Type type)
{
    return type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
}

// The keys that press a focused button.
bool PressesButton(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select;
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
            m_pressOnCancel = false;
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

bool WaitGate::CancelUsable() const
{
    return m_cancel && m_cancel->isEnabled() && m_cancel->isVisible();
}

bool WaitGate::EscapePressesCancel(QEvent* event)
{
    if (!IsKey(event->type()) || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
        return false;
    }
    // Once per key press, not for its repeats, its release or the shortcut look-up before it.
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat() && CancelUsable()) {
        m_cancel->click();
    }
    return true;
}

bool WaitGate::PassAtWindow(QEvent* event)
{
    if (!CancelUsable()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        // The window hands a mouse event to the widget under it, or to the one a press went down on.
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        QWidget* under = m_dialog->childAt(at);
        const bool onCancel = under && (under == m_cancel || m_cancel->isAncestorOf(under));
        if (event->type() == QEvent::MouseButtonRelease) {
            const bool pass = m_pressOnCancel;
            if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
                m_pressOnCancel = false;
            }
            return pass;
        }
        if (event->type() == QEvent::MouseMove) {
            return m_pressOnCancel || onCancel;
        }
        m_pressOnCancel = m_pressOnCancel || onCancel;
        return onCancel;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        // The window hands a key to the focus widget.
        return m_dialog->focusWidget() == m_cancel && PressesButton(static_cast<QKeyEvent*>(event)->key());
    default:
        return false;
    }
}

bool WaitGate::eventFilter(QObject* watched, QEvent* event)
{
    if (m_depth == 0 || !IsUserInput(event->type()) || !m_dialog) {
        return false;
    }
    if (watched->isWindowType()) {
        if (watched != m_dialog->windowHandle()) {
            return false;
        }
        return EscapePressesCancel(event) || !PassAtWindow(event);
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() != m_dialog) {
        return false;
    }
    if (!widget && QApplication::activeModalWidget() != m_dialog) {
        // A shortcut of a message shown over the dialog, say.
        return false;
    }
    if (widget && widget == m_cancel && CancelUsable()) {
        return false;
    }
    EscapePressesCancel(event);
    return true;
}
