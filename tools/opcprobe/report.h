// What the probe prints: lines for people, or one JSON document for scripts.
#pragma once

#include "session.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace opcprobe {

nlohmann::json statusJson(const ServerStatus& status);
std::string statusText(const ServerStatus& status);

nlohmann::json readJson(const std::vector<ItemValue>& values);
// One line per item: "Example.Tank.Level = 5.5 (VT_R4, good, 2026-12-07T13:01:02.000Z)".
std::string readText(const std::vector<ItemValue>& values);

nlohmann::json writeJson(const std::vector<WriteResult>& results);
std::string writeText(const std::vector<WriteResult>& results);

nlohmann::json failureJson(const std::string& message, HRESULT result);

} // namespace opcprobe
