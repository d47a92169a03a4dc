// Tag timestamps as clients receive them: FILETIMEs of 2-second resolution.
#include "runtime/timestamp.h"
#include "support/times.h"

#include <gtest/gtest.h>

namespace {

using vetrel::fileTimeToTimestamp;
using vetrel::timestampToFileTime;
using vetrel::test::fileTime;

SYSTEMTIME utc(const FILETIME& fileTime)
{
    SYSTEMTIME time{};
    EXPECT_TRUE(FileTimeToSystemTime(&fileTime, &time));
    return time;
}

TEST(Timestamps, FractionsAreDroppedAndSecondsRoundDownToEven)
{
    const int64_t noon = fileTimeToTimestamp(fileTime(2024, 5, 17, 12, 0, 0, 700));
    EXPECT_EQ(noon % 86400, 12 * 3600);
    SYSTEMTIME seen = utc(timestampToFileTime(noon));
    EXPECT_EQ(seen.wYear, 2024);
    EXPECT_EQ(seen.wMonth, 5);
    EXPECT_EQ(seen.wDay, 17);
    EXPECT_EQ(seen.wHour, 12);
    EXPECT_EQ(seen.wSecond, 0);
    EXPECT_EQ(seen.wMilliseconds, 0);
    seen = utc(timestampToFileTime(noon + 1));
    EXPECT_EQ(seen.wSecond, 0);
    seen = utc(timestampToFileTime(noon + 59));
    EXPECT_EQ(seen.wMinute, 0);
    EXPECT_EQ(seen.wSecond, 58);
}

TEST(Timestamps, TimesBeyondTheDosRangeAreClampedNotLost)
{
    // 2038 and later pass through 64-bit arithmetic unharmed.
    const int64_t late = fileTimeToTimestamp(fileTime(2040, 2, 29, 23, 59, 59));
    SYSTEMTIME seen = utc(timestampToFileTime(late));
    EXPECT_EQ(seen.wYear, 2040);
    EXPECT_EQ(seen.wMonth, 2);
    EXPECT_EQ(seen.wDay, 29);
    EXPECT_EQ(seen.wSecond, 58);

    seen = utc(timestampToFileTime(0));
    EXPECT_EQ(seen.wYear, 1980);
    EXPECT_EQ(seen.wMonth, 1);
    EXPECT_EQ(seen.wDay, 1);
    seen = utc(timestampToFileTime(-86400LL * 365 * 500));
    EXPECT_EQ(seen.wYear, 1980);

    seen = utc(timestampToFileTime(fileTimeToTimestamp(fileTime(2500, 1, 1, 0, 0, 0))));
    EXPECT_EQ(seen.wYear, 2107);
    EXPECT_EQ(seen.wMonth, 12);
    EXPECT_EQ(seen.wDay, 31);
    EXPECT_EQ(seen.wHour, 23);
    EXPECT_EQ(seen.wMinute, 59);
    EXPECT_EQ(seen.wSecond, 58);
}

TEST(Timestamps, UnconvertibleFileTimeGivesZero)
{
    EXPECT_EQ(fileTimeToTimestamp(FILETIME{0, 0x80000000}), 0);
    EXPECT_EQ(fileTimeToTimestamp(fileTime(1970, 1, 1, 0, 0, 0)), 0);
    EXPECT_EQ(fileTimeToTimestamp(fileTime(1970, 1, 1, 0, 0, 1, 999)), 1);
}

} // namespace
