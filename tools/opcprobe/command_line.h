// opcprobe's command line: which server, which command, and the command's arguments.
#pragma once

#include "session.h"
#include "watch.h"

#include <CLI/CLI.hpp>
#include <optional>
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
};

struct Options
{
    std::string progId;
    std::string clsid;
    bool json = false;
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
};

// Declares every option and command on app; parsing app fills options. A malformed option,
// an ITEM=VALUE without its item among them, fails the parse.
void defineCommandLine(CLI::App& app, Options& options);

} // namespace opcprobe
