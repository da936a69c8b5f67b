#include "widgets/LongWork.h"

#include "core/StoreGate.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <limits>

namespace {

// How long work runs before the dialog shows, and how often the pending events run while it works.
constexpr int kShowAfterMs = 500;
constexpr int kEventIntervalMs = 25;

} // namespace

LongWork::LongWork(QWidget* parent, const QString& label)
    : m_dialog(std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, 0, parent))
{
    m_dialog->setWindowTitle(QStringLiteral("Vidsora"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
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
    if (m_dialog->wasCanceled()) {
        return false;
    }
    if (m_sinceEvents.elapsed() < kEventIntervalMs) {
        return true;
    }
    Show(done, total);
    // Once the modal dialog is up, input reaches it alone; until then input waits.
    QCoreApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    m_sinceEvents.start();
    return !m_dialog->wasCanceled();
}

bool LongWork::WaitUntil(const std::function<bool()>& finished, const std::function<std::pair<int, int>()>& progress)
{
    while (!m_dialog->wasCanceled() && !finished()) {
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
    return !m_dialog->wasCanceled();
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
    return m_dialog->wasCanceled();
}
