#include "tags/timestamp.h"

#include <algorithm>
#include <atomic>

namespace vetrel {
namespace {

constexpr uint64_t kTicksPerDay = 86'400ULL * 10'000'000;

// Days from 1601-01-01, the FILETIME epoch, to the first day of year (Gregorian).
constexpr uint64_t daysBefore(uint64_t year) noexcept
{
    const uint64_t years = year - 1601;
    return years * 365 + years / 4 - years / 100 + years / 400;
}

constexpr uint64_t kFirstTicks = daysBefore(1980) * kTicksPerDay;
constexpr uint64_t kLastTicks = daysBefore(2108) * kTicksPerDay - 1;
static_assert(kFirstTicks == 119'600'064'000'000'000ULL, "1980-01-01 00:00:00 UTC");
// Day 0 of OLE Automation dates, 1899-12-30.
constexpr uint64_t kOleEpochTicks = (daysBefore(1899) + 363) * kTicksPerDay;

} // namespace

uint64_t ticksOf(const FILETIME& time) noexcept
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME fileTimeOf(uint64_t ticks) noexcept
{
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

FILETIME currentFileTime() noexcept
{
    static std::atomic<uint64_t> latest{0};
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = ticksOf(now);
    uint64_t seen = latest.load(std::memory_order_relaxed);
    uint64_t taken = std::max(seen + 1, ticks);
    while (!latest.compare_exchange_weak(seen, taken, std::memory_order_relaxed))
        taken = std::max(seen + 1, ticks);
    return fileTimeOf(taken);
}

DOUBLE oleDateOf(const FILETIME& time) noexcept
{
    // Dates before the OLE epoch count their fraction differently; no tag time is that early.
    const uint64_t ticks = std::max(ticksOf(time), kOleEpochTicks);
    return static_cast<DOUBLE>(ticks - kOleEpochTicks) / static_cast<DOUBLE>(kTicksPerDay);
}

FILETIME hostFileTime(const FILETIME& given) noexcept
{
    return fileTimeOf(std::clamp(ticksOf(given), kFirstTicks, kLastTicks));
}

} // namespace vetrel
