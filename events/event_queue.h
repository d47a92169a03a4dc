// EventQueue: the calls into sinks that events have prepared, made in the order the events
// arose. Events are prepared under the runtime lock, so the order in which they join the queue
// is the order in which they arose; the calls are made with no lock held.
#pragma once

#include "runtime/client_delivery.h"

#include <deque>
#include <mutex>

namespace vetrel {

class EventQueue
{
public:
    EventQueue() = default;
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Appends the calls of one event, in their order. The caller holds the runtime lock.
    // Without memory the calls that did not fit are dropped.
    void post(ClientDeliveries& due) noexcept;

    // Makes the queued calls, oldest first, until none is left. The runtime lock must not be
    // held. A thread that finds another already making them leaves its own to that thread and
    // returns at once: a sink that waits, inside its call, for a thread that raises a further
    // event then never deadlocks, and the further event still arrives after the current one.
    void deliver() noexcept;

private:
    std::mutex m_lock;
    std::deque<std::unique_ptr<ClientDelivery>> m_pending;
    bool m_delivering = false;
};

} // namespace vetrel
