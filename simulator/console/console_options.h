// The console host's own options. Anything else on the command line is accepted and ignored,
// as the flags COM adds when it starts the program as a local server.
#pragma once

#include <optional>
#include <string>

namespace moxlan {

struct ConsoleOptions
{
    // The configuration file to load and save instead of Moxlan.cfg beside the program.
    std::optional<std::string> configPath;
    // Also save the configuration every that many ticks (0: only at the end).
    int autosaveTicks = 0;
};

// The options, or nothing with a message in error.
std::optional<ConsoleOptions> parseConsoleOptions(int argc, char** argv, std::string& error);

} // namespace moxlan
