// How soon the example host lets go of a client that died: from a subscribed client's SIGKILL
// to each sign of it in the host's output (its trace of the dropped connection, the first tick
// line that no longer counts the client, the trace of the connection's last
// OPCServer::Release), over several deaths.
//
// It starts the example host beside itself (server rate 250 ms), so run it in a prefix where
// the example host and the proxy/stub DLL are registered (scripts/wine-prefix):
//
//   drop_time_bench [DEATHS]    clients to kill, one after the other (default 3)
#include "bench_main.h"
#include "programs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using resilience::Clock;
using Delay = std::optional<Clock::duration>;

constexpr DWORD kStartMs = 60'000;
// A sign that has not come this long after the death is reported as missing.
constexpr DWORD kSignTimeoutMs = 10'000;

struct Sign
{
    const char* name;
    // Whether a host line shows it, given the clients the host counted besides the dead one.
    std::function<bool(const std::string& line, int others)> shows;
};

bool contains(const std::string& line, const char* text)
{
    return line.find(text) != std::string::npos;
}

const std::array<Sign, 3> kSigns{{
    {"connection dropped",
     [](const std::string& line, int) {
         return contains(line, "Client connection") && contains(line, "dropped");
     }},
    {"tick without it",
     [](const std::string& line, int others) { return resilience::clientCount(line) == others; }},
    // The trace names the count a Release finds: cutting the dead client off releases its
    // references down to 2, the runtime's own hold across the cut, which goes untraced.
    {"last OPCServer::Release",
     [](const std::string& line, int) { return contains(line, "OPCServer::Release(2)"); }},
}};

// Starts a watching client, waits until the host counts it, kills it and times each sign.
std::array<Delay, kSigns.size()> timeOneDeath(e2e::RunningProgram& host)
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
    std::array<Delay, kSigns.size()> delays;
    for (size_t i = 0; i < kSigns.size(); ++i) {
        const auto shows = [&, i](const std::string& line) {
            return kSigns[i].shows(line, others);
        };
        resilience::waitForMatchAfter(host, seen, shows, kSignTimeoutMs);
        if (const auto at = resilience::arrivalOf(host, seen, shows)) delays[i] = *at - killed;
    }
    return delays;
}

std::string shown(const Delay& delay)
{
    if (!delay) return "none within " + std::to_string(kSignTimeoutMs) + " ms";
    return std::to_string(resilience::milliseconds(*delay)) + " ms";
}

std::string median(std::vector<Delay> delays)
{
    // A sign that never came counts as the longest.
    std::sort(delays.begin(), delays.end(),
              [](const Delay& a, const Delay& b) { return a && (!b || *a < *b); });
    return shown(delays[delays.size() / 2]);
}

int run(int deaths)
{
    e2e::RunningProgram host("vetrel-example-host.exe", "0");
    if (!host.waitForLine("tick 1:", kStartMs)) {
        std::fprintf(stderr, "drop_time_bench: the example host did not start\n");
        return 1;
    }
    std::array<std::vector<Delay>, kSigns.size()> all;
    std::printf("From a subscribed client's SIGKILL to the host's\n");
    for (int death = 1; death <= deaths; ++death) {
        const auto delays = timeOneDeath(host);
        std::printf("  death %d:", death);
        for (size_t i = 0; i < kSigns.size(); ++i) {
            std::printf("%s %s %s", i ? "," : "", kSigns[i].name, shown(delays[i]).c_str());
            all[i].push_back(delays[i]);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("  median:");
    for (size_t i = 0; i < kSigns.size(); ++i)
        std::printf("%s %s %s", i ? "," : "", kSigns[i].name, median(all[i]).c_str());
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int deaths = bench::countArgument(argc, argv, 3);
    return bench::runBenchmark("drop_time_bench", [deaths] { return run(deaths); });
}
