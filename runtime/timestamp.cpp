#include "runtime/timestamp.h"

#include <ctime>

namespace vetrel {
namespace {

constexpr int64_t kFileTimeTicksPerSecond = 10'000'000;
// FILETIME of 1970-01-01, in 100-ns ticks since 1601-01-01.
constexpr int64_t kUnixEpochTicks = 116'444'736'000'000'000;

// Days since 1970-01-01 of a proleptic Gregorian date.
constexpr int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) noexcept
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

constexpr int64_t kSecondsPerDay = 86'400;
constexpr int64_t kDosFirst = daysFromCivil(1980, 1, 1) * kSecondsPerDay;
constexpr int64_t kDosLast = daysFromCivil(2108, 1, 1) * kSecondsPerDay - 2;

struct CivilTime
{
    int64_t year;
    unsigned month, day, hour, minute, second;
};

CivilTime civilFromSeconds(int64_t seconds) noexcept
{
    int64_t days = seconds / kSecondsPerDay;
    int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    CivilTime civil;
    civil.day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    civil.month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    civil.year = static_cast<int64_t>(yearOfEra) + era * 400 + (civil.month <= 2);
    civil.hour = static_cast<unsigned>(rest / 3600);
    civil.minute = static_cast<unsigned>(rest / 60 % 60);
    civil.second = static_cast<unsigned>(rest % 60);
    return civil;
}

FILETIME fileTimeFromTicks(int64_t ticks) noexcept
{
    const auto bits = static_cast<uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(bits), static_cast<DWORD>(bits >> 32)};
}

} // namespace

int64_t currentTimestamp() noexcept
{
    return static_cast<int64_t>(std::time(nullptr));
}

int64_t fileTimeToTimestamp(const FILETIME& fileTime) noexcept
{
    const uint64_t ticks =
        (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    // Windows refuses FILETIMEs with the top bit set.
    if (ticks >> 63) return 0;
    return (static_cast<int64_t>(ticks) - kUnixEpochTicks) / kFileTimeTicksPerSecond;
}

FILETIME timestampToFileTime(int64_t seconds) noexcept
{
    seconds = seconds < kDosFirst ? kDosFirst : seconds > kDosLast ? kDosLast : seconds;
    const CivilTime civil = civilFromSeconds(seconds);
    const auto dosDate =
        static_cast<WORD>(((civil.year - 1980) << 9) | (civil.month << 5) | civil.day);
    const auto dosTime =
        static_cast<WORD>((civil.hour << 11) | (civil.minute << 5) | (civil.second / 2));
    FILETIME fileTime;
    if (CoDosDateTimeToFileTime(dosDate, dosTime, &fileTime)) return fileTime;
    // The clamped value is always convertible; should the platform disagree, the same
    // 2-second time computed directly still beats an unset one.
    return fileTimeFromTicks((seconds - seconds % 2) * kFileTimeTicksPerSecond + kUnixEpochTicks);
}

} // namespace vetrel
