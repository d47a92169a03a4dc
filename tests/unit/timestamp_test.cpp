// Tag timestamps: host times kept to the tick within 1980..2107, the clock never going back,
// and OLE Automation dates with their fractions of a second.
#include "support/times.h"
#include "tags/timestamp.h"

#include <gtest/gtest.h>

namespace {

using vetrel::fileTimeOf;
using vetrel::hostFileTime;
using vetrel::ticksOf;
using vetrel::test::fileTime;
using vetrel::test::systemTime;

TEST(Timestamps, HostTimesKeepEveryTickWithinTheRangeAndMoveToItsEnds)
{
    const FILETIME last = fileTimeOf(ticksOf(fileTime(2108, 1, 1, 0, 0, 0)) - 1);
    const struct
    {
        FILETIME given, kept;
    } cases[] = {
        {fileTime(2024, 5, 17, 12, 0, 0, 700), fileTime(2024, 5, 17, 12, 0, 0, 700)},
        {fileTimeOf(ticksOf(fileTime(2040, 2, 29, 23, 59, 59, 123)) + 4567),
         fileTimeOf(ticksOf(fileTime(2040, 2, 29, 23, 59, 59, 123)) + 4567)},
        {fileTime(1980, 1, 1, 0, 0, 0), fileTime(1980, 1, 1, 0, 0, 0)},
        {fileTime(1970, 1, 1, 0, 0, 1), fileTime(1980, 1, 1, 0, 0, 0)},
        {FILETIME{0, 0}, fileTime(1980, 1, 1, 0, 0, 0)},
        {fileTime(2500, 1, 1, 0, 0, 0), last},
        {FILETIME{0, 0x80000000}, last},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ticksOf(hostFileTime(c.given)), ticksOf(c.kept)) << ticksOf(c.given);
}

TEST(Timestamps, TheCurrentTimeNeverGoesBack)
{
    FILETIME system;
    GetSystemTimeAsFileTime(&system);
    uint64_t previous = ticksOf(vetrel::currentFileTime());
    EXPECT_GE(previous, ticksOf(system));
    for (int i = 0; i < 1000; ++i) {
        const uint64_t now = ticksOf(vetrel::currentFileTime());
        ASSERT_GT(now, previous);
        previous = now;
    }
}

TEST(Timestamps, OleDatesKeepFractionsOfASecond)
{
    for (const SYSTEMTIME& time :
         {systemTime(2026, 12, 7, 21, 30, 36, 522), systemTime(2040, 2, 29, 23, 59, 59, 999),
          systemTime(1980, 1, 1)}) {
        SYSTEMTIME whole = time;
        whole.wMilliseconds = 0;
        DOUBLE expected = 0.0;
        ASSERT_TRUE(SystemTimeToVariantTime(&whole, &expected));
        expected += time.wMilliseconds / 86'400'000.0;
        FILETIME converted;
        ASSERT_TRUE(SystemTimeToFileTime(&time, &converted));
        EXPECT_NEAR(vetrel::oleDateOf(converted), expected, 1e-9) << time.wYear;
    }
}

} // namespace
