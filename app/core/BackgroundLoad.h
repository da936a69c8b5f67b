#pragma once

#include "core/Collections.h"
#include "core/StoreGate.h"

#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

class LoadCounter;
class QThread;

// A load of the five collections on a thread of its own, into fresh collections: the loaded ones in the globals stay
// as they are until the caller installs the result. The items belong to the thread that started the load from the
// moment they are read, as if it had read them itself; the result is taken, installed or dropped on that thread. The
// load holds the store (StoreGate) until its thread has nothing more to do, also after a Cancel.
class BackgroundLoad
{
public:
    // Starts the load of dbDir at once.
    explicit BackgroundLoad(const QString& dbDir);
    // Stops the load before its next kind and waits for its thread.
    ~BackgroundLoad();
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    // The entries read so far, and how many there are in all (0 until the kind folders are counted).
    int Done() const;
    int Total() const { return m_total.load(std::memory_order_relaxed); }
    // True once the thread has nothing more to do.
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // Asks the load to stop before its next kind; the kind being read runs to its end and is dropped.
    void Cancel() { m_cancelled.store(true, std::memory_order_relaxed); }

    // Waits for the thread. The loaded collections, or nothing when the load was cancelled before it ended.
    std::optional<Collections::Loaded> Take();

private:
    void Run(const QString& dbDir, QThread* home);

    StoreGate::Hold m_hold; // let go by the thread at its end
    std::unique_ptr<LoadCounter> m_counter;
    std::atomic<int> m_total{0};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
    std::optional<Collections::Loaded> m_loaded; // written by the thread before it sets m_finished
    std::thread m_thread;
};
