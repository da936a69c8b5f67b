#include "shell/TypeAheadFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

TypeAheadFilter::TypeAheadFilter(QWidget* window, TypeAhead::Clock clock)
    : QObject(window), m_window(window), m_model(std::move(clock))
{
    setObjectName("typeAhead");
    tmClearCommand = new QTimer(this);
    tmClearCommand->setObjectName("tmClearCommand");
    tmClearCommand->setSingleShot(true);
    tmClearCommand->setInterval(TypeAhead::kClearMs);
    connect(tmClearCommand, &QTimer::timeout, this, &TypeAheadFilter::tmClearCommand_Timer);
    qApp->installEventFilter(this);
}

TypeAheadFilter::~TypeAheadFilter()
{
    if (qApp) {
        qApp->removeEventFilter(this);
    }
}

bool TypeAheadFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !m_window) {
        return false;
    }
    // The window system's own window object sees the key too, and so does every parent the key travels up to when
    // a control leaves it: it counts once, at the widget it is meant for.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window || !m_window->isActiveWindow()) {
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus ? widget != focus : !widget->isWindow()) {
        return false;
    }
    Form_KeyPress(static_cast<const QKeyEvent*>(event));
    return false;
}

void TypeAheadFilter::Form_KeyPress(const QKeyEvent* event)
{
    // Keys that type no character (arrows, function keys, Delete, a modifier alone) are not collected.
    if (event->key() == Qt::Key_Delete || event->text().isEmpty()) {
        return;
    }
    HandleTypedKey(event->text());
}

void TypeAheadFilter::HandleTypedKey(const QString& text)
{
    tmClearCommand->start();
    if (m_model.HandleTypedKey(text)) {
        tmClearCommand->stop();
        // The key first reaches its control; the game opens once it has.
        QMetaObject::invokeMethod(this, &TypeAheadFilter::hiddenWordTyped, Qt::QueuedConnection);
    }
}

void TypeAheadFilter::tmClearCommand_Timer()
{
    tmClearCommand->stop();
    m_model.Clear();
}
