// The programs a resilience test starts, and what it reads from their output: how many
// clients a host counts, and how long a client's stream of lines paused.
#pragma once

#include "child_process.h"
#include "wine_process.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace resilience {

using Clock = std::chrono::steady_clock;

// Bound of the waits for a program to start.
inline constexpr DWORD kStartTimeoutMs = 30000;

// The example host, serving until it is ended, once its first tick shows its tags and its
// class registered. A host killed in a prefix stays registered with Wine's COM, and a host
// started after it is not reached: a program kills at most the last host it starts.
std::unique_ptr<e2e::WineChild> startExampleHost();

// The client count of the example host's last "tick N: K client(s)" line from line first on;
// empty when there is none.
std::optional<int> lastClientCount(const std::vector<std::string>& lines, size_t first = 0);

// Waits until a tick line from line first on counts clients; false after the timeout.
bool waitForClientCount(e2e::RunningProgram& host, int clients, DWORD timeoutMs, size_t first = 0);

// Waits until a line from line first on contains text; false after the timeout.
bool waitForLineAfter(e2e::RunningProgram& program, std::string_view text, size_t first,
                      DWORD timeoutMs);

// The longest time between [from, to] and the lines that arrived in it: from its start to the
// first line, between lines, and from the last line to its end.
Clock::duration longestPause(const std::vector<Clock::time_point>& arrivals, Clock::time_point from,
                             Clock::time_point to);

// Milliseconds, for messages.
long long milliseconds(Clock::duration duration);

} // namespace resilience
