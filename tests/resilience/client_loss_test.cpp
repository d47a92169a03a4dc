// Clients of the example host that die or freeze while subscribed: the host lets go of a dead
// one, and neither holds up the reports of another client.
#include "programs.h"

#include <gtest/gtest.h>
#include <memory>
#include <string_view>
#include <thread>

namespace {

using namespace resilience;
using e2e::WineChild;

constexpr int kScanPeriodMs = 250;
// Example.Tank.Level moves once a second; between its reports a healthy client waits at most
// that second and a few scan periods.
constexpr auto kLongestPause = std::chrono::milliseconds(3 * kScanPeriodMs + 1000);
constexpr DWORD kDropTimeoutMs = 10000;
constexpr auto kFreeze = std::chrono::seconds(15);
// How long a stream is watched after a client died.
constexpr auto kAfterDeath = std::chrono::seconds(10);

// The client that dies or freezes watches through the 3.0 interfaces, so its keep-alive and
// refresh are due to it too; the other one watches through those of 2.0.
const std::string kWatch = "--progid Vetrel.ExampleHost --da 3 watch Example.Tank.Level --rate " +
                           std::to_string(kScanPeriodMs);
const std::string kJsonWatch = "--progid Vetrel.ExampleHost --json --da 2 watch "
                               "Example.Tank.Level --rate " +
                               std::to_string(kScanPeriodMs);

// One host serves every case; each case counts clients from what it found.
class ClientLoss : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_exampleHost = startExampleHost(); }
    static void TearDownTestSuite() { s_exampleHost.reset(); }

    static e2e::RunningProgram& host() { return s_exampleHost->program(); }

    // A watch that has printed its first value.
    static std::unique_ptr<WineChild> startWatch(const std::string& arguments)
    {
        auto watch = std::make_unique<WineChild>("opcprobe.exe", arguments);
        EXPECT_TRUE(watch->program().waitForLine("Example.Tank.Level", kStartTimeoutMs))
            << watch->program().output();
        return watch;
    }

    // The host's client count once it counts every client started so far.
    static int clientsNow(int atLeast)
    {
        EXPECT_TRUE(host().waitForLines(
            [atLeast](const std::vector<std::string>& lines) {
                return lastClientCount(lines).value_or(-1) >= atLeast;
            },
            kStartTimeoutMs));
        return lastClientCount(host().lines()).value_or(-1);
    }

    // The host's lines from line first on that contain text, one per line.
    static std::string linesAfter(size_t first, std::string_view text)
    {
        const std::vector<std::string> lines = host().lines();
        std::string found;
        for (size_t i = first; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos) found += lines[i] + '\n';
        return found;
    }

    static inline std::unique_ptr<WineChild> s_exampleHost;
};

TEST_F(ClientLoss, AKilledSubscriberIsDroppedWhileAnotherStreamFlowsOn)
{
    const auto victim = startWatch(kWatch);
    const auto observer = startWatch(kJsonWatch);
    const int clients = clientsNow(2);

    const size_t seen = host().lines().size();
    const auto killed = Clock::now();
    ASSERT_TRUE(victim->linuxProcess().kill());
    EXPECT_TRUE(waitForClientCount(host(), clients - 1, kDropTimeoutMs, seen))
        << "the host still counts the dead client";
    // The trace names the count a Release finds. Cutting the dead client off releases every
    // reference it held, down to 2: the last is the runtime's own hold across the cut, which
    // goes untraced with the group.
    EXPECT_TRUE(waitForLineAfter(host(), "OPCGroup::Release(2)", seen, kDropTimeoutMs))
        << "the dead client's group is still there; its releases since the death:\n"
        << linesAfter(seen, "OPCGroup::Release(");

    std::this_thread::sleep_until(killed + kAfterDeath);
    const auto pause = longestPause(observer->program().lineArrivals(), killed, Clock::now());
    EXPECT_LE(pause, kLongestPause)
        << "the other client's reports paused for " << milliseconds(pause) << " ms";
}

TEST_F(ClientLoss, AFrozenSubscriberHoldsUpOnlyItselfAndCatchesUpWhenResumed)
{
    const auto frozen = startWatch(kWatch);
    const auto observer = startWatch(kJsonWatch);
    clientsNow(2);

    const auto stopped = Clock::now();
    ASSERT_TRUE(frozen->linuxProcess().stop());
    std::this_thread::sleep_for(kFreeze);
    const size_t printed = frozen->program().lines().size();
    const auto pause = longestPause(observer->program().lineArrivals(), stopped, Clock::now());
    EXPECT_LE(pause, kLongestPause)
        << "the other client's reports paused for " << milliseconds(pause) << " ms";

    ASSERT_TRUE(frozen->linuxProcess().resume());
    // What the server kept for it, then the changes since.
    EXPECT_TRUE(frozen->program().waitForLines(
        [printed](const std::vector<std::string>& lines) { return lines.size() >= printed + 3; },
        kDropTimeoutMs))
        << "the resumed client prints no further changes\n"
        << frozen->program().output();
}

} // namespace
