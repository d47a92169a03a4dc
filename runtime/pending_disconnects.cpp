#include "runtime/pending_disconnects.h"

#include "runtime/runtime_lock.h"

#include <new>

namespace vetrel {

void PendingDisconnects::add(Detachable& object) noexcept
{
    try {
        m_objects.push_back(&object);
    } catch (const std::bad_alloc&) {
        return;
    }
    object.retain();
}

void PendingDisconnects::run() noexcept
{
    // COM's disconnect may call back into the objects, which take the runtime lock.
    assertLockNotHeld();
    for (Detachable* object : m_objects) {
        CoDisconnectObject(object->identity(), 0);
        object->drop();
    }
    m_objects.clear();
}

} // namespace vetrel
