#pragma once

#include <atomic>
#include <functional>

// Work on the store on threads of its own that may go on after the window stopped waiting for it (what a cancelled
// import removes again). A job holds the store (StoreGate) from its start until it has ended. Every such thread ends
// with the application: told to give up first, a job leaves what it did not finish as debris that the next load
// sweeps, so the end neither hangs nor finds a thread still running.
namespace BackgroundWork {

// The job is handed a flag that is set when it should give up.
using Job = std::function<void(const std::atomic<bool>& abandon)>;

// Whether a job holds the store while it runs.
enum class Gate
{
    Hold, // it reads or changes what commands read: they wait for it
    // It only removes folders it moved out of the store itself (claimed as live, under temporary names no command
    // reads and the sweep spares), so no command need wait for it.
    Free,
};
// Runs job on a new thread; false when no thread could be started (then the job has not run, and holds nothing).
bool Start(Job job, Gate gate = Gate::Hold);
// Waits until every job started so far has ended.
void WaitAll();
// Tells every job to give up and waits for them; at the application's end (run then by itself).
void Abandon();
// Tells every job running now to give up, without waiting: the window about to close waits for them to end, and what
// they leave (folders moved out of the store, not yet removed) is debris the next start sweeps.
void GiveUp();

} // namespace BackgroundWork
