// CDeviceTag: one simulated process variable, published as one runtime tag and stepped once per
// simulation tick by its own rule.
#pragma once

#include "vetrel/com.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace moxlan {

class CArchiveReader;
class CArchiveWriter;

enum SimulationType : std::int32_t
{
    SIM_CONSTANT = 0,
    SIM_RANDOM = 1,
    SIM_INCREMENTAL = 2,
};

class CDeviceTag
{
public:
    CDeviceTag();

    // One tick: counts towards the interval and, when it is reached, steps the value by the
    // simulation type and refreshes the timestamp.
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
    float m_Step = 0.5f;
};

} // namespace moxlan
