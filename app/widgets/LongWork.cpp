#include "widgets/LongWork.h"

#include "core/StoreGate.h"
#include "widgets/mControls.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QList>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>

#include <limits>

namespace {

// How long work runs before the dialog shows, and how often the pending events run while it works.
constexpr int kShowAfterMs = 500;
constexpr int kEventIntervalMs = 25;

QList<LongWork*> gRunning;
int gUserCancels = 0;
bool gCloseAsked = false;

// The window an input event's receiver belongs to, or none: a widget's, a window object's, or for anything else (a
// shortcut, an action) that of the widget it belongs to.
QWidget* WindowOf(QObject* receiver)
{
    if (receiver->isWindowType()) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) {
            if (window->windowHandle() == receiver) {
                return window;
            }
        }
        return nullptr;
    }
    for (QObject* owner = receiver; owner; owner = owner->parent()) {
        if (auto* widget = qobject_cast<QWidget*>(owner)) {
            return widget->window();
        }
    }
    return nullptr;
}

} // namespace

// What the modal dialog did, without blocking any window: user input reaches the dialog (and a modal window shown
// over it) alone, and Esc anywhere presses its Cancel once it shows.
class LongWork::Gate : public QObject
{
public:
    explicit Gate(QProgressDialog* dialog) : m_dialog(dialog) { qApp->installEventFilter(this); }
    ~Gate() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!IsUserInput(event->type())) {
            return false;
        }
        QWidget* window = WindowOf(watched);
        const bool toDialog = window && window == m_dialog;
        QWidget* modal = QApplication::activeModalWidget();
        if (!toDialog && modal && (window == modal || !window)) {
            return false;
        }
        // Esc at any window object of the program presses Cancel, as the button does; at the dialog's own too, since
        // its Esc shortcut holds only once it is the active window, and a key can reach it before that.
        auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
        if (key && key->key() == Qt::Key_Escape && !key->isAutoRepeat() && watched->isWindowType() &&
            m_dialog->isVisible() && !m_dialog->wasCanceled()) {
            emit m_dialog->canceled();
            return true;
        }
        return !toDialog;
    }

private:
    QProgressDialog* m_dialog;
};

LongWork::LongWork(QWidget* parent, const QString& label)
    : m_dialog(std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, 0, parent)), m_label(label)
{
    m_dialog->setWindowTitle(QStringLiteral("Vidsora"));
    // The gate keeps input away from the rest of the program; a modal dialog would also keep the window system's
    // close of the main window away, which should rather be carried out when the work has ended.
    m_dialog->setWindowModality(Qt::NonModal);
    if (gCloseAsked) {
        m_dialog->setLabelText(m_label + QStringLiteral("\nVidsora closes when this has ended."));
    }
    m_gate = std::make_unique<Gate>(m_dialog.get());
    gRunning.append(this);
    // The dialog is shown here, by the work's own clock, never by its estimate.
    m_dialog->setMinimumDuration(std::numeric_limits<int>::max());
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_busyCursor = true;
    m_started.start();
    m_sinceEvents.start();
}

LongWork::~LongWork()
{
    gRunning.removeOne(this);
    if (gRunning.isEmpty()) {
        gCloseAsked = false;
    }
    m_gate.reset();
    m_dialog->hide();
    if (m_busyCursor) {
        QApplication::restoreOverrideCursor();
    }
}

void LongWork::Show(int done, int total)
{
    total = qMax(0, total);
    if (m_dialog->maximum() != total) {
        m_dialog->setMaximum(total);
    }
    m_dialog->setValue(qBound(0, done, total));
    if (!m_dialog->isVisible() && m_started.elapsed() >= kShowAfterMs) {
        m_dialog->show();
        if (m_busyCursor) {
            // The Cancel button should not look busy.
            QApplication::restoreOverrideCursor();
            m_busyCursor = false;
        }
    }
}

bool LongWork::Step(int done, int total)
{
    if (Cancelled()) {
        return false;
    }
    if (m_sinceEvents.elapsed() < kEventIntervalMs) {
        return true;
    }
    Show(done, total);
    // Once the dialog is up, input reaches it alone (the gate); until then input waits.
    QCoreApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    m_sinceEvents.start();
    return !Cancelled();
}

bool LongWork::WaitUntil(const std::function<bool()>& finished, const std::function<std::pair<int, int>()>& progress)
{
    while (!Cancelled() && !finished()) {
        const auto [done, total] = progress();
        Show(done, total);
        // The events of one interval; Cancel ends it at once.
        QEventLoop wait;
        QTimer::singleShot(kEventIntervalMs, &wait, &QEventLoop::quit);
        const QMetaObject::Connection cancel =
            QObject::connect(m_dialog.get(), &QProgressDialog::canceled, &wait, &QEventLoop::quit);
        wait.exec(m_dialog->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        QObject::disconnect(cancel);
    }
    return !Cancelled();
}

ImportProgress LongWork::Hook()
{
    return [this](int done, int total) { return Step(done, total); };
}

bool LongWork::WaitForStore(QWidget* parent)
{
    if (!StoreGate::Held()) {
        return true;
    }
    LongWork work(parent, QStringLiteral("Finishing the work in the background..."));
    return work.WaitUntil([] { return !StoreGate::Held(); }, [] { return std::pair(0, 0); });
}

bool LongWork::Cancelled() const
{
    const bool cancelled = m_dialog->wasCanceled();
    if (cancelled && !m_counted) {
        // However it came (the button, Esc, the close box): a close asked for meanwhile is given up.
        m_counted = true;
        ++gUserCancels;
        gCloseAsked = false;
    }
    return cancelled;
}

bool LongWork::Running()
{
    return !gRunning.isEmpty();
}

int LongWork::UserCancels()
{
    return gUserCancels;
}

void LongWork::CloseAsked()
{
    gCloseAsked = true;
    for (LongWork* work : std::as_const(gRunning)) {
        work->m_dialog->setLabelText(work->m_label + QStringLiteral("\nVidsora closes when this has ended."));
    }
}
