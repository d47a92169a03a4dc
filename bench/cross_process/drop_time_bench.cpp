// How soon the example host lets go of a client that died: from a subscribed client's SIGKILL
// to the host's trace of that connection's last OPCServer::Release, and to the first tick line
// that no longer counts it, over several deaths.
//
// It starts the example host beside itself (server rate 250 ms), so run it in a prefix where
// the example host and the proxy/stub DLL are registered (scripts/wine-prefix):
//
//   drop_time_bench [DEATHS]    clients to kill, one after the other (default 5)
#include "programs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using resilience::Clock;

constexpr DWORD kStartMs = 60'000;
// A connection the host still holds this long after its client died is reported as kept.
constexpr DWORD kDropTimeoutMs = 30'000;

struct Drop
{
    std::optional<Clock::duration> released;
    std::optional<Clock::duration> uncounted;
};

// Starts a watching client, waits until the host counts it, kills it and times the host.
Drop timeOneDeath(e2e::RunningProgram& host)
{
    const size_t started = host.lines().size();
    // Clients an earlier death left behind stay counted.
    const int others = resilience::lastClientCount(host.lines()).value_or(0);
    e2e::WineChild client("opcprobe.exe",
                          "--progid Vetrel.ExampleHost watch Example.Tank.Level --rate 250");
    if (!client.program().waitForLine("Example.Tank.Level = ", kStartMs) ||
        !resilience::waitForClientCount(host, others + 1, kStartMs, started))
        throw std::runtime_error("the client did not connect");

    const size_t seen = host.lines().size();
    const Clock::time_point killed = Clock::now();
    client.linuxProcess().kill();
    resilience::waitForClientCount(host, others, kDropTimeoutMs, seen);
    Drop drop;
    // The trace names the count a Release finds: 1 is the connection's last reference.
    if (const auto at = resilience::arrivalOf(host, seen, [](const std::string& line) {
            return line.find("OPCServer::Release(1)") != std::string::npos;
        }))
        drop.released = *at - killed;
    if (const auto at = resilience::arrivalOf(host, seen, [others](const std::string& line) {
            return resilience::clientCount(line) == others;
        }))
        drop.uncounted = *at - killed;
    return drop;
}

std::string shown(const std::optional<Clock::duration>& duration)
{
    if (!duration) return "kept after " + std::to_string(kDropTimeoutMs) + " ms";
    return std::to_string(resilience::milliseconds(*duration)) + " ms";
}

std::string median(std::vector<std::optional<Clock::duration>> durations)
{
    // A connection never let go counts as the longest.
    std::sort(durations.begin(), durations.end(),
              [](const auto& a, const auto& b) { return a && (!b || *a < *b); });
    return shown(durations[durations.size() / 2]);
}

int run(int deaths)
{
    e2e::RunningProgram host("vetrel-example-host.exe", "0");
    if (!host.waitForLine("tick 1:", kStartMs)) {
        std::fprintf(stderr, "drop_time_bench: the example host did not start\n");
        return 1;
    }
    std::vector<std::optional<Clock::duration>> released, uncounted;
    std::printf("From a subscribed client's SIGKILL to the host's\n");
    for (int i = 0; i < deaths; ++i) {
        const Drop drop = timeOneDeath(host);
        std::printf("  death %d: last OPCServer::Release %s, tick without it %s\n", i + 1,
                    shown(drop.released).c_str(), shown(drop.uncounted).c_str());
        std::fflush(stdout);
        released.push_back(drop.released);
        uncounted.push_back(drop.uncounted);
    }
    std::printf("  median: last OPCServer::Release %s, tick without it %s\n",
                median(released).c_str(), median(uncounted).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int deaths = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    try {
        return run(deaths);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "drop_time_bench: %s\n", failure.what());
        return 1;
    }
}
