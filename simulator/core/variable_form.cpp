#include "simulator/core/variable_form.h"

#include "simulator/core/waveform.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace moxlan {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

} // namespace

VariableForm newVariableForm()
{
    VariableForm form;
    form.name = "New Value";
    form.interval = 1;
    return form;
}

VariableForm formOf(const CDeviceTag& device)
{
    VariableForm form;
    form.name = device.m_Name;
    form.value = device.value();
    form.interval = device.m_Interval;
    form.type = device.m_SimType;
    form.low = device.m_Low;
    form.high = device.m_High;
    form.step = device.m_Step;
    form.alarms = device.m_Alarms;
    form.nameEnabled = false;
    return form;
}

void copyForm(const VariableForm& form, CDeviceTag& device)
{
    device.m_Name = form.name;
    device.setValue(form.value);
    device.m_SimType = form.type;
    device.m_Step = form.step;
    device.m_Low = form.low;
    device.m_High = form.high;
    device.m_Interval = form.interval;
    device.m_Alarms = form.alarms;
}

RangeEnabling rangeEnabling(std::int32_t type)
{
    switch (typeChoice(type)) {
    case SIM_CONSTANT:
        return {false, false, false};
    case SIM_RANDOM:
        return {true, true, false};
    default:
        return {true, true, true};
    }
}

int typeChoice(std::int32_t type)
{
    return simulationTypeName(type) ? type : SIM_INCREMENTAL;
}

const char* stepLabel(std::int32_t type)
{
    return isWaveform(type) ? "Period (secs):" : "Step Value:";
}

std::optional<std::string> formProblem(const VariableForm& form)
{
    if (isWaveform(form.type) && !periodAccepted(form.step)) return kShortPeriodMessage;
    return std::nullopt;
}

std::string floatFieldText(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", std::numeric_limits<float>::digits10,
                  static_cast<double>(value));
    return text;
}

std::optional<float> parseFloatField(std::string_view text)
{
    const std::string field(trimmed(text));
    if (field.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(field.c_str(), &end);
    if (end != field.c_str() + field.size()) return std::nullopt;
    const auto value = static_cast<float>(parsed);
    // Text beyond the float range is no number the variable can hold.
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int32_t> parseIntegerField(std::string_view text)
{
    const std::string field(trimmed(text));
    if (field.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(field.c_str(), &end, 10);
    if (end != field.c_str() + field.size() || errno == ERANGE) return std::nullopt;
    if (parsed < std::numeric_limits<std::int32_t>::min() ||
        parsed > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(parsed);
}

} // namespace moxlan
