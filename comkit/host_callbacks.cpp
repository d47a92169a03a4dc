#include "comkit/host_callbacks.h"

namespace vetrel {

HostCallbacks& hostCallbacks() noexcept
{
    static HostCallbacks callbacks;
    return callbacks;
}

} // namespace vetrel
