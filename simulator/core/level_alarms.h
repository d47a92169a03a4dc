// A variable's level alarms: LoLo, Lo, Hi and HiHi limits with their severities, which the
// runtime turns into alarm events as the published value crosses them. They live beside the
// configuration file (alarm_file.h), never in its records.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace moxlan {

// In the runtime's order: its level number is the index plus 1.
enum AlarmLevel : int
{
    kLoLo = 0,
    kLo = 1,
    kHi = 2,
    kHiHi = 3,
};

constexpr int kAlarmLevels = 4;
// OPC event severities run from 1 to 1000.
constexpr std::uint32_t kLeastSeverity = 1;
constexpr std::uint32_t kGreatestSeverity = 1000;

struct LevelLimit
{
    bool enabled = false;
    // Hi and HiHi hold at or above it, Lo and LoLo at or below it.
    float limit = 0.0f;
    std::uint32_t severity = 500;

    bool operator==(const LevelLimit&) const = default;
};

struct LevelAlarms
{
    std::array<LevelLimit, kAlarmLevels> levels{};

    bool operator==(const LevelAlarms&) const = default;
    // At least one level is on: only then are the alarms kept.
    bool any() const
    {
        for (const LevelLimit& level : levels)
            if (level.enabled) return true;
        return false;
    }
};

// "lolo", "lo", "hi", "hihi", as moxlan-cfg names them.
std::string_view alarmLevelName(int level) noexcept;

std::optional<std::uint32_t> parseSeverity(std::string_view text);

} // namespace moxlan
