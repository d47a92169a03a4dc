// Faults a user injects into a running variable to test what clients make of them: a quality
// other than good, published with the value, and a frozen value whose timestamp moves on.
// They belong to the running simulation and are never saved.
#pragma once

#include "vetrel/com.h"

#include <optional>
#include <string>
#include <string_view>

namespace moxlan {

enum class FaultQuality
{
    Good,
    Uncertain,
    Bad,
};

struct Fault
{
    FaultQuality quality = FaultQuality::Good;
    // The simulation leaves the value as it is; ticks still refresh the timestamp.
    bool frozen = false;
};

// The OPC quality word published for it: 192 good, 64 uncertain, 0 bad (non-specific).
WORD qualityWord(FaultQuality quality) noexcept;

// "good", "uncertain" or "bad", as commands take and print them.
const char* qualityName(FaultQuality quality) noexcept;
std::optional<FaultQuality> parseQuality(std::string_view name) noexcept;

// What the tag list shows beside a faulted variable, as "BAD", "UNCERTAIN FROZEN" or
// "FROZEN"; empty for a healthy one.
std::string faultMarker(const Fault& fault);

} // namespace moxlan
