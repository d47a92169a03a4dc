// Calendar arithmetic on FILETIME values (100-nanosecond ticks since 1601-01-01 UTC), shared by
// the system time and DOS time conversions.
#pragma once

#include "vetrel/com.h"

#include <cstdint>

namespace vetrel::posix {

inline constexpr uint64_t kTicksPerSecond = 10'000'000;
inline constexpr uint64_t kTicksPerDay = kTicksPerSecond * 86'400;

struct CivilDate
{
    int year;
    unsigned month; // 1..12
    unsigned day;   // 1..31
};

// The most days a month can have. Windows checks a day only against this, so 29 February of a
// common year is accepted and stands for 1 March.
inline unsigned longestMonth(unsigned month)
{
    constexpr unsigned kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[month - 1];
}

// Days from 1601-01-01 to the given date of the proleptic Gregorian calendar (year >= 1601).
inline int64_t daysSince1601(const CivilDate& date)
{
    // Counting years from March puts the leap day last, so the month offsets are fixed.
    int64_t year = date.year - (date.month <= 2 ? 1 : 0) - 1600;
    int64_t monthFromMarch = (date.month + 9) % 12;
    int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;
    int64_t days = year * 365 + year / 4 - year / 100 + year / 400 + dayOfYear;
    return days - 306; // 1600-03-01 .. 1601-01-01
}

inline CivilDate civilFromDaysSince1601(int64_t days)
{
    days += 306; // count from 1600-03-01, the start of a 400-year cycle
    int64_t era = days / 146'097;
    int64_t dayOfEra = days - era * 146'097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    unsigned day = static_cast<unsigned>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    unsigned month =
        static_cast<unsigned>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    int year = static_cast<int>(1600 + era * 400 + yearOfEra + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

inline uint64_t ticksOf(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME fileTimeOf(uint64_t ticks)
{
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

} // namespace vetrel::posix
