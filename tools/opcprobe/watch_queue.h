// WatchQueue: the hand-over from the threads on which a server calls the probe's sinks to the
// main thread, which alone prints. Lines keep their arrival order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace opcprobe {

class WatchQueue
{
public:
    using Clock = std::chrono::steady_clock;

    struct Taken
    {
        std::vector<std::string> lines;
        // Set once the server asked its clients to disconnect, with its reason.
        std::optional<std::string> shutdown;
        // When the server last called with lines or without (a keep-alive); empty before.
        std::optional<Clock::time_point> lastHeard;
    };

    // No lines: the server called to say it is alive.
    void push(std::vector<std::string> lines);
    void requestShutdown(std::string reason);
    // Waits until lines or a shutdown request are queued, or until the deadline, and takes
    // what is queued.
    Taken take(Clock::time_point deadline);

private:
    std::mutex m_lock;
    std::condition_variable m_filled;
    Taken m_queued;
};

} // namespace opcprobe
