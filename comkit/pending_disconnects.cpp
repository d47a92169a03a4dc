#include "comkit/pending_disconnects.h"

#include "comkit/client_lane.h"
#include "comkit/runtime_lock.h"

#include <memory>
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
        object->disconnectParts();
        object->drop();
    }
    m_objects.clear();
}

} // namespace vetrel

namespace vetrel {

void PendingDisconnects::runElsewhere() noexcept
{
    if (m_objects.empty()) return;
    try {
        auto elsewhere = std::make_shared<PendingDisconnects>();
        elsewhere->m_objects = std::move(m_objects);
        m_objects.clear();
        if (runOnOwnThread([elsewhere] { elsewhere->run(); })) return;
        m_objects = std::move(elsewhere->m_objects);
    } catch (const std::bad_alloc&) {
        // The disconnects run here.
    }
    run();
}

} // namespace vetrel
