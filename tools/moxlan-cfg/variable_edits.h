// The field options of "add" and "set": each given option overwrites one field of a variable.
#pragma once

#include "simulator/core/device_tag.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace moxlan::cfg {

struct VariableEdits
{
    std::optional<float> value;
    std::optional<std::int32_t> type;
    std::optional<std::int32_t> interval;
    std::optional<float> low;
    std::optional<float> high;
    std::optional<float> step;
    // Per alarm level (LoLo, Lo, Hi, HiHi): a limit turns the level on, off turns it off.
    std::array<std::optional<float>, kAlarmLevels> limits;
    std::array<bool, kAlarmLevels> limitsOff{};
    std::array<std::optional<std::uint32_t>, kAlarmLevels> severities;

    void applyTo(CDeviceTag& device) const;
};

// Option text to a value; nothing for text it cannot take whole. An interval is
// 0 (never step) or more: a negative one would step every tick as 1 does, so it is no setting.
std::optional<std::int32_t> parseInterval(std::string_view text);

// The type's name, or the number of a type the simulator does not know.
std::string typeName(std::int32_t type);

// The shortest text that reads back as the same float.
std::string floatText(float value);

} // namespace moxlan::cfg
