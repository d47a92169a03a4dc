#include "group/update_rate.h"

#include <cstdint>
#include <limits>

namespace vetrel {

DWORD reviseUpdateRate(DWORD requested, DWORD serverRate) noexcept
{
    if (requested <= serverRate) return serverRate;
    const uint64_t rounded = (uint64_t{requested} + serverRate / 2) / serverRate * serverRate;
    constexpr uint64_t kLargest = std::numeric_limits<DWORD>::max();
    if (rounded > kLargest) return static_cast<DWORD>(kLargest / serverRate * serverRate);
    return static_cast<DWORD>(rounded);
}

} // namespace vetrel
