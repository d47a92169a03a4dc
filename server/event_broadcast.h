// Every event goes to every subscription of every connected server.
#pragma once

#include "events/event_record.h"

#include <span>

namespace vetrel {

class DeliveryWaits;
class OPCServer;

// Prepares the calls of record for each subscription with an advised sink, servers and their
// subscriptions in list order, and posts them to each server's lane, which makes them once
// the runtime lock is released; waits learns what to wait for. The caller holds the runtime
// lock. Without memory the subscriptions reached so far still receive the event.
void broadcastEvent(std::span<OPCServer* const> servers, const OPCEventRecord& record,
                    DeliveryWaits& waits) noexcept;

} // namespace vetrel
