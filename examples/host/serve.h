// How long the example host serves, and why it stopped.
#pragma once

#include "command_line.h"
#include "example_tags.h"
#include "load_tags.h"

#include <atomic>

namespace example {

enum class StopReason
{
    TimeUp,
    LastClientLeft,
    NoClientCame,
    Interrupted,
    QuitRequested
};

// What reaches the serving loop from other threads: signal handlers, client calls.
struct HostEvents
{
    std::atomic<bool> interrupted{false};
    std::atomic<bool> quit{false};
    // A client asked the host to send its clients a shutdown request.
    std::atomic<bool> disconnect{false};
    // Client calls so far: a short connection can come and go between two looks at the count.
    std::atomic<unsigned> clientCalls{0};
};

// Steps the tags once a second, and the load tags every server period, until the command's end:
// its time is up (run by hand), the last client has left or none came (started by COM), or a
// stop was requested. A disconnect request is carried out on the way.
StopReason serve(const HostCommand& command, ExampleTags& tags, LoadTags& load, HostEvents& events);

const char* describe(StopReason reason) noexcept;

} // namespace example
