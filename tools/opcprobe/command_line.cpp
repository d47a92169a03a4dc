#include "command_line.h"

#include "comkit/guid_text.h"

#include <charconv>
#include <limits>
#include <map>
#include <type_traits>

namespace opcprobe {
namespace {

// Longer than anyone watches, short enough for the clock's arithmetic.
constexpr double kLongestWatchSeconds = 1e7;

// A bound in full: 10000000, not 1e+07.
template <typename T> std::string boundText(T bound)
{
    if constexpr (std::is_floating_point_v<T>) {
        char text[64];
        return std::string(
            text, std::to_chars(text, text + sizeof text, bound, std::chars_format::fixed).ptr);
    } else {
        return std::to_string(bound);
    }
}

// "what from low to high", read in the C locale whatever the user's. The text becomes the
// number's plain form, which CLI11 then converts as it is: "010" stays ten, not eight.
template <typename T> CLI::Validator numberFrom(const std::string& what, T low, T high)
{
    const std::string expected = what + " from " + boundText(low) + " to " + boundText(high);
    return CLI::Validator(
        [expected, low, high](std::string& text) -> std::string {
            T number{};
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, number);
            if (text.empty() || error != std::errc() || stop != end ||
                !(number >= low && number <= high))
                return "expected " + expected + ", got " + text;
            char plain[64];
            text.assign(plain, std::to_chars(plain, plain + sizeof plain, number).ptr);
            return {};
        },
        expected);
}

// --for SECONDS of a command that listens until interrupted without it.
void addDuration(CLI::App& command, std::optional<double>& seconds, const std::string& help)
{
    command
        .add_option_function<double>(
            "--for", [&seconds](const double& value) { seconds = value; }, help)
        ->transform(numberFrom("seconds", 0.0, kLongestWatchSeconds));
}

const CLI::Validator kClassIdentifier(
    [](std::string& text) -> std::string {
        if (vetrel::parseGuid(text)) return {};
        return "expected a class identifier such as {5C2E9A61-3B7D-4F08-A51E-6D902B44C713}, "
               "got " +
               text;
    },
    "class identifier");

const std::map<std::string, DiscoveryRoute> kRoutes = {
    {"auto", DiscoveryRoute::Automatic},
    {"server-list", DiscoveryRoute::ServerList},
    {"registry", DiscoveryRoute::Registry},
};

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
    auto* server =
        app.add_option_group("server", "the server to talk to, for every command but list");
    server->add_option("--progid", options.progId, "ProgID of the server, e.g. Vetrel.ExampleHost");
    server->add_option("--clsid", options.clsid, "class identifier of the server")
        ->check(kClassIdentifier);
    app.add_flag("--json", options.json, "print JSON: one document, or one object per line");
    app.add_option_function<int>(
           "--da", [&options](const int& version) { options.da = static_cast<DaVersion>(version); },
           "browse, read properties, read, write and watch through the DA 2 or DA 3 interfaces "
           "(default: the highest the server offers)")
        ->transform(numberFrom("a DA version", 2, 3));
    app.require_subcommand(1);
    // The subcommands, created below, inherit it: global options may follow them.
    app.fallthrough();

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
        ->transform(numberFrom("a whole number of milliseconds", DWORD{0},
                               std::numeric_limits<DWORD>::max()))
        ->capture_default_str();
    watch
        ->add_option("--deadband", options.watch.deadband,
                     "percent an analog value must move to be reported")
        ->transform(numberFrom("a percentage", 0.0f, 100.0f))
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

    auto* list = app.add_subcommand("list", "the OPC servers of this machine, by category");
    list->add_option_function<std::string>(
            "--route", [&options](const std::string& text) { options.route = kRoutes.at(text); },
            "where to look: auto (the server list when registered, else the registry), "
            "server-list or registry")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                if (kRoutes.contains(text)) return {};
                return "expected auto, server-list or registry, got " + text;
            },
            "ROUTE"));
    list->callback([&options] { options.command = Command::List; });

    // After the command's own checks, as the parser would report a missing server.
    app.final_callback([&options, server] {
        const size_t named = server->count_all();
        if (options.command == Command::List && named > 0)
            throw CLI::ValidationError("list",
                                       "lists every server: it takes no --progid or --clsid");
        if (options.command != Command::List && named != 1)
            throw CLI::RequiredError::Option(1, 1, named, "--progid,--clsid");
        if (options.command == Command::Watch && options.watch.v1 && options.da == DaVersion::V3)
            throw CLI::ValidationError("watch",
                                       "--v1 listens as an OPC 1.0 client: it takes no --da 3");
    });
}

std::optional<int> parseCommandLine(CLI::App& app, int argc, const char* const* argv,
                                    std::ostream& out, std::ostream& errors)
{
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, errors) == 0 ? 0 : kUsageError;
    }
}

} // namespace opcprobe
