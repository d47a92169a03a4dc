#include "simulator/core/level_alarms.h"

#include "simulator/core/variable_form.h"

namespace moxlan {

std::string_view alarmLevelName(int level) noexcept
{
    constexpr std::array<std::string_view, kAlarmLevels> kNames = {"lolo", "lo", "hi", "hihi"};
    return kNames[static_cast<size_t>(level)];
}

std::optional<std::uint32_t> parseSeverity(std::string_view text)
{
    const std::optional<std::int32_t> severity = parseIntegerField(text);
    if (!severity || *severity < static_cast<std::int32_t>(kLeastSeverity) ||
        *severity > static_cast<std::int32_t>(kGreatestSeverity))
        return std::nullopt;
    return static_cast<std::uint32_t>(*severity);
}

} // namespace moxlan
