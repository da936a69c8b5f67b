#include "core/StoreGate.h"

#include <condition_variable>
#include <mutex>

namespace {

struct Gate
{
    std::mutex mutex;
    std::condition_variable freed;
    int holders = 0;
};

// Never destroyed: a worker may let go while the statics go at the end.
Gate& TheGate()
{
    static auto* const gate = new Gate;
    return *gate;
}

} // namespace

namespace StoreGate {

Hold::Hold()
{
    Gate& gate = TheGate();
    const std::lock_guard<std::mutex> lock(gate.mutex);
    ++gate.holders;
}

Hold::~Hold()
{
    Release();
}

Hold::Hold(Hold&& other) noexcept : m_held(other.m_held)
{
    other.m_held = false;
}

void Hold::Release()
{
    if (!m_held) {
        return;
    }
    m_held = false;
    Gate& gate = TheGate();
    {
        const std::lock_guard<std::mutex> lock(gate.mutex);
        --gate.holders;
    }
    gate.freed.notify_all();
}

bool Held()
{
    Gate& gate = TheGate();
    const std::lock_guard<std::mutex> lock(gate.mutex);
    return gate.holders > 0;
}

bool WaitFree(std::chrono::milliseconds timeout)
{
    Gate& gate = TheGate();
    std::unique_lock<std::mutex> lock(gate.mutex);
    return gate.freed.wait_for(lock, timeout, [&gate] { return gate.holders == 0; });
}

void Wait()
{
    Gate& gate = TheGate();
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.freed.wait(lock, [&gate] { return gate.holders == 0; });
}

} // namespace StoreGate
