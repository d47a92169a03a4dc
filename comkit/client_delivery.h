// Calls into clients are prepared under the runtime lock and made after it is released, each
// connection's calls from its own lane (client_lane.h): a client may then call the server from
// inside its callback, on any thread, without deadlock, and a slow or frozen client holds up
// no one but itself.
#pragma once

#include "vetrel/com.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vetrel {

class ClientDelivery
{
public:
    virtual ~ClientDelivery() = default;
    // Makes the call; the runtime lock is not held. The client's answer, S_OK for methods
    // that answer nothing.
    virtual HRESULT send() noexcept = 0;
    // The client method, for the trace line of a connection dropped because of its answer.
    virtual const char* method() const noexcept = 0;
    // Non-zero for a data-change report that a newer report of the same group and channel
    // may merge into while it waits; completions, events and requests are never merged.
    virtual std::uint64_t mergeKey() const noexcept { return 0; }
    // Takes newer, a report with the same key, into this one: the newest value, quality and
    // timestamp of each item win and no item of either is left out. Throws std::bad_alloc,
    // leaving both as they were.
    virtual void merge(ClientDelivery& newer) { static_cast<void>(newer); }
};

// In the order the calls are to be made.
using ClientDeliveries = std::vector<std::unique_ptr<ClientDelivery>>;

// The merge key of a group's data-change reports on one channel (the data callback, or one of
// the OPC 1.0 stream formats, whose channel is the format number). Group server handles are unique
// in the process, so a report of a removed group never merges into one of a newer group.
constexpr DWORD kDataCallbackChannel = 0;
constexpr std::uint64_t reportMergeKey(DWORD groupServerHandle, DWORD channel) noexcept
{
    return (std::uint64_t{groupServerHandle} << 32) | (std::uint64_t{channel} + 1);
}

} // namespace vetrel
