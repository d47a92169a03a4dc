// Calendar times for tests, as SYSTEMTIME and as UTC FILETIME, and FILETIMEs as tick counts.
#pragma once

#include "vetrel/com.h"

#include <gtest/gtest.h>

namespace vetrel::test {

inline SYSTEMTIME systemTime(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0,
                             WORD second = 0, WORD milliseconds = 0)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

// A FILETIME as one number of 100-ns ticks, for comparing and ordering.
inline ULONGLONG ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME fileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                         WORD milliseconds = 0)
{
    const SYSTEMTIME time = systemTime(year, month, day, hour, minute, second, milliseconds);
    FILETIME converted{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &converted));
    return converted;
}

} // namespace vetrel::test
