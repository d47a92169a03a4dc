#include "programs.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace resilience {

std::unique_ptr<e2e::WineChild> startExampleHost()
{
    auto host = std::make_unique<e2e::WineChild>("vetrel-example-host.exe", "0");
    EXPECT_TRUE(host->program().waitForLine("tick 1:", kStartTimeoutMs))
        << host->program().output();
    return host;
}

std::optional<int> clientCount(const std::string& line)
{
    int tick = 0, clients = 0;
    if (std::sscanf(line.c_str(), "tick %d: %d client(s)", &tick, &clients) != 2)
        return std::nullopt;
    return clients;
}

std::optional<int> lastClientCount(const std::vector<std::string>& lines, size_t first)
{
    for (size_t i = lines.size(); i > first; --i)
        if (const std::optional<int> clients = clientCount(lines[i - 1])) return clients;
    return std::nullopt;
}

bool waitForClientCount(e2e::RunningProgram& host, int clients, DWORD timeoutMs, size_t first)
{
    return host.waitForLines(
        [&](const std::vector<std::string>& lines) {
            return lastClientCount(lines, first) == clients;
        },
        timeoutMs);
}

bool waitForMatchAfter(e2e::RunningProgram& program, size_t first,
                       const std::function<bool(const std::string&)>& matches, DWORD timeoutMs)
{
    return program.waitForLines(
        [&](const std::vector<std::string>& lines) {
            return std::any_of(lines.begin() +
                                   static_cast<std::ptrdiff_t>(std::min(first, lines.size())),
                               lines.end(), matches);
        },
        timeoutMs);
}

bool waitForLineAfter(e2e::RunningProgram& program, std::string_view text, size_t first,
                      DWORD timeoutMs)
{
    return waitForMatchAfter(
        program, first,
        [text](const std::string& line) { return line.find(text) != std::string::npos; },
        timeoutMs);
}

std::optional<Clock::time_point> arrivalOf(const e2e::RunningProgram& program, size_t first,
                                           const std::function<bool(const std::string&)>& matches)
{
    // Taken after the lines, the arrivals cover each of them.
    const std::vector<std::string> lines = program.lines();
    const std::vector<Clock::time_point> arrivals = program.lineArrivals();
    for (size_t i = first; i < lines.size(); ++i)
        if (matches(lines[i])) return arrivals[i];
    return std::nullopt;
}

Clock::duration longestPause(const std::vector<Clock::time_point>& arrivals, Clock::time_point from,
                             Clock::time_point to)
{
    Clock::duration longest{0};
    Clock::time_point last = from;
    for (const Clock::time_point arrival : arrivals) {
        if (arrival < from || arrival > to) continue;
        longest = std::max(longest, arrival - last);
        last = arrival;
    }
    return std::max(longest, to - last);
}

long long milliseconds(Clock::duration duration)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
}

} // namespace resilience
