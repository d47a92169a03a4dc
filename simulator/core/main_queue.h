// The simulator hosts' main-thread queue: what runtime threads and stop requests hand to the
// thread that owns the document and the event log.
#pragma once

#include "vetrel/com.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace moxlan {

struct HostEvent
{
    enum class Kind
    {
        // A trace line of the runtime, with the local time it arrived.
        Trace,
        // A client wrote the tag; the value is what it wrote, as a variable holds it.
        TagWritten,
        // Ctrl+C: end only when no client stays connected.
        Interrupt,
        // SIGTERM or the console closing: end whatever the clients do.
        Terminate,
        // A line of the host's command input, without its line end.
        Command,
    };

    static HostEvent of(Kind kind)
    {
        HostEvent event;
        event.kind = kind;
        return event;
    }

    Kind kind = Kind::Trace;
    std::string text;
    SYSTEMTIME time{};
    DWORD tag = 0;
    float value = 0.0f;
};

class MainQueue
{
public:
    // Dropped once the queue is closed: the document it was meant for is gone.
    void post(HostEvent event);
    // The oldest event, or nothing when the deadline passes first.
    std::optional<HostEvent> waitUntil(std::chrono::steady_clock::time_point deadline);
    // Every waiting event, oldest first, without waiting: a batch the caller can finish before
    // it looks at its other work.
    std::deque<HostEvent> takeAll();
    void close();

private:
    std::mutex m_lock;
    std::condition_variable m_posted;
    std::deque<HostEvent> m_events;
    bool m_closed = false;
};

// The one queue of the process. It is never destroyed, because the runtime may call back while
// the process ends.
MainQueue& mainQueue();

// The runtime's trace line and write notification, handed to the main thread from whichever
// thread the runtime calls on. Without memory the report is lost and the client's call goes
// on; false then.
bool postTrace(const char* text) noexcept;
// Takes the written value at once, inside the notification: a tick that comes before the main
// thread handles the report would overwrite it in the tag. A value that is no number is not
// reported (false).
bool postTagWritten(DWORD tag) noexcept;

} // namespace moxlan
