// Tag timestamps: FILETIMEs (UTC, 100-ns ticks), kept and handed to clients as they are.
#pragma once

#include "vetrel/com.h"

#include <cstdint>

namespace vetrel {

// The system time, but always later than any time this function gave before: a clock set
// back must not make a tag's stamps go backwards, and two updates in the same tick of a coarse
// clock still carry stamps a client can tell apart.
FILETIME currentFileTime() noexcept;

// A time a host gave, kept to 1980-01-01 .. 2107-12-31 (the range tags have always had, and
// one every client can convert): a time outside it is moved to the nearer end.
FILETIME hostFileTime(const FILETIME& given) noexcept;

// An OLE Automation date of the same instant, fractions of a second included (the system's
// conversion through SYSTEMTIME drops them).
DOUBLE oleDateOf(const FILETIME& time) noexcept;

uint64_t ticksOf(const FILETIME& time) noexcept;
FILETIME fileTimeOf(uint64_t ticks) noexcept;

} // namespace vetrel
