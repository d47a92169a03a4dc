#include "event_lines.h"

#include "value_text.h"

#include <nlohmann/json.hpp>

namespace opcprobe {

std::string eventLine(const ReceivedEvent& event, bool json)
{
    if (json) {
        return nlohmann::json{{"time", timeText(event.time)},
                              {"source", event.source},
                              {"message", event.message},
                              {"severity", event.severity}}
            .dump();
    }
    return timeText(event.time) + " " + event.source + ": " + event.message + " (severity " +
           std::to_string(event.severity) + ")";
}

} // namespace opcprobe
