// The writer's fault seam: tests make a step of the writer fail or slow down, or leave the syncs out.
#include "SafeFileInternal.h"

#include <QtGlobal>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace SafeFile {
namespace {

std::atomic<int> g_calls[Faults::OpCount];
std::atomic<int> g_failAt[Faults::OpCount];
std::atomic<int> g_delayMs[Faults::OpCount];
std::atomic<qint64> g_budget{-1};
std::atomic<bool> g_skipSyncs{false};

} // namespace

namespace Internal {

bool Injected(Faults::Op op)
{
    const int n = g_calls[op].fetch_add(1, std::memory_order_relaxed) + 1;
    if (const int delay = g_delayMs[op].load(std::memory_order_relaxed); delay > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    }
    const int at = g_failAt[op].load(std::memory_order_relaxed);
    if (at > 0 && n == at) {
        errno = op == Faults::WriteBytes ? ENOSPC : EIO;
        return true;
    }
    return false;
}

bool SyncsSkipped()
{
    return g_skipSyncs.load(std::memory_order_relaxed);
}

qint64 Budget()
{
    return g_budget.load(std::memory_order_relaxed);
}

void SpendBudget(qint64 n)
{
    g_budget.fetch_sub(n, std::memory_order_relaxed);
}

} // namespace Internal

namespace Faults {

void FailNth(Op op, int n)
{
    g_failAt[op].store(n > 0 ? g_calls[op].load() + n : 0);
}

void SetByteBudget(qint64 bytes)
{
    g_budget.store(bytes);
}

qint64 ByteBudget()
{
    return g_budget.load();
}

void SlowDown(Op op, int milliseconds)
{
    g_delayMs[op].store(qMax(0, milliseconds));
}

void Reset()
{
    for (int op = 0; op < OpCount; ++op) {
        g_calls[op].store(0);
        g_failAt[op].store(0);
        g_delayMs[op].store(0);
    }
    g_budget.store(-1);
}

void SkipSyncs(bool on)
{
    g_skipSyncs.store(on);
}

int Calls(Op op)
{
    return g_calls[op].load();
}

} // namespace Faults

} // namespace SafeFile
