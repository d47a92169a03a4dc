#include "events/event_broadcast.h"

#include "server/opc_server.h"

#include <new>

namespace vetrel {

void broadcastEvent(std::span<OPCServer* const> servers, const OPCEventRecord& record,
                    EventQueue& queue) noexcept
{
    ClientDeliveries due;
    try {
        for (const OPCServer* server : servers) server->subscriptions().prepareEvent(record, due);
    } catch (const std::bad_alloc&) {
        // What was prepared is still queued.
    }
    queue.post(due);
}

} // namespace vetrel
