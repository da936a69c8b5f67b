#include "core/BackgroundWork.h"

#include "core/StoreGate.h"
#include "core/mLog.h"

#include <QCoreApplication>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Running
{
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> ended;
};

// Never destroyed: jobs are joined before the statics they use go (see Abandon).
struct Registry
{
    std::mutex mutex;
    std::vector<Running> threads;
    std::atomic<bool> abandon{false};
    bool hooked = false;
};

Registry& Jobs()
{
    static auto* const registry = new Registry;
    return *registry;
}

void AbandonAtEnd()
{
    BackgroundWork::Abandon();
}

// Takes every thread out of the registry (those already ended alone, with endedOnly) to be joined outside its lock.
std::vector<Running> Take(Registry& jobs, bool endedOnly)
{
    std::vector<Running> taken;
    const std::lock_guard<std::mutex> lock(jobs.mutex);
    for (auto it = jobs.threads.begin(); it != jobs.threads.end();) {
        if (!endedOnly || it->ended->load()) {
            taken.push_back(std::move(*it));
            it = jobs.threads.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

void Join(std::vector<Running>& taken)
{
    for (Running& running : taken) {
        if (running.thread.joinable()) {
            running.thread.join();
        }
    }
}

} // namespace

namespace BackgroundWork {

bool Start(Job job, Gate gate)
{
    Registry& jobs = Jobs();
    std::vector<Running> ended = Take(jobs, true);
    Join(ended);
    auto done = std::make_shared<std::atomic<bool>>(false);
    const std::lock_guard<std::mutex> lock(jobs.mutex);
    if (!jobs.hooked) {
        // Before the application object goes, and in any case before the statics the jobs use.
        if (QCoreApplication::instance()) {
            qAddPostRoutine(AbandonAtEnd);
        }
        std::atexit(AbandonAtEnd);
        jobs.hooked = true;
    }
    jobs.abandon.store(false);
    try {
        // The store is held from here, before the job runs, until it has ended.
        std::optional<StoreGate::Hold> held;
        if (gate == Gate::Hold) {
            held.emplace();
        }
        jobs.threads.push_back({std::thread([job = std::move(job), done, &jobs, hold = std::move(held)]() mutable {
                                    job(jobs.abandon);
                                    if (hold) {
                                        hold->Release();
                                    }
                                    done->store(true);
                                }),
                                done});
    } catch (const std::system_error& e) {
        qCWarning(lcApp) << "no thread for work in the background:" << e.what();
        return false;
    }
    return true;
}

void WaitAll()
{
    std::vector<Running> taken = Take(Jobs(), false);
    Join(taken);
}

void GiveUp()
{
    Jobs().abandon.store(true);
}

void Abandon()
{
    Registry& jobs = Jobs();
    jobs.abandon.store(true);
    WaitAll();
}

} // namespace BackgroundWork
