// The alarm file beside a configuration file (its name with ".alarms" added): the level alarms
// of its variables, by name. The configuration file itself stays "Rev. 1.1", and a reader that
// knows nothing of this file loads it whole. Only a configuration with alarms has one.
//
// Format, little-endian in the configuration archive's forms: the string "Moxlan alarms 1", a
// signed 32-bit count, then per variable its name and, for LoLo, Lo, Hi and HiHi, an enabled
// byte (0 or 1), the limit as a 32-bit float and the severity as an unsigned 32-bit value.
#pragma once

#include "simulator/core/device_list.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace moxlan {

std::filesystem::path alarmFilePath(const std::filesystem::path& configPath);

struct AlarmContents
{
    bool loaded = false;
    // What was wrong, for a person to read; empty when loaded.
    std::string problem;
};

// Gives the variables of the list the alarms the file holds for their names: the n-th record
// of a name goes to the n-th variable of that name. A record of a name the list lacks is
// dropped. A damaged file (cut short, another format, a count that does not match, a flag that
// is not 0 or 1, a severity outside 1 to 1000) changes no variable.
AlarmContents applyAlarmFile(std::string_view bytes, DeviceList& devices);

// The file for the variables with an alarm on; empty when none has, and then no file is kept.
std::string formatAlarmFile(const DeviceList& devices);

// The bytes of the alarm file beside the configuration file; nothing when there is none, and
// then also false in readable when one is there that cannot be read.
std::optional<std::string> readAlarmFile(const std::filesystem::path& configPath, bool& readable);

// Replaces the alarm file beside the configuration file in one step with the list's alarms, or
// removes it when no variable has any: an old one left there would give its alarms back at the
// next load. False when that fails.
bool replaceAlarmFile(const std::filesystem::path& configPath, const DeviceList& devices);

} // namespace moxlan
