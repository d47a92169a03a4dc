// The tag list as a user sees it: which variables show on which line with which texts, where
// the value column starts, how scrolling and clicks move the top line and the selection, and
// what the Simulate menu offers.
#include "simulator/core/tag_list_layout.h"
#include "simulator/core/tag_list_pane.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using moxlan::CDeviceTag;
using moxlan::CTagListPane;
using moxlan::PaneGeometry;
using moxlan::ScrollAction;

// Every character is 8 pixels wide, lines are 16 high.
constexpr int kCharWidth = 8;
int textWidth(std::string_view text)
{
    return static_cast<int>(text.size()) * kCharWidth;
}

PaneGeometry geometry(int visibleLines, int extraPixels = 0)
{
    return {400, visibleLines * 16 + extraPixels, 10, 16};
}

class Variables
{
public:
    void add(std::string name, float value = 0.0f)
    {
        auto device = std::make_unique<CDeviceTag>();
        device->m_Name = std::move(name);
        device->setValue(value);
        m_devices.push_back(std::move(device));
    }
    int count() const { return static_cast<int>(m_devices.size()); }
    CDeviceTag& operator[](int index) { return *m_devices[static_cast<size_t>(index)]; }

    moxlan::TagListPicture layout(const PaneGeometry& pane, int top, int selected) const
    {
        return moxlan::layoutTagList(
            pane, top, selected, count(),
            [this](int index) { return m_devices[static_cast<size_t>(index)].get(); }, textWidth);
    }

private:
    std::vector<std::unique_ptr<CDeviceTag>> m_devices;
};

TEST(TagList, ValuesAndTimesHaveTheirFixedFormats)
{
    EXPECT_EQ(moxlan::tagValueText(3.14159f), "3.142");
    EXPECT_EQ(moxlan::tagValueText(1234.5f), "1234.500");
    EXPECT_EQ(moxlan::tagValueText(0.0f), "0.000");
    EXPECT_EQ(moxlan::tagValueText(-2.5f), "-2.500");

    // Local time: the hour depends on the zone, the seconds do not.
    const std::time_t stamp = 1700000000 + 39; // 22:13:59 UTC
    const std::string text = moxlan::tagTimeText(stamp);
    ASSERT_EQ(text.size(), 11u);
    EXPECT_EQ(text[2], ':');
    EXPECT_EQ(text[5], ':');
    EXPECT_EQ(text.substr(6), "59   ");
    // One second later the minute turns over.
    const std::string next = moxlan::tagTimeText(stamp + 1);
    EXPECT_EQ(next.substr(6), "00   ");
    EXPECT_EQ(std::stoi(next.substr(3, 2)), (std::stoi(text.substr(3, 2)) + 1) % 60);
}

TEST(TagList, StateColumnShowsTheTypeAndTheFaults)
{
    moxlan::CDeviceTag device;
    const struct
    {
        std::int32_t type;
        moxlan::Fault fault;
        const char* state;
    } cases[] = {
        {moxlan::SIM_SAWTOOTH, {}, "sawtooth"},
        {moxlan::SIM_SINE, {moxlan::FaultQuality::Bad, false}, "sine BAD"},
        {moxlan::SIM_RANDOM, {moxlan::FaultQuality::Uncertain, true}, "random UNCERTAIN FROZEN"},
        {9, {moxlan::FaultQuality::Good, true}, "type 9 FROZEN"},
    };
    for (const auto& c : cases) {
        device.m_SimType = c.type;
        device.m_Fault = c.fault;
        EXPECT_EQ(moxlan::tagStateText(device), c.state);
    }
}

TEST(TagList, ShowsTheWholeVisibleLinesFromTheTopLine)
{
    Variables variables;
    EXPECT_TRUE(variables.layout(geometry(5), 0, -1).rows.empty());

    for (const char* name : {"A", "B", "C", "D", "E", "F"}) variables.add(name, 1.0f);
    variables[3].m_TimeStamp = 1700000000;

    // Three whole lines and part of a fourth: the cut line is not drawn.
    const auto picture = variables.layout(geometry(3, 15), 2, 3);
    ASSERT_EQ(picture.rows.size(), 3u);
    EXPECT_EQ(picture.rows[0].index, 2);
    EXPECT_EQ(picture.rows[0].y, 0);
    EXPECT_EQ(picture.rows[1].index, 3);
    EXPECT_EQ(picture.rows[1].y, 16);
    EXPECT_EQ(picture.rows[1].name, moxlan::tagTimeText(1700000000) + "D");
    EXPECT_EQ(picture.rows[1].value, "1.000");
    EXPECT_EQ(picture.rows[1].state, "constant");
    EXPECT_TRUE(picture.rows[1].selected);
    EXPECT_FALSE(picture.rows[0].selected);
    EXPECT_FALSE(picture.rows[2].selected);
    EXPECT_EQ(picture.rows[2].y, 32);

    // Near the end only the existing variables show, from the top of the pane.
    const auto end = variables.layout(geometry(5), 4, -1);
    ASSERT_EQ(end.rows.size(), 2u);
    EXPECT_EQ(end.rows[0].index, 4);
    EXPECT_EQ(end.rows[1].index, 5);
    EXPECT_EQ(end.rows[1].y, 16);

    // A pane lower than one line shows nothing.
    EXPECT_TRUE(variables.layout(geometry(0, 15), 0, -1).rows.empty());
}

TEST(TagList, ValueColumnFollowsTheWidestVisibleName)
{
    Variables variables;
    variables.add("Short");
    variables.add("Mid.Name");
    variables.add("A.Much.Longer.Name");

    // Time text (11) + "Mid.Name" (8) is the widest of the first two lines.
    const auto top = variables.layout(geometry(2), 0, -1);
    EXPECT_EQ(top.valueX, (11 + 8) * kCharWidth + 2 * 10);

    // Scrolling the longer name into view moves the column right.
    const auto scrolled = variables.layout(geometry(2), 1, -1);
    EXPECT_EQ(scrolled.valueX, (11 + 18) * kCharWidth + 2 * 10);

    // With nothing drawn the column starts at the two character widths.
    EXPECT_EQ(Variables().layout(geometry(2), 0, -1).valueX, 2 * 10);
}

TEST(TagList, ScrollingClampsTheTopLineAndIgnoresAnEmptyList)
{
    CTagListPane pane;
    EXPECT_FALSE(pane.scroll(ScrollAction::LineDown, 0, 4, 0));
    EXPECT_FALSE(pane.scroll(ScrollAction::ThumbPosition, 7, 4, 0));
    EXPECT_EQ(pane.topLine(), 0);

    const int count = 10;
    EXPECT_TRUE(pane.scroll(ScrollAction::LineDown, 0, 4, count));
    EXPECT_EQ(pane.topLine(), 1);
    pane.scroll(ScrollAction::PageDown, 0, 4, count);
    EXPECT_EQ(pane.topLine(), 5);
    pane.scroll(ScrollAction::PageDown, 0, 4, count);
    pane.scroll(ScrollAction::PageDown, 0, 4, count);
    EXPECT_EQ(pane.topLine(), 9); // the last variable alone at the top
    pane.scroll(ScrollAction::LineDown, 0, 4, count);
    EXPECT_EQ(pane.topLine(), 9);
    pane.scroll(ScrollAction::PageUp, 0, 4, count);
    EXPECT_EQ(pane.topLine(), 5);
    pane.scroll(ScrollAction::LineUp, 0, 4, count);
    EXPECT_EQ(pane.topLine(), 4);

    // Tracking the thumb moves nothing; releasing it jumps to its position, clamped.
    pane.scroll(ScrollAction::ThumbTrack, 8, 4, count);
    EXPECT_EQ(pane.topLine(), 4);
    pane.scroll(ScrollAction::ThumbPosition, 8, 4, count);
    EXPECT_EQ(pane.topLine(), 8);
    pane.scroll(ScrollAction::ThumbPosition, 150, 4, count);
    EXPECT_EQ(pane.topLine(), 9);
    pane.scroll(ScrollAction::PageUp, 0, 4, count);
    pane.scroll(ScrollAction::PageUp, 0, 4, count);
    pane.scroll(ScrollAction::PageUp, 0, 4, count);
    EXPECT_EQ(pane.topLine(), 0);

    // A list that shrank below the top line is pulled back by the next request.
    pane.scroll(ScrollAction::ThumbPosition, 9, 4, count);
    EXPECT_TRUE(pane.scroll(ScrollAction::Other, 0, 4, 3));
    EXPECT_EQ(pane.topLine(), 2);
}

TEST(TagList, ClicksSelectTheLineUnderThemOrNothing)
{
    CTagListPane pane;
    // An empty list: a click anywhere selects nothing.
    pane.click(0, 16, 0);
    EXPECT_EQ(pane.selected(), -1);

    pane.click(17, 16, 3);
    EXPECT_EQ(pane.selected(), 1);
    pane.click(15, 16, 3);
    EXPECT_EQ(pane.selected(), 0);
    // Below the last variable the selection goes.
    pane.click(48, 16, 3);
    EXPECT_EQ(pane.selected(), -1);

    // Clicks count from the top line.
    pane.scroll(ScrollAction::LineDown, 0, 2, 3);
    pane.click(20, 16, 3);
    EXPECT_EQ(pane.selected(), 2);
}

TEST(TagList, DeletingKeepsTheIndexUnlessTheListEndsBeforeIt)
{
    CTagListPane pane;
    // The middle of three is deleted: the same index now shows the next variable.
    pane.click(16, 16, 3);
    pane.removed(2);
    EXPECT_EQ(pane.selected(), 1);
    // The last line is deleted: nothing stays selected.
    pane.removed(1);
    EXPECT_EQ(pane.selected(), -1);
    pane.removed(0);
    EXPECT_EQ(pane.selected(), -1);
}

TEST(TagList, SimulateMenuFollowsTheListAndTheSelection)
{
    CTagListPane pane;
    auto commands = pane.commands(0);
    EXPECT_TRUE(commands.newVariable);
    EXPECT_FALSE(commands.modify);
    EXPECT_FALSE(commands.remove);

    pane.click(0, 16, 199);
    commands = pane.commands(199);
    EXPECT_TRUE(commands.newVariable);
    EXPECT_TRUE(commands.modify);
    EXPECT_TRUE(commands.remove);

    // A full list, or a longer one loaded from a file, takes no new variable.
    EXPECT_FALSE(pane.commands(200).newVariable);
    EXPECT_FALSE(pane.commands(250).newVariable);

    // Clicking below the last variable disables Modify and Delete.
    pane.click(16 * 5, 16, 3);
    commands = pane.commands(3);
    EXPECT_FALSE(commands.modify);
    EXPECT_FALSE(commands.remove);
}

} // namespace
