// CDeviceTag: one simulated process variable, published as one runtime tag and stepped once per
// simulation tick by its own rule.
#pragma once

#include "simulator/core/fault.h"
#include "simulator/core/level_alarms.h"
#include "vetrel/com.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace moxlan {

class CArchiveReader;
class CArchiveWriter;

enum SimulationType : std::int32_t
{
    SIM_CONSTANT = 0,
    SIM_RANDOM = 1,
    SIM_INCREMENTAL = 2,
    // The periodic types of waveform.h; readers that know only the first three hold them
    // constant.
    SIM_SINE = 3,
    SIM_SQUARE = 4,
    SIM_TRIANGLE = 5,
    SIM_SAWTOOTH = 6,
};

// "constant", "random", "incremental", "sine", "square", "triangle" or "sawtooth"; nothing for
// a number no type has.
std::optional<std::string_view> simulationTypeName(std::int32_t type) noexcept;
std::optional<std::int32_t> parseSimulationType(std::string_view name) noexcept;

class CDeviceTag
{
public:
    CDeviceTag();

    // One tick: counts towards the interval and, when it is reached, steps the value by the
    // simulation type (unless frozen) and refreshes the timestamp.
    void Simulate();

    // The saved fields in file order: name, value bits, type, interval, low, high, step.
    void Serialize(CArchiveWriter& archive) const;
    // Fills the saved fields; the others keep what construction gave them.
    void Serialize(CArchiveReader& archive);

    float value() const noexcept { return m_Value.fltVal; }
    void setValue(float value) noexcept { m_Value.fltVal = value; }

    std::string m_Name;
    std::int32_t m_hTag = -1;
    // Always VT_R4, so it owns nothing that would need clearing.
    VARIANT m_Value;
    std::time_t m_TimeStamp;
    std::int32_t m_SimType = SIM_CONSTANT;
    std::int32_t m_Interval = 1;
    std::int32_t m_TickCount = 0;
    float m_Low = 0.0f;
    float m_High = 100.0f;
    // The period in seconds of the waveform types.
    float m_Step = 0.5f;
    // Ticks since creation or load: the phase origin of the waveform types. Not saved.
    std::int64_t m_ElapsedTicks = 0;
    // Not saved.
    Fault m_Fault;
    // Saved beside the configuration file, not in its record.
    LevelAlarms m_Alarms;
};

} // namespace moxlan
