#include "server/runtime_status.h"

#include "comkit/runtime_lock.h"

namespace vetrel {

RuntimeStatus& runtimeStatus() noexcept
{
    assertLockHeld();
    static RuntimeStatus status;
    return status;
}

} // namespace vetrel
