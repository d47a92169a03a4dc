// The configuration file: revision string "Rev. 1.1", the count of variables, then one record
// per variable. A file is parsed whole before anyone uses it, so a damaged one changes nothing.
#pragma once

#include "simulator/core/device_list.h"

#include <string>
#include <string_view>

namespace moxlan {

constexpr std::string_view kConfigRevision = "Rev. 1.1";

struct ConfigContents
{
    enum class Outcome
    {
        Loaded,
        // Another revision string: the rest is not looked at.
        OtherRevision,
        // Ends early, announces more or fewer variables than it holds, or a length that runs
        // past the end.
        Damaged,
    };

    Outcome outcome = Outcome::Damaged;
    // The variables of a loaded file, in file order, with no tags yet.
    DeviceList devices;
    // What was wrong, for a person to read; empty when loaded.
    std::string problem;
};

ConfigContents parseConfig(std::string_view bytes);

std::string formatConfig(const DeviceList& devices);

} // namespace moxlan
