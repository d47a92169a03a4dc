// The request a server makes of its client to disconnect: prepared with the runtime lock held,
// made from the connection's lane once it is released.
#pragma once

#include "comkit/client_delivery.h"
#include "platform/com_ptr.h"
#include "vetrel/opc.h"

namespace vetrel {

// IOPCShutdown::ShutdownRequest with an empty reason. Throws std::bad_alloc.
void prepareShutdownRequest(ComPtr<IOPCShutdown> sink, ClientDeliveries& due);

} // namespace vetrel
