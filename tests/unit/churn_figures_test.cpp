// The growth per cycle that the churn runner reports from its samples of the server's memory.
#include "churn/churn_figures.h"

#include <gtest/gtest.h>

namespace {

using churn::ChurnOutcome;
using churn::ChurnSample;
using std::chrono::seconds;

struct GrowthCase
{
    const char* name;
    std::vector<ChurnSample> samples;
    double expected;
};

TEST(ChurnFigures, GrowthPerCycleIsTheSlopeAfterWarmUpOfTheServerThatStayed)
{
    const GrowthCase cases[] = {
        {"steady growth", {{12, 100, 10'000, 7}, {14, 200, 11'000, 7}, {16, 300, 12'000, 7}}, 10},
        {"warm-up ignored",
         {{1, 10, 1'000, 7}, {12, 100, 50'000, 7}, {14, 200, 50'000, 7}, {16, 300, 50'000, 7}},
         0},
        {"noise around a slope",
         {{10, 0, 1'000, 7}, {11, 100, 3'000, 7}, {12, 200, 1'000, 7}, {13, 300, 3'000, 7}},
         4},
        {"shrinking", {{10, 0, 9'000, 7}, {11, 100, 8'000, 7}}, -10},
        {"an earlier process ignored",
         {{10, 0, 90, 7}, {11, 100, 1'000, 8}, {12, 200, 2'000, 8}},
         10},
        {"unread memory skipped", {{10, 0, 1'000, 7}, {11, 50, 0, 0}, {12, 100, 2'000, 7}}, 10},
        {"one sample", {{12, 100, 10'000, 7}}, 0},
        {"no cycles between", {{12, 100, 10'000, 7}, {13, 100, 20'000, 7}}, 0},
    };
    for (const GrowthCase& test : cases) {
        ChurnOutcome outcome;
        outcome.samples = test.samples;
        EXPECT_DOUBLE_EQ(outcome.bytesPerCycle(seconds(10)), test.expected) << test.name;
    }
}

TEST(ChurnFigures, CyclesAddUpOverClients)
{
    ChurnOutcome outcome;
    EXPECT_EQ(outcome.cycles(), 0);
    outcome.clients = {{120, 0, true, 0.5}, {80, 2, true, 1.0}};
    EXPECT_EQ(outcome.cycles(), 200);
}

} // namespace
