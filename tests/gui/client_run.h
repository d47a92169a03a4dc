// Runs a client program that sits beside the driver and collects what it prints, within a time
// limit: a client that does not end in time is ended and counts as failed.
#pragma once

#include <optional>
#include <string>
#include <windows.h>

namespace gui {

struct ClientRun
{
    DWORD exitCode = 0;
    std::string output;
};

// Nothing when the program cannot be started or does not end within the timeout.
std::optional<ClientRun> runClient(const std::string& program, const std::string& arguments,
                                   DWORD timeoutMs);

} // namespace gui
