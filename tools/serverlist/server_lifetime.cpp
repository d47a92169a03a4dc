#include "server_lifetime.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace serverlist {
namespace {

std::mutex lifetimeLock;
std::condition_variable lastReleased;
bool held = false;
bool done = false;

} // namespace

void holdProcess() noexcept
{
    // COM suspends the class objects when the count drops to zero, so no client is handed an
    // object of a process that is about to end.
    CoAddRefServerProcess();
    const std::lock_guard lock(lifetimeLock);
    held = true;
}

void releaseProcess() noexcept
{
    if (CoReleaseServerProcess() != 0) return;
    const std::lock_guard lock(lifetimeLock);
    done = true;
    lastReleased.notify_all();
}

void waitForLastClient(DWORD firstClientMs)
{
    std::unique_lock lock(lifetimeLock);
    // COM starts the process for a client about to connect; one that never does must not leave
    // it behind.
    if (!lastReleased.wait_for(lock, std::chrono::milliseconds(firstClientMs),
                               [] { return done || held; }))
        return;
    lastReleased.wait(lock, [] { return done; });
}

} // namespace serverlist
