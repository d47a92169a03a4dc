#include "simulator/core/device_tag.h"

#include "simulator/core/archive.h"
#include "simulator/core/random.h"
#include "simulator/core/waveform.h"

#include <array>

namespace moxlan {

namespace {

// Indexed by type number.
constexpr std::array<std::string_view, 7> kTypeNames = {
    "constant", "random", "incremental", "sine", "square", "triangle", "sawtooth"};

// Each operation is rounded to a 32-bit float on its own: separate statements keep the compiler
// from fusing the multiply and the add, which would change the values clients see.
float randomInRange(float low, float high)
{
    const float fraction = static_cast<float>(processRandom().next() / 32767.0);
    const float span = high - low;
    const float scaled = fraction * span;
    return scaled + low;
}

float incremented(float value, float step, float low, float high)
{
    float next = value + step;
    if (next > high) next = low;
    if (next < low) next = high;
    return next;
}

} // namespace

std::optional<std::string_view> simulationTypeName(std::int32_t type) noexcept
{
    if (type < 0 || static_cast<size_t>(type) >= kTypeNames.size()) return std::nullopt;
    return kTypeNames[static_cast<size_t>(type)];
}

std::optional<std::int32_t> parseSimulationType(std::string_view name) noexcept
{
    for (size_t i = 0; i < kTypeNames.size(); ++i)
        if (name == kTypeNames[i]) return static_cast<std::int32_t>(i);
    return std::nullopt;
}

CDeviceTag::CDeviceTag() : m_TimeStamp(std::time(nullptr))
{
    VariantInit(&m_Value);
    m_Value.vt = VT_R4;
    m_Value.fltVal = 0.0f;
}

void CDeviceTag::Simulate()
{
    if (m_Interval == 0) return;
    ++m_ElapsedTicks;
    if (++m_TickCount < m_Interval) return;
    m_TickCount = 0;
    m_TimeStamp = std::time(nullptr);
    if (m_Fault.frozen) return;
    if (isWaveform(m_SimType)) {
        setValue(waveformSample(m_SimType, m_Low, m_High, m_Step, m_ElapsedTicks));
        return;
    }
    switch (m_SimType) {
    case SIM_RANDOM:
        setValue(randomInRange(m_Low, m_High));
        break;
    case SIM_INCREMENTAL:
        setValue(incremented(value(), m_Step, m_Low, m_High));
        break;
    default:
        break;
    }
}

void CDeviceTag::Serialize(CArchiveWriter& archive) const
{
    archive.writeString(m_Name);
    archive.writeFloat(value());
    archive.writeInt32(m_SimType);
    archive.writeInt32(m_Interval);
    archive.writeFloat(m_Low);
    archive.writeFloat(m_High);
    archive.writeFloat(m_Step);
}

void CDeviceTag::Serialize(CArchiveReader& archive)
{
    m_Name = archive.readString();
    setValue(archive.readFloat());
    m_SimType = archive.readInt32();
    m_Interval = archive.readInt32();
    m_Low = archive.readFloat();
    m_High = archive.readFloat();
    m_Step = archive.readFloat();
}

} // namespace moxlan
