#include "command_line.h"

namespace opcprobe {
namespace {

// Longer than anyone watches, short enough for the clock's arithmetic.
constexpr double kLongestWatchSeconds = 1e7;

// --for SECONDS of a command that listens until interrupted without it.
void addDuration(CLI::App& command, std::optional<double>& seconds, const std::string& help)
{
    command
        .add_option_function<double>(
            "--for", [&seconds](const double& value) { seconds = value; }, help)
        ->check(CLI::Range(0.0, kLongestWatchSeconds));
}

std::vector<Assignment> parseAssignments(const std::vector<std::string>& texts)
{
    std::vector<Assignment> assignments;
    for (const std::string& text : texts) {
        const size_t equals = text.find('=');
        if (equals == std::string::npos || equals == 0)
            throw CLI::ValidationError("write", "expected ITEM=VALUE, got " + text);
        assignments.push_back({text.substr(0, equals), text.substr(equals + 1)});
    }
    return assignments;
}

} // namespace

void defineCommandLine(CLI::App& app, Options& options)
{
    auto* server = app.add_option_group("server", "the server to talk to");
    server->add_option("--progid", options.progId, "ProgID of the server, e.g. Vetrel.ExampleHost");
    server->add_option("--clsid", options.clsid, "class identifier of the server");
    server->require_option(1);
    app.add_flag("--json", options.json, "print JSON: one document, or one object per line");
    app.require_subcommand(1);

    app.add_subcommand("status", "the server's status")->callback([&options] {
        options.command = Command::Status;
    });

    auto* read = app.add_subcommand("read", "read items");
    read->add_option("ITEM", options.items, "item IDs")->required();
    read->add_flag("--cache", options.cache, "read from the cache instead of the device");
    read->callback([&options] { options.command = Command::Read; });

    auto* write = app.add_subcommand("write", "write items");
    write
        ->add_option_function<std::vector<std::string>>(
            "ASSIGNMENT",
            [&options](const std::vector<std::string>& texts) {
                options.assignments = parseAssignments(texts);
            },
            "ITEM=VALUE, e.g. Tank.Level=2.5")
        ->required();
    write->callback([&options] { options.command = Command::Write; });

    auto* watch = app.add_subcommand("watch", "print every change of items as it is reported");
    watch->add_option("ITEM", options.items, "item IDs")->required();
    watch->add_option("--rate", options.watch.updateRate, "update rate in milliseconds")
        ->capture_default_str();
    watch
        ->add_option("--deadband", options.watch.deadband,
                     "percent an analog value must move to be reported")
        ->check(CLI::Range(0.0, 100.0))
        ->capture_default_str();
    addDuration(*watch, options.watch.seconds, "watch this many seconds (default: until Ctrl+C)");
    watch->add_flag("--v1", options.watch.v1,
                    "listen as an OPC 1.0 client, to data blocks with timestamps");
    watch->callback([&options] { options.command = Command::Watch; });

    auto* browse = app.add_subcommand("browse", "the server's namespace, as a tree from the root");
    browse->add_flag("--flat", options.flat, "every leaf's item ID instead, one per line");
    browse->callback([&options] { options.command = Command::Browse; });

    auto* properties = app.add_subcommand("properties", "every property of an item, with values");
    properties->add_option("ITEM", options.item, "item ID")->required();
    properties->callback([&options] { options.command = Command::Properties; });

    auto* events = app.add_subcommand("events", "print every alarm and event as it is sent");
    addDuration(*events, options.eventSeconds, "listen this many seconds (default: until Ctrl+C)");
    events->callback([&options] { options.command = Command::Events; });
}

} // namespace opcprobe
