#include "serve.h"

#include "vetrel/vetrel.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace example {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTick = std::chrono::seconds(1);
// Short, so that the host notices a leaving client or a request quickly.
constexpr auto kPoll = std::chrono::milliseconds(50);
// COM starts the host for a client that is about to connect; one that never does (it died, or
// gave up) must not leave the host behind.
constexpr auto kFirstClientWait = std::chrono::seconds(30);

// The host stays this long after its last client left: a client that comes right after (a
// script running several requests, say) finds it running instead of one that is ending.
constexpr auto kLinger = std::chrono::seconds(2);

class ClientWatch
{
public:
    explicit ClientWatch(const HostEvents& events) : m_events(events) {}

    // Whether the clients that came have all left, and none has called since.
    bool allLeft()
    {
        const int clients = NumbrClientConnections();
        const unsigned calls = m_events.clientCalls;
        if (clients > 0 || calls != m_callsSeen) {
            m_seenClient = true;
            m_quietSince = Clock::now();
        }
        m_callsSeen = calls;
        return m_seenClient && clients == 0 && Clock::now() - m_quietSince >= kLinger;
    }
    bool seenClient() const noexcept { return m_seenClient; }

private:
    const HostEvents& m_events;
    bool m_seenClient = false;
    unsigned m_callsSeen = 0;
    Clock::time_point m_quietSince = Clock::now();
};

} // namespace

StopReason serve(const HostCommand& command, ExampleTags& tags, LoadTags& load, HostEvents& events)
{
    // Load tags are updated at the server's pace.
    const auto poll =
        load.empty()
            ? kPoll
            : std::min<Clock::duration>(kPoll, std::chrono::milliseconds(command.serverRate));
    const Clock::time_point start = Clock::now();
    const auto end = start + std::chrono::seconds(command.seconds);
    ClientWatch clients(events);
    Clock::time_point nextTick = start;
    for (int tick = 1;; ++tick) {
        tags.step(tick);
        std::printf("tick %d: %d client(s)\n", tick, NumbrClientConnections());
        std::fflush(stdout);
        nextTick += kTick;
        while (Clock::now() < nextTick) {
            if (events.interrupted) return StopReason::Interrupted;
            if (events.quit) return StopReason::QuitRequested;
            if (events.disconnect.exchange(false)) {
                std::printf("asking %d client(s) to disconnect\n", RequestDisconnect());
                std::fflush(stdout);
            }
            if (command.embedded) {
                if (clients.allLeft()) return StopReason::LastClientLeft;
                if (!clients.seenClient() && Clock::now() - start >= kFirstClientWait)
                    return StopReason::NoClientCame;
            } else if (command.seconds > 0 && Clock::now() >= end) {
                return StopReason::TimeUp;
            }
            load.step();
            std::this_thread::sleep_for(poll);
        }
    }
}

const char* describe(StopReason reason) noexcept
{
    switch (reason) {
    case StopReason::TimeUp:
        return "time is up";
    case StopReason::LastClientLeft:
        return "the last client left";
    case StopReason::NoClientCame:
        return "no client connected";
    case StopReason::Interrupted:
        return "interrupted";
    case StopReason::QuitRequested:
        return "a client asked the host to quit";
    }
    return "stopped";
}

} // namespace example
