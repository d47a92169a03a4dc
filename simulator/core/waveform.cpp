#include "simulator/core/waveform.h"

#include "simulator/core/device_tag.h"

#include <cmath>
#include <numbers>

namespace moxlan {

bool isWaveform(std::int32_t type) noexcept
{
    return type >= SIM_SINE && type <= SIM_SAWTOOTH;
}

bool periodAccepted(float period) noexcept
{
    // Written so that NaN fails it too.
    return period >= kShortestPeriod;
}

double effectivePeriod(float period) noexcept
{
    return periodAccepted(period) ? static_cast<double>(period) : kShortestPeriod;
}

float waveformSample(std::int32_t type, float low, float high, float period,
                     std::int64_t elapsedSeconds) noexcept
{
    const double p = effectivePeriod(period);
    const double u = std::fmod(static_cast<double>(elapsedSeconds), p) / p;
    const double lo = low;
    const double hi = high;
    double value = lo;
    switch (type) {
    case SIM_SINE:
        value = (lo + hi) / 2.0 + (hi - lo) / 2.0 * std::sin(2.0 * std::numbers::pi * u);
        break;
    case SIM_SQUARE:
        value = u < 0.5 ? hi : lo;
        break;
    case SIM_TRIANGLE:
        value = u < 0.5 ? lo + (hi - lo) * 2.0 * u : hi - (hi - lo) * (2.0 * u - 1.0);
        break;
    case SIM_SAWTOOTH:
        value = lo + (hi - lo) * u;
        break;
    default:
        break;
    }
    return static_cast<float>(value);
}

} // namespace moxlan
