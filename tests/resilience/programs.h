// The programs a resilience test starts, and what it reads from their output: how many
// clients a host counts, and how long a client's stream of lines paused.
#pragma once

#include "child_process.h"
#include "wine_process.h"

#include <chrono>
#include <functional>
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

// The client count of one of the example host's "tick N: K client(s)" lines; empty for other
// lines.
std::optional<int> clientCount(const std::string& line);
// The client count of the host's last tick line from line first on; empty when there is none.
std::optional<int> lastClientCount(const std::vector<std::string>& lines, size_t first = 0);

// Waits until a tick line from line first on counts clients; false after the timeout.
bool waitForClientCount(e2e::RunningProgram& host, int clients, DWORD timeoutMs, size_t first = 0);

// Waits until a line from line first on matches; false after the timeout.
bool waitForMatchAfter(e2e::RunningProgram& program, size_t first,
                       const std::function<bool(const std::string&)>& matches, DWORD timeoutMs);
// Waits until a line from line first on contains text; false after the timeout.
bool waitForLineAfter(e2e::RunningProgram& program, std::string_view text, size_t first,
                      DWORD timeoutMs);

// When the first line from line first on that matches arrived; empty while none has.
std::optional<Clock::time_point> arrivalOf(const e2e::RunningProgram& program, size_t first,
                                           const std::function<bool(const std::string&)>& matches);

// The longest time between [from, to] and the lines that arrived in it: from its start to the
// first line, between lines, and from the last line to its end.
Clock::duration longestPause(const std::vector<Clock::time_point>& arrivals, Clock::time_point from,
                             Clock::time_point to);

// Milliseconds, for messages.
long long milliseconds(Clock::duration duration);

} // namespace resilience
