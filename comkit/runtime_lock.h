// The runtime lock: one recursive lock for the tag tree, the server list and everything below
// servers. It knows whether the calling thread holds it, so that the rules "held here" and
// "never held while a client is called" are checked where they matter, in debug builds.
#pragma once

#include "vetrel/com.h"

#include <cassert>
#include <mutex>

namespace vetrel {

class RuntimeLock
{
public:
    RuntimeLock() = default;
    RuntimeLock(const RuntimeLock&) = delete;
    RuntimeLock& operator=(const RuntimeLock&) = delete;

    void lock()
    {
        m_mutex.lock();
        ++t_depth;
    }
    bool try_lock()
    {
        if (!m_mutex.try_lock()) return false;
        ++t_depth;
        return true;
    }
    void unlock();
    static bool heldByThisThread() noexcept { return t_depth > 0; }

    // Lets go of a client's object (a sink) once this thread has released the runtime lock:
    // the release may be a call into the client's process, which a frozen client never
    // answers. Without memory to keep it, or without the lock held, it goes at once.
    static void releaseAfterUnlock(IUnknown* object) noexcept;

private:
    std::recursive_mutex m_mutex;
    // There is one runtime lock, so one count per thread serves.
    static inline thread_local int t_depth = 0;
};

// The one runtime lock of the process, made at its first use and kept to the process's end.
RuntimeLock& runtimeLock() noexcept;

using RuntimeHold = std::unique_lock<RuntimeLock>;

// Holds the runtime lock until the returned hold goes out of scope or releases it.
inline RuntimeHold holdRuntimeLock()
{
    return RuntimeHold(runtimeLock());
}

// The caller must hold the runtime lock.
inline void assertLockHeld() noexcept
{
    assert(RuntimeLock::heldByThisThread() && "the runtime lock must be held here");
}

// A client is about to be called, or a thread is about to wait for one: the runtime lock
// must not be held, or a client that calls back would deadlock.
inline void assertLockNotHeld() noexcept
{
    assert(!RuntimeLock::heldByThisThread() && "a client is called with the runtime lock held");
}

} // namespace vetrel
