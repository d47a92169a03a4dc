// What the example host was asked to do on its command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace example {

struct HostCommand
{
    enum class Action
    {
        Serve,
        Register,
        Unregister
    };
    Action action = Action::Serve;
    // COM started the host for a client: serve while clients are connected.
    bool embedded = false;
    // Serve this long when run by hand; 0 serves until told to quit.
    int seconds = 10;
    // The runtime's timer period in milliseconds (--rate MS).
    int serverRate = 250;
    // Extra tags for load tests, updated every server period (--load N).
    int loadTags = 0;
};

// Switches may start with '-' or '/' and are matched without regard to case, as COM and
// installers write them; "--rate MS" and "--load N" take the next token as their number. Empty
// when a token is not understood.
std::optional<HostCommand> parseCommandLine(const std::vector<std::string>& tokens);

} // namespace example
