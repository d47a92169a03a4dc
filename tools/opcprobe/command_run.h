// What the probe does once connected: the command's requests to the server, and what it prints
// of them, as lines or as one JSON document.
#pragma once

#include "command_line.h"
#include "session.h"

#include <atomic>
#include <ostream>

namespace opcprobe {

// Runs the command of options on the session's server and prints the outcome to out. Returns the
// exit code: 0 when every request and every item succeeded, 1 when an item failed. Watch and
// events listen until interrupted is set, unless their time is up first. Throws ProbeFailure
// when a request fails as a whole.
int runCommand(const Options& options, Session& session, std::ostream& out,
               const std::atomic<bool>& interrupted);

// Lists the servers of the machine as options say and prints them to out. Returns the exit
// code, 0; throws ProbeFailure when the listing fails.
int runList(const Options& options, std::ostream& out);

// A request that failed as a whole: the message goes to errors and, for --json, the failure
// document to out. Returns the exit code.
int reportFailure(const Options& options, const ProbeFailure& failure, std::ostream& out,
                  std::ostream& errors);

} // namespace opcprobe
