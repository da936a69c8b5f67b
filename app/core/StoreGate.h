#pragma once

#include <chrono>

// Who holds the store besides the window's thread: the workers of this program (an import, a cancelled import's
// removal or undoing, a reload's read, also one the window stopped waiting for). While one does, whatever reads or
// changes the collections or the store waits for it first: Wait here, or the window's wait (LongWork::WaitForStore),
// which keeps the window painted meanwhile.
namespace StoreGate {

// One worker's hold on the store, from its making until Release or its end. Made on the thread that starts the
// worker, so the store is held before the worker runs; handed to the worker, which lets go when it is done.
class Hold
{
public:
    Hold();
    ~Hold();
    Hold(Hold&& other) noexcept;
    Hold& operator=(Hold&&) = delete;
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    void Release();

private:
    bool m_held = true;
};

// True while any worker holds the store.
bool Held();
// Waits until no worker holds the store, at most timeout; true when it is free.
bool WaitFree(std::chrono::milliseconds timeout);
// Waits until no worker holds the store.
void Wait();

} // namespace StoreGate
