// What `opcprobe watch` prints: one line per item of a data change, in the read command's form,
// and a line for the server's shutdown request. With json, each line is one JSON object.
#pragma once

#include "data_sink.h"

#include <string>
#include <vector>

namespace opcprobe {

// Items are named by their client handle, which is their position in items.
std::vector<std::string> dataChangeLines(const DataCallback& change,
                                         const std::vector<std::string>& items, bool json);

// "shutdown requested: REASON", or {"shutdown": "REASON"}; the reason may be empty.
std::string shutdownLine(const std::string& reason, bool json);

} // namespace opcprobe
