// Tag timestamps: whole seconds since 1970-01-01 UTC, kept in 64 bits, handed to clients as
// FILETIMEs made through the MS-DOS date and time format (2-second resolution).
#pragma once

#include "vetrel/com.h"

#include <cstdint>

namespace vetrel {

int64_t currentTimestamp() noexcept;
// Fractions of a second are dropped; a FILETIME beyond what Windows can convert gives 0.
int64_t fileTimeToTimestamp(const FILETIME& fileTime) noexcept;
// Clamped to what the MS-DOS format holds (1980 to 2107), so every tag yields a valid time.
FILETIME timestampToFileTime(int64_t seconds) noexcept;

} // namespace vetrel
