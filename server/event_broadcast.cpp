#include "server/event_broadcast.h"

#include "server/opc_server.h"

#include <new>

namespace vetrel {

void broadcastEvent(std::span<OPCServer* const> servers, const OPCEventRecord& record,
                    DeliveryWaits& waits) noexcept
{
    for (OPCServer* server : servers) {
        ClientDeliveries due;
        try {
            server->subscriptions().prepareEvent(record, due);
        } catch (const std::bad_alloc&) {
            // What was prepared is still posted.
        }
        server->lane().post(due, &waits);
    }
}

} // namespace vetrel
