// ClientLane: the calls into one client connection, made in order by a thread of the lane's
// own, so that a client blocked inside a callback delays only its own calls. The backlog is
// bounded: a data-change report that is still waiting takes a newer report of the same group
// into itself instead of queueing it.
#pragma once

#include "comkit/client_delivery.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vetrel {

// Whether a client's answer says that the client is gone: its process died or it disconnected.
bool clientIsGone(HRESULT hr) noexcept;

// Told, on the lane's thread with no lock held, that the client answered a call with an error
// that says it is gone: the lane has already stopped calling it.
using ClientGone = std::function<void(HRESULT hr, const char* method)>;

class DeliveryWaits;

class ClientLane
{
public:
    explicit ClientLane(ClientGone gone) noexcept;
    // Calls still waiting are made all the same; the lane's thread ends after the last.
    ~ClientLane();
    ClientLane(const ClientLane&) = delete;
    ClientLane& operator=(const ClientLane&) = delete;

    // Queues the calls of due in their order, merging data-change reports into waiting ones,
    // and empties due. The caller holds the runtime lock, so the calls of every connection
    // are queued in the order they were prepared. waits, when given, learns what to wait for
    // until these calls have been made. Without memory or a thread, calls are dropped.
    // The mark that madeAll takes: every call posted so far.
    std::uint64_t post(ClientDeliveries& due, DeliveryWaits* waits) noexcept;
    // Whether every call posted up to mark has been made (or dropped).
    bool madeAll(std::uint64_t mark) const noexcept;
    // No more calls: what waits is dropped unmade, later posts too.
    void abandon() noexcept;
    // Whether the client may be called from another thread without waiting on a call this
    // lane has made: no call is in progress and the client is not gone.
    bool idle() const noexcept;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

// The calls a thread has posted and wants made before it goes on: a host's refresh, event or
// disconnect request. The wait is bounded, and it skips a lane whose client has been inside
// one call for long (a frozen client) and the lane of the waiting thread itself.
class DeliveryWaits
{
public:
    enum class Busy
    {
        // A lane inside a call when the calls were posted is waited for like any other.
        Wait,
        // It is not: the call in progress may be a client's that waits for this very thread
        // (one that raises an event from inside its callback, say).
        DoNotWait,
    };
    explicit DeliveryWaits(Busy busy = Busy::Wait) noexcept : m_busy(busy) {}

    // Waits until every posted call has been made, the lane has ended or its client has been
    // inside one call for stalledAfter, or timeout has passed. A thread that holds the runtime
    // lock does not wait.
    void wait(std::chrono::milliseconds timeout, std::chrono::milliseconds stalledAfter) noexcept;
    // Adds (lane, target) pairs, lane inside a call or not; without memory that lane is not
    // waited for.
    void add(std::shared_ptr<ClientLane::State> lane, std::uint64_t target, bool inCall) noexcept;

private:
    Busy m_busy;
    std::vector<std::pair<std::shared_ptr<ClientLane::State>, std::uint64_t>> m_lanes;
};

// Runs work on a thread of its own in the multithreaded apartment, counted with the lanes'
// threads; false, with work not run, when no thread could start.
bool runOnOwnThread(std::function<void()> work) noexcept;

// Waits, with a bound, until every lane thread of the process has ended; the unload's last
// step before COM goes. False when some thread is still inside a call into a frozen client.
bool waitForLaneThreads(std::chrono::milliseconds timeout) noexcept;

} // namespace vetrel
