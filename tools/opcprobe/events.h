// `opcprobe events`: subscribes to the server's alarms and events and prints every event as it
// arrives, until the time is up, the user interrupts, the server asks its clients to
// disconnect, or the server is lost.
#pragma once

#include "watch.h"

#include <atomic>
#include <optional>
#include <ostream>

namespace opcprobe {

// Prints each event as one line to out (JSON objects with json), for seconds or, when empty,
// until interrupted or shut down. The subscription and the advised sinks are gone when it
// returns. Throws ProbeFailure when the server offers no event subscription or is lost.
WatchEnd watchEvents(IOPCServer* server, std::optional<double> seconds, bool json,
                     std::ostream& out, const std::atomic<bool>& interrupted);

} // namespace opcprobe
