#include "core/BackgroundLoad.h"

#include "core/mLog.h"

#include <QObject>
#include <QThread>

#include <system_error>
#include <utility>

// The progress target of the load: the collections step its "Value" on the loading thread, and the window's thread
// reads the count.
class LoadCounter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE setValue)

public:
    int Value() const { return m_value.load(std::memory_order_relaxed); }
    void setValue(int value) { m_value.store(value, std::memory_order_relaxed); }

private:
    std::atomic<int> m_value{0};
};

BackgroundLoad::BackgroundLoad(const QString& dbDir) : m_counter(std::make_unique<LoadCounter>())
{
    try {
        m_thread = std::thread([this, dbDir, home = QThread::currentThread()] { Run(dbDir, home); });
    } catch (const std::system_error& e) {
        // No thread to be had: the load runs here, as it did before loads had a thread of their own.
        qCWarning(lcApp) << "loading without a thread of its own:" << e.what();
        Run(dbDir, QThread::currentThread());
    }
}

BackgroundLoad::~BackgroundLoad()
{
    Cancel();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

int BackgroundLoad::Done() const
{
    return m_counter->Value();
}

void BackgroundLoad::Run(const QString& dbDir, QThread* home)
{
    m_total.store(Collections::EntryCount(dbDir), std::memory_order_relaxed);
    m_loaded = Collections::Load(dbDir, m_counter.get(), home,
                                 [this] { return !m_cancelled.load(std::memory_order_relaxed); });
    // Finished before the store is let go: whoever waited for the store then finds the load ended and can drop it
    // (and with it the lock of the store it read).
    m_finished.store(true, std::memory_order_release);
    m_hold.Release();
}

std::optional<Collections::Loaded> BackgroundLoad::Take()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_cancelled.load(std::memory_order_relaxed)) {
        return std::nullopt;
    }
    return std::exchange(m_loaded, std::nullopt);
}

#include "BackgroundLoad.moc"
