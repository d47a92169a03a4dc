// opcprobe's command line: which server, which command, and the command's arguments.
#pragma once

#include "da_version.h"
#include "discovery.h"
#include "session.h"
#include "watch.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace opcprobe {

enum class Command
{
    Status,
    Read,
    Write,
    Watch,
    Browse,
    Properties,
    Events,
    List,
};

struct Options
{
    std::string progId;
    std::string clsid;
    bool json = false;
    // browse and properties: through the 2.0 or the 3.0 interfaces; empty: the highest offered
    std::optional<DaVersion> da;
    Command command = Command::Status;
    // read and watch
    std::vector<std::string> items;
    // read
    bool cache = false;
    // write
    std::vector<Assignment> assignments;
    WatchSettings watch;
    // browse: the flat list instead of the tree
    bool flat = false;
    // properties
    std::string item;
    // events: how long to listen; empty until interrupted
    std::optional<double> eventSeconds;
    // list
    DiscoveryRoute route = DiscoveryRoute::Automatic;
};

// The exit code of a wrong command line.
inline constexpr int kUsageError = 2;

// Declares every option and command on app; parsing app fills options. A malformed option,
// an ITEM=VALUE without its item among them, fails the parse, which names the option and what
// it takes. The server and --json may come before the command or after it; every command but
// list needs exactly one server, and list takes none.
void defineCommandLine(CLI::App& app, Options& options);

// Parses the program's arguments, its name first, with app. Returns the exit code when they end
// the program here: 0 once --help is printed to out, kUsageError once the complaint is printed
// to errors.
std::optional<int> parseCommandLine(CLI::App& app, int argc, const char* const* argv,
                                    std::ostream& out, std::ostream& errors);

} // namespace opcprobe
