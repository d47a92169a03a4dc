// The periodic simulation types: sine, square, triangle and sawtooth between a variable's two
// range ends, with its step field as the period in seconds.
#pragma once

#include <cstdint>

namespace moxlan {

// A period shorter than two one-second ticks cannot show a wave's two halves. Editors refuse
// it; a file written elsewhere may still hold one, and the simulation then uses this period.
constexpr float kShortestPeriod = 2.0f;

bool isWaveform(std::int32_t type) noexcept;

// At least kShortestPeriod; false for NaN.
bool periodAccepted(float period) noexcept;

// The period a wave runs with: the given one, or kShortestPeriod for one shorter than that or
// that is no number.
double effectivePeriod(float period) noexcept;

// The wave of that type at elapsed seconds from its phase origin, with u the fraction of the
// period gone (elapsed modulo period, divided by the period):
//   sine      mid + amp * sin(2 pi u), mid = (low + high) / 2, amp = (high - low) / 2
//   square    high while u < 1/2, low after
//   triangle  low + (high - low) * 2u while u < 1/2, high - (high - low) * (2u - 1) after
//   sawtooth  low + (high - low) * u, back to low when the period begins again
// Computed in double and rounded to float once. The ends are used as given: low above high
// mirrors the wave. Sampling at any interval takes the wave where it is, so an interval that
// does not divide the period, or is longer than half of it, shows the wave aliased as a
// sampling instrument would. Type must be a waveform type.
float waveformSample(std::int32_t type, float low, float high, float period,
                     std::int64_t elapsedSeconds) noexcept;

} // namespace moxlan
