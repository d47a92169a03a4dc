// The console host's own options. The flags COM adds when it starts the program as a local
// server are accepted and ignored; any other argument starting with "-" is refused.
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
    // --help or -h anywhere: print consoleUsage() and start nothing.
    bool help = false;
};

// The options, or nothing with a message in error.
std::optional<ConsoleOptions> parseConsoleOptions(int argc, const char* const* argv,
                                                  std::string& error);

// What --help prints.
const char* consoleUsage();

} // namespace moxlan
