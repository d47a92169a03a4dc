// The headless simulator: binds the runtime, runs the one-second simulation tick on the main
// thread, prints trace lines, and ends in order when asked to stop.
#pragma once

#include "simulator/console/console_options.h"

#include <string>

namespace moxlan {

// Runs until a stop request ends it; returns the exit code. configPath is the file to load and
// save.
int runConsoleHost(const std::string& configPath, const ConsoleOptions& options);

} // namespace moxlan
