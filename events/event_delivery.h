// The call a subscription's sink receives for one event: prepared with the runtime lock held,
// made once it is released.
#pragma once

#include "comkit/client_delivery.h"
#include "events/event_record.h"
#include "platform/com_ptr.h"

namespace vetrel {

// OnEvent(clientSubscription, no refresh, one event) on sink with the event's own block,
// freed after the call. Nothing is added when the block cannot be allocated. Throws
// std::bad_alloc.
void prepareEventDelivery(ComPtr<IOPCEventSink> sink, OPCHANDLE clientSubscription,
                          const OPCEventRecord& record, ClientDeliveries& due);

} // namespace vetrel
