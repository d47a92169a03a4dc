#include "simulator/core/fault.h"

#include <array>

namespace moxlan {

namespace {

struct QualityEntry
{
    FaultQuality quality;
    const char* name;
    WORD word;
    const char* marker;
};

constexpr std::array<QualityEntry, 3> kQualities = {{
    {FaultQuality::Good, "good", 0xC0, ""},
    {FaultQuality::Uncertain, "uncertain", 0x40, "UNCERTAIN"},
    {FaultQuality::Bad, "bad", 0x00, "BAD"},
}};

const QualityEntry& entryOf(FaultQuality quality) noexcept
{
    return kQualities[static_cast<size_t>(quality)];
}

} // namespace

WORD qualityWord(FaultQuality quality) noexcept
{
    return entryOf(quality).word;
}

const char* qualityName(FaultQuality quality) noexcept
{
    return entryOf(quality).name;
}

std::optional<FaultQuality> parseQuality(std::string_view name) noexcept
{
    for (const QualityEntry& entry : kQualities)
        if (name == entry.name) return entry.quality;
    return std::nullopt;
}

std::string faultMarker(const Fault& fault)
{
    std::string marker = entryOf(fault.quality).marker;
    if (fault.frozen) marker += marker.empty() ? "FROZEN" : " FROZEN";
    return marker;
}

} // namespace moxlan
