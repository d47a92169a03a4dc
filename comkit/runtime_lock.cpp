#include "comkit/runtime_lock.h"

#include <new>
#include <utility>
#include <vector>

namespace vetrel {
namespace {

// The objects this thread lets go of once it releases the runtime lock. A plain pointer, so
// that nothing of the library runs when a thread ends after the library is gone.
thread_local std::vector<IUnknown*>* t_releases = nullptr;

} // namespace

RuntimeLock& runtimeLock() noexcept
{
    static RuntimeLock lock;
    return lock;
}

void RuntimeLock::unlock()
{
    const bool last = --t_depth == 0;
    m_mutex.unlock();
    if (!last || !t_releases) return;
    const std::vector<IUnknown*>* releases = std::exchange(t_releases, nullptr);
    for (IUnknown* object : *releases) object->Release();
    delete releases;
}

void RuntimeLock::releaseAfterUnlock(IUnknown* object) noexcept
{
    if (!object) return;
    if (heldByThisThread()) {
        try {
            if (!t_releases) t_releases = new std::vector<IUnknown*>;
            t_releases->push_back(object);
            return;
        } catch (const std::bad_alloc&) {
            // Without memory to keep it, it goes now.
        }
    }
    object->Release();
}

} // namespace vetrel
