#include "simulator/core/config_file.h"
#include "tools/moxlan-cfg/commands.h"
#include "tools/moxlan-cfg/config_access.h"
#include "vetrel/com.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace moxlan::cfg {

namespace {

// Names are kept in the ANSI code page; JSON text is UTF-8.
std::string utf8FromAnsi(const std::string& text)
{
    if (text.empty()) return text;
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::basic_string<WCHAR> wide(static_cast<size_t>(units), WCHAR{});
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), units);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

// A JSON number that prints as the float's shortest text; JSON has no number for NaN and the
// infinities, so they become the strings JavaScript prints for them.
nlohmann::json jsonNumber(float value)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    const std::string text = floatText(value);
    double shortest = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), shortest);
    return shortest;
}

// The levels that are on, by name; a variable without any has no "alarms".
nlohmann::json jsonOf(const LevelAlarms& alarms)
{
    nlohmann::json levels = nlohmann::json::object();
    for (int level = 0; level < kAlarmLevels; ++level) {
        const LevelLimit& limit = alarms.levels[static_cast<size_t>(level)];
        if (limit.enabled)
            levels[std::string(alarmLevelName(level))] = {{"limit", jsonNumber(limit.limit)},
                                                          {"severity", limit.severity}};
    }
    return levels;
}

// "  alarms=lolo:5/900,hi:80/600" for the levels that are on; empty when none is.
std::string alarmText(const LevelAlarms& alarms)
{
    std::string text;
    for (int level = 0; level < kAlarmLevels; ++level) {
        const LevelLimit& limit = alarms.levels[static_cast<size_t>(level)];
        if (limit.enabled)
            text += (text.empty() ? "  alarms=" : ",") + std::string(alarmLevelName(level)) + ":" +
                    floatText(limit.limit) + "/" + std::to_string(limit.severity);
    }
    return text;
}

nlohmann::json jsonOf(const DeviceList& devices)
{
    nlohmann::json variables = nlohmann::json::array();
    for (const auto& device : devices) {
        nlohmann::json variable = {
            {"name", utf8FromAnsi(device->m_Name)}, {"value", jsonNumber(device->value())},
            {"type", typeName(device->m_SimType)},  {"interval", device->m_Interval},
            {"low", jsonNumber(device->m_Low)},     {"high", jsonNumber(device->m_High)},
            {"step", jsonNumber(device->m_Step)}};
        nlohmann::json alarms = jsonOf(device->m_Alarms);
        if (!alarms.empty()) variable["alarms"] = std::move(alarms);
        variables.push_back(std::move(variable));
    }
    return {{"revision", std::string(kConfigRevision)}, {"variables", std::move(variables)}};
}

void printText(const DeviceList& devices, std::ostream& out)
{
    out << devices.size() << (devices.size() == 1 ? " variable\n" : " variables\n");
    for (const auto& device : devices)
        out << device->m_Name << "  value=" << floatText(device->value())
            << "  type=" << typeName(device->m_SimType) << "  interval=" << device->m_Interval
            << "  low=" << floatText(device->m_Low) << "  high=" << floatText(device->m_High)
            << "  step=" << floatText(device->m_Step) << alarmText(device->m_Alarms) << '\n';
}

} // namespace

int showConfig(const std::filesystem::path& file, bool json, std::ostream& out, std::ostream& err)
{
    const std::optional<DeviceList> devices = readConfig(file, MissingFile::IsAnError, err);
    if (!devices) return kExitFileProblem;
    if (json)
        out << jsonOf(*devices).dump(2) << '\n';
    else
        printText(*devices, out);
    return kExitDone;
}

} // namespace moxlan::cfg
