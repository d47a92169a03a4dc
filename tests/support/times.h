// Calendar times for tests, as SYSTEMTIME and as UTC FILETIME.
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

inline FILETIME fileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                         WORD milliseconds = 0)
{
    const SYSTEMTIME time = systemTime(year, month, day, hour, minute, second, milliseconds);
    FILETIME converted{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &converted));
    return converted;
}

} // namespace vetrel::test
