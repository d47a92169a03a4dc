#include "watch_lines.h"

#include "report.h"

namespace opcprobe {
namespace {

// A handle the probe never gave out shows as itself.
std::string itemName(OPCHANDLE clientHandle, const std::vector<std::string>& items)
{
    if (clientHandle < items.size()) return items[clientHandle];
    return "#" + std::to_string(clientHandle);
}

} // namespace

std::vector<std::string> dataChangeLines(const DataCallback& change,
                                         const std::vector<std::string>& items, bool json)
{
    std::vector<std::string> lines;
    for (const CallbackEntry& entry : change.entries) {
        ItemValue value;
        value.item = itemName(entry.clientHandle, items);
        value.error = entry.error;
        value.value = entry.value;
        value.quality = entry.quality;
        value.timestamp = entry.timestamp;
        lines.push_back(json ? itemJson(value).dump() : itemText(value));
    }
    return lines;
}

std::string shutdownLine(const std::string& reason, bool json)
{
    if (json) return nlohmann::json{{"shutdown", reason}}.dump();
    return reason.empty() ? "shutdown requested" : "shutdown requested: " + reason;
}

} // namespace opcprobe
