#include "report.h"

#include "hresult_names.h"
#include "value_text.h"

namespace opcprobe {
namespace {

std::string versionText(const ServerStatus& status)
{
    return std::to_string(status.majorVersion) + "." + std::to_string(status.minorVersion) + "." +
           std::to_string(status.buildNumber);
}

} // namespace

nlohmann::json errorJson(HRESULT result, const std::string& problem)
{
    const auto textOrNull = [](const std::string& text) {
        return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
    };
    return {{"code", static_cast<DWORD>(result)},
            {"name", textOrNull(resultName(result))},
            {"message", textOrNull(problem.empty() ? resultMeaning(result) : problem)}};
}

nlohmann::json statusJson(const ServerStatus& status)
{
    return {{"state", serverStateName(status.state)},
            {"startTime", timeText(status.startTime)},
            {"currentTime", timeText(status.currentTime)},
            {"lastUpdateTime", timeText(status.lastUpdateTime)},
            {"groupCount", status.groupCount},
            {"bandWidth", status.bandWidth},
            {"version", versionText(status)},
            {"vendor", status.vendor}};
}

std::string statusText(const ServerStatus& status)
{
    return "state:       " + serverStateName(status.state) + "\n" +
           "vendor:      " + status.vendor + "\n" + "version:     " + versionText(status) + "\n" +
           "started:     " + timeText(status.startTime) + "\n" +
           "server time: " + timeText(status.currentTime) + "\n" +
           "last update: " + timeText(status.lastUpdateTime) + "\n" +
           "groups:      " + std::to_string(status.groupCount) + "\n";
}

nlohmann::json itemJson(const ItemValue& value)
{
    nlohmann::json item = {{"item", value.item}};
    if (FAILED(value.error)) {
        item["error"] = errorJson(value.error);
        return item;
    }
    item["value"] = valueJson(value.value.get());
    item["type"] = typeName(value.value.type());
    item["quality"] = value.quality;
    item["qualityText"] = qualityText(value.quality);
    item["timestamp"] = timeText(value.timestamp);
    return item;
}

std::string itemText(const ItemValue& value)
{
    if (FAILED(value.error)) return value.item + ": " + explainResult(value.error);
    return value.item + " = " + valueText(value.value.get()) + " (" + typeName(value.value.type()) +
           ", " + qualityText(value.quality) + ", " + timeText(value.timestamp) + ")";
}

nlohmann::json readJson(const std::vector<ItemValue>& values)
{
    nlohmann::json items = nlohmann::json::array();
    for (const ItemValue& value : values) items.push_back(itemJson(value));
    return {{"items", std::move(items)}};
}

std::string readText(const std::vector<ItemValue>& values)
{
    std::string text;
    for (const ItemValue& value : values) text += itemText(value) + "\n";
    return text;
}

nlohmann::json writeJson(const std::vector<WriteResult>& results)
{
    nlohmann::json items = nlohmann::json::array();
    for (const WriteResult& result : results) {
        nlohmann::json item = {{"item", result.item}, {"written", SUCCEEDED(result.error)}};
        if (FAILED(result.error)) item["error"] = errorJson(result.error, result.problem);
        items.push_back(std::move(item));
    }
    return {{"items", std::move(items)}};
}

std::string writeText(const std::vector<WriteResult>& results)
{
    std::string text;
    for (const WriteResult& result : results) {
        if (SUCCEEDED(result.error))
            text += result.item + ": written\n";
        else if (!result.problem.empty())
            text += explainResult(result.problem, result.error) + "\n";
        else
            text += result.item + ": " + explainResult(result.error) + "\n";
    }
    return text;
}

nlohmann::json failureJson(const std::string& message, HRESULT result)
{
    return {{"failure", message}, {"error", errorJson(result)}};
}

} // namespace opcprobe
