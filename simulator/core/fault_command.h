// The fault commands a simulator host takes one per line, for instance from its standard input:
// "quality NAME good|uncertain|bad", "freeze NAME", "resume NAME" and "help". A name runs from
// the command word to the end of the line (to the quality word for quality), so names with
// blanks need no quoting.
#pragma once

#include "simulator/core/fault.h"

#include <string>
#include <string_view>

namespace moxlan {

struct FaultCommand
{
    enum class Kind
    {
        // A blank line: nothing to do.
        Nothing,
        Help,
        Quality,
        Freeze,
        Resume,
        // Not a command; error says why in one line.
        Invalid,
    };

    Kind kind = Kind::Nothing;
    std::string name;
    FaultQuality quality = FaultQuality::Good;
    std::string error;
};

FaultCommand parseFaultCommand(std::string_view line);

// What "help" prints, one line per command.
constexpr const char* kFaultCommandHelp =
    "quality NAME good|uncertain|bad   publish the variable with that quality\n"
    "freeze NAME                       hold the value; the timestamp keeps moving\n"
    "resume NAME                       let the simulation change the value again\n"
    "help                              list these commands\n";

// The variable's fault once the command is applied to the fault it has. Kind must be Quality,
// Freeze or Resume.
Fault appliedFault(const FaultCommand& command, Fault fault);

} // namespace moxlan
