// The variable dialog's data: what it shows for a new or an existing variable, which range
// fields each simulation type uses, and how its texts become numbers.
#pragma once

#include "simulator/core/device_tag.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace moxlan {

constexpr const char* kNotANumberMessage = "Please enter a number.";
constexpr const char* kNotAnIntegerMessage = "Please enter an integer.";
constexpr const char* kSeverityMessage = "Please enter a severity from 1 to 1000.";
constexpr const char* kShortPeriodMessage =
    "The period of a wave (Step Value) must be at least 2 seconds.";

struct VariableForm
{
    std::string name;
    float value = 0.0f;
    std::int32_t interval = 0;
    std::int32_t type = SIM_CONSTANT;
    float low = 0.0f;
    float high = 0.0f;
    float step = 0.0f;
    LevelAlarms alarms;
    // A variable keeps its name: only a new one may choose it.
    bool nameEnabled = true;
};

// "New Value", constant, every second, all numbers 0.
VariableForm newVariableForm();
// The variable's fields and alarms with the name locked.
VariableForm formOf(const CDeviceTag& device);
// Everything the dialog edits goes back into the variable; the tick counter runs on.
void copyForm(const VariableForm& form, CDeviceTag& device);

struct RangeEnabling
{
    bool low = false;
    bool high = false;
    bool step = false;
};

// Constant uses no range, random its limits, incremental and the waves the limits and the
// step, which is a wave's period.
RangeEnabling rangeEnabling(std::int32_t type);
// The radio button of a type: its own for the seven types, incremental's for any other number.
int typeChoice(std::int32_t type);

// The step field's label: "Period (secs):" for a wave, "Step Value:" otherwise.
const char* stepLabel(std::int32_t type);

// What keeps OK from accepting the form beyond its texts: a wave whose period is shorter than
// kShortestPeriod. Nothing when it may be accepted.
std::optional<std::string> formProblem(const VariableForm& form);

// Six significant digits, as the dialog shows floats.
std::string floatFieldText(float value);
// A whole field that reads as a number, blanks around it allowed; nothing otherwise.
std::optional<float> parseFloatField(std::string_view text);
std::optional<std::int32_t> parseIntegerField(std::string_view text);

} // namespace moxlan
