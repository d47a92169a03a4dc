// What `opcprobe events` prints for one event: a line for people, or one JSON object.
#pragma once

#include "event_sink.h"

#include <string>

namespace opcprobe {

// "2026-12-07T13:01:02.000Z Tank.Level: High Limit Exceeded (severity 700)", or
// {"time", "source", "message", "severity"}; without a line end.
std::string eventLine(const ReceivedEvent& event, bool json);

} // namespace opcprobe
