// The example host killed while opcprobe watches it: the watch, which waits for callbacks that
// no longer come, fails soon after the host dies instead of waiting for ever.
#include "programs.h"
#include "watch.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using namespace resilience;

// The failing call after the watch's next status check, and the probe's own teardown.
constexpr auto kWatchAnswer = std::chrono::seconds(3);

TEST(HostLoss, AWatchFailsSoonAfterItsHostIsKilled)
{
    // A 2.0 watch asks for the status on its own; a 3.0 one once the keep-alive stays away. Both
    // watch the one host a test may kill.
    const std::pair<std::string, std::chrono::milliseconds> cases[] = {
        {"--da 2", opcprobe::statusCheckAfter(std::nullopt)},
        {"--da 3", opcprobe::statusCheckAfter(opcprobe::kServerCheckPeriod)},
    };
    const auto host = startExampleHost();
    std::vector<std::unique_ptr<e2e::WineChild>> watches;
    for (const auto& [da, checkAfter] : cases) {
        watches.push_back(
            std::make_unique<e2e::WineChild>("opcprobe.exe", "--progid Vetrel.ExampleHost --json " +
                                                                 da + " watch Example.Tank.Level"));
        ASSERT_TRUE(watches.back()->program().waitForLine("Example.Tank.Level", kStartTimeoutMs))
            << da << "\n"
            << watches.back()->program().output();
    }

    const auto killed = Clock::now();
    ASSERT_TRUE(host->linuxProcess().kill());
    for (size_t i = 0; i < watches.size(); ++i) {
        const auto& [da, checkAfter] = cases[i];
        e2e::RunningProgram& watch = watches[i]->program();
        const auto bound = std::chrono::duration_cast<std::chrono::milliseconds>(
            killed + checkAfter + kWatchAnswer - Clock::now());
        EXPECT_EQ(watch.waitForExit(static_cast<DWORD>(std::max<long long>(bound.count(), 0))), 1u)
            << da << ": the watch did not fail within " << milliseconds(checkAfter + kWatchAnswer)
            << " ms of its host's death";
        EXPECT_NE(watch.output().find("The server was lost: GetStatus failed"), std::string::npos)
            << watch.output();
        std::printf("%s: the watch ended by %lld ms after its host died\n", da.c_str(),
                    milliseconds(Clock::now() - killed));
    }
}

} // namespace
