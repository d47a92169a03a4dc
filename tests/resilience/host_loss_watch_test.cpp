// The example host killed while opcprobe watches it: the watch, which waits for callbacks that
// no longer come, fails soon after the host dies instead of waiting for ever.
#include "programs.h"
#include "watch.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

using namespace resilience;

// The watch's next status check, the failing call and the probe's own teardown.
constexpr auto kWatchAnswer = opcprobe::kServerCheckPeriod + std::chrono::seconds(3);

TEST(HostLoss, AWatchFailsSoonAfterItsHostIsKilled)
{
    const auto host = startExampleHost();
    e2e::WineChild watch("opcprobe.exe",
                         "--progid Vetrel.ExampleHost --json watch Example.Tank.Level");
    ASSERT_TRUE(watch.program().waitForLine("Example.Tank.Level", kStartTimeoutMs))
        << watch.program().output();

    const auto killed = Clock::now();
    ASSERT_TRUE(host->linuxProcess().kill());
    const auto bound = std::chrono::duration_cast<std::chrono::milliseconds>(kWatchAnswer);
    EXPECT_EQ(watch.program().waitForExit(static_cast<DWORD>(bound.count())), 1u)
        << "the watch did not fail within " << bound.count() << " ms of its host's death";
    EXPECT_NE(watch.program().output().find("The server was lost: GetStatus failed"),
              std::string::npos)
        << watch.program().output();
    std::printf("the watch ended %lld ms after its host died\n",
                milliseconds(Clock::now() - killed));
}

} // namespace
