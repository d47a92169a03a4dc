// The edge of a COM method of an object that lives under the runtime lock: nothing thrown
// escapes, the lock is held for the body, and an inert object answers E_FAIL.
#pragma once

#include "comkit/com_boundary.h"
#include "comkit/runtime_lock.h"

namespace vetrel {

// body(lock) runs with the runtime lock held; it may release and retake it.
template <typename Owner, typename Body>
HRESULT lockedBoundary(const Owner& owner, Body&& body) noexcept
{
    return comBoundary([&]() -> HRESULT {
        auto held = holdRuntimeLock();
        if (owner.inert()) return E_FAIL;
        return body(held);
    });
}

} // namespace vetrel
