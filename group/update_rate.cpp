#include "group/update_rate.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>

namespace vetrel {
namespace {

// Read by client calls without the runtime lock; written by the host.
std::atomic<DWORD> currentServerRate{kMinimumServerRate};

} // namespace

DWORD serverRate() noexcept
{
    return currentServerRate.load();
}

DWORD setServerRate(DWORD rate) noexcept
{
    rate = std::max(rate, kMinimumServerRate);
    currentServerRate = rate;
    return rate;
}

DWORD reviseUpdateRate(DWORD requested, DWORD serverRate) noexcept
{
    if (requested <= serverRate) return serverRate;
    const uint64_t rounded = (uint64_t{requested} + serverRate / 2) / serverRate * serverRate;
    constexpr uint64_t kLargest = std::numeric_limits<DWORD>::max();
    if (rounded > kLargest) return static_cast<DWORD>(kLargest / serverRate * serverRate);
    return static_cast<DWORD>(rounded);
}

} // namespace vetrel
