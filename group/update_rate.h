// The update rate a group runs at: a multiple of the server rate, the runtime's one timer.
#pragma once

#include "vetrel/com.h"

namespace vetrel {

// The server rate never goes below this, in milliseconds.
constexpr DWORD kMinimumServerRate = 10;

// The period of the runtime's timer, which every group's update rate is a multiple of.
DWORD serverRate() noexcept;
// Raised to kMinimumServerRate when below it; the new rate.
DWORD setServerRate(DWORD rate) noexcept;

// The requested rate rounded to the nearest multiple of serverRate, halves upwards, and never
// below serverRate. A rate whose rounding would pass 32 bits gets the largest multiple that
// fits.
DWORD reviseUpdateRate(DWORD requested, DWORD serverRate) noexcept;

} // namespace vetrel
