#include "tools/moxlan-cfg/variable_edits.h"

#include "simulator/core/variable_form.h"

#include <charconv>

namespace moxlan::cfg {

void VariableEdits::applyTo(CDeviceTag& device) const
{
    if (value) device.setValue(*value);
    if (type) device.m_SimType = *type;
    if (interval) device.m_Interval = *interval;
    if (low) device.m_Low = *low;
    if (high) device.m_High = *high;
    if (step) device.m_Step = *step;
    for (size_t level = 0; level < kAlarmLevels; ++level) {
        LevelLimit& limit = device.m_Alarms.levels[level];
        if (limitsOff[level]) limit.enabled = false;
        if (limits[level]) limit = {true, *limits[level], limit.severity};
        if (severities[level]) limit.severity = *severities[level];
    }
}

std::optional<std::int32_t> parseInterval(std::string_view text)
{
    const std::optional<std::int32_t> interval = parseIntegerField(text);
    if (interval && *interval < 0) return std::nullopt;
    return interval;
}

std::string typeName(std::int32_t type)
{
    const std::optional<std::string_view> name = simulationTypeName(type);
    return name ? std::string(*name) : std::to_string(type);
}

std::string floatText(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

} // namespace moxlan::cfg
