// The time prefix of an event line: the whole date and time, whatever the clock reports.
#include "simulator/core/event_log.h"
#include "support/times.h"

#include <gtest/gtest.h>

namespace {

using vetrel::test::systemTime;

TEST(EventLog, PrefixHoldsTheWholeTimeEvenForOutOfRangeFields)
{
    const struct
    {
        SYSTEMTIME time;
        const char* prefix;
    } cases[] = {
        {systemTime(2024, 12, 7, 12, 30, 5), "07-Dec-2024 12:30:05 "},
        {systemTime(1601, 1, 1), "01-Jan-1601 00:00:00 "},
        // A month the table lacks reads as January rather than indexing past it.
        {systemTime(2024, 13, 1), "01-Jan-2024 00:00:00 "},
        {systemTime(65535, 0, 65535, 65535, 65535, 65535), "65535-Jan-65535 65535:65535:65535 "},
    };
    for (const auto& c : cases) EXPECT_EQ(moxlan::eventTimePrefix(c.time), c.prefix);
}

} // namespace
