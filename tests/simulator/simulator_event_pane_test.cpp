// The event log pane: it follows the newest line until the log is full, scrolls over its
// lines, and starts again at the top after Clear Events.
#include "simulator/core/event_log_pane.h"
#include "support/times.h"

#include <gtest/gtest.h>

namespace {

using moxlan::CEventLogPane;
using moxlan::ScrollAction;
using vetrel::test::systemTime;

const SYSTEMTIME kTime = systemTime(2024, 6, 1, 12, 0, 0);

TEST(EventLogPane, FollowsTheNewestLineOnceThePaneOverflows)
{
    CEventLogPane pane;
    for (int i = 1; i <= 5; ++i) {
        pane.addLine(std::to_string(i), kTime, 5);
        EXPECT_EQ(pane.topLine(), 0);
    }
    pane.addLine("6", kTime, 5);
    EXPECT_EQ(pane.topLine(), 1);
    pane.addLine("7", kTime, 5);
    EXPECT_EQ(pane.topLine(), 2);

    // A user who scrolled up is brought back down by the next line.
    EXPECT_TRUE(pane.scroll(ScrollAction::ThumbPosition, 0, 5));
    EXPECT_EQ(pane.topLine(), 0);
    pane.addLine("8", kTime, 5);
    EXPECT_EQ(pane.topLine(), 3);
    EXPECT_EQ(pane.log().lines()[3], "01-Jun-2024 12:00:00 4");
}

TEST(EventLogPane, AFullLogKeepsItsTopLineWhileTheContentMovesUp)
{
    CEventLogPane pane;
    for (int i = 1; i <= 999; ++i) pane.addLine(std::to_string(i), kTime, 10);
    EXPECT_EQ(pane.topLine(), 989);

    // The thousandth line no longer scrolls the pane.
    pane.addLine("1000", kTime, 10);
    EXPECT_EQ(pane.lineCount(), 1000);
    EXPECT_EQ(pane.topLine(), 989);

    // The 1001st removes the first; the top line stays where it was.
    pane.addLine("1001", kTime, 10);
    EXPECT_EQ(pane.lineCount(), 1000);
    EXPECT_EQ(pane.topLine(), 989);
    EXPECT_EQ(pane.log().lines().front(), "01-Jun-2024 12:00:00 2");
    EXPECT_EQ(pane.log().lines()[989], "01-Jun-2024 12:00:00 991");
}

TEST(EventLogPane, ClearStartsAgainAtTheTop)
{
    CEventLogPane pane;
    EXPECT_FALSE(pane.scroll(ScrollAction::LineDown, 0, 3));
    for (int i = 0; i < 20; ++i) pane.addLine("line", kTime, 3);
    EXPECT_EQ(pane.topLine(), 17);

    pane.clear();
    EXPECT_EQ(pane.topLine(), 0);
    EXPECT_EQ(pane.lineCount(), 0);
    EXPECT_FALSE(pane.scroll(ScrollAction::PageDown, 0, 3));

    // The next event shows on the first line.
    pane.addLine("after", kTime, 3);
    EXPECT_EQ(pane.topLine(), 0);
    ASSERT_EQ(pane.lineCount(), 1);
    EXPECT_EQ(pane.log().lines()[0], "01-Jun-2024 12:00:00 after");
    EXPECT_EQ(pane.log().copyText(), "01-Jun-2024 12:00:00 after\r\n");
}

TEST(EventLogPane, ScrollsOverItsLines)
{
    CEventLogPane pane;
    for (int i = 0; i < 12; ++i) pane.addLine("line", kTime, 4);
    EXPECT_EQ(pane.topLine(), 8);
    pane.scroll(ScrollAction::PageUp, 0, 4);
    EXPECT_EQ(pane.topLine(), 4);
    pane.scroll(ScrollAction::LineDown, 0, 4);
    EXPECT_EQ(pane.topLine(), 5);
    pane.scroll(ScrollAction::PageDown, 0, 4);
    pane.scroll(ScrollAction::PageDown, 0, 4);
    EXPECT_EQ(pane.topLine(), 11);
    pane.scroll(ScrollAction::ThumbTrack, 2, 4);
    EXPECT_EQ(pane.topLine(), 11);
}

} // namespace
