// What the probe prints: lines for people, or one JSON document for scripts.
#pragma once

#include "session.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace opcprobe {

// {"code", "name", "message"}: the name is null for a code without one, the message, the
// problem or else the code in plain words, null when there are none.
nlohmann::json errorJson(HRESULT result, const std::string& problem = {});

nlohmann::json statusJson(const ServerStatus& status);
std::string statusText(const ServerStatus& status);

// One item's value, or its error: {"item", "value", "type", "quality", "qualityText",
// "timestamp"} or {"item", "error"}.
nlohmann::json itemJson(const ItemValue& value);
// "Example.Tank.Level = 5.5 (VT_R4, good, 2026-12-07T13:01:02.000Z)", without a line end; or
// "No.Such: the server has no item of this ID — OPC_E_UNKNOWNITEMID 0xC0040007".
std::string itemText(const ItemValue& value);

nlohmann::json readJson(const std::vector<ItemValue>& values);
// One itemText line per item.
std::string readText(const std::vector<ItemValue>& values);

nlohmann::json writeJson(const std::vector<WriteResult>& results);
std::string writeText(const std::vector<WriteResult>& results);

nlohmann::json failureJson(const std::string& message, HRESULT result);

} // namespace opcprobe
