// opcprobe: a command-line client for any OPC Data Access server.
//
//   opcprobe --progid Vetrel.ExampleHost status
//   opcprobe --clsid {5C2E9A61-3B7D-4F08-A51E-6D902B44C713} read Example.Tank.Level
//   opcprobe --progid Vetrel.ExampleHost --json write Example.Types.R8=2.5
//
// Exits 0 when every request and every item succeeded, 1 when the server or an item failed,
// and 2 when the command line is wrong.
#include "hresult_names.h"
#include "report.h"
#include "server_id.h"
#include "session.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <optional>

namespace {

using namespace opcprobe;

// What CLSIDFromProgID answers for a name that is not a class.
constexpr HRESULT kNotAClass = static_cast<HRESULT>(0x800401F3);

struct Options
{
    std::string progId;
    std::string clsid;
    bool json = false;
    bool cache = false;
    std::vector<std::string> items;
    std::vector<std::string> assignments;
};

CLSID chosenServer(const Options& options)
{
    if (!options.clsid.empty()) {
        if (const auto clsid = parseClsid(options.clsid)) return *clsid;
        throw ProbeFailure("Reading the class identifier " + options.clsid, kNotAClass);
    }
    if (const auto clsid = clsidFromProgId(options.progId)) return *clsid;
    throw ProbeFailure("Finding the ProgID " + options.progId, kNotAClass);
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

template <typename Result> bool allSucceeded(const std::vector<Result>& results)
{
    for (const Result& result : results)
        if (FAILED(result.error)) return false;
    return true;
}

// Prints the document or the text and tells whether everything succeeded.
template <typename Results, typename ToJson, typename ToText>
bool report(const Options& options, const Results& results, ToJson toJson, ToText toText)
{
    if (options.json)
        std::cout << toJson(results).dump(2) << '\n';
    else
        std::cout << toText(results);
    return allSucceeded(results);
}

int run(const CLI::App& app, const Options& options)
{
    // A malformed assignment is a usage error, found before any server is started.
    const std::vector<Assignment> assignments = app.got_subcommand("write")
                                                    ? parseAssignments(options.assignments)
                                                    : std::vector<Assignment>();
    Session session(chosenServer(options));
    if (app.got_subcommand("status")) {
        const ServerStatus status = session.status();
        std::cout << (options.json ? statusJson(status).dump(2) + "\n" : statusText(status));
        return 0;
    }
    if (app.got_subcommand("read")) {
        const auto values =
            session.read(options.items, options.cache ? OPC_DS_CACHE : OPC_DS_DEVICE);
        return report(options, values, readJson, readText) ? 0 : 1;
    }
    return report(options, session.write(assignments), writeJson, writeText) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"opcprobe: look at an OPC Data Access server"};
    Options options;
    auto* server = app.add_option_group("server", "the server to talk to");
    server->add_option("--progid", options.progId, "ProgID of the server, e.g. Vetrel.ExampleHost");
    server->add_option("--clsid", options.clsid, "class identifier of the server");
    server->require_option(1);
    app.add_flag("--json", options.json, "print one JSON document");
    app.require_subcommand(1);
    app.add_subcommand("status", "the server's status");
    auto* read = app.add_subcommand("read", "read items");
    read->add_option("ITEM", options.items, "item IDs")->required();
    read->add_flag("--cache", options.cache, "read from the cache instead of the device");
    auto* write = app.add_subcommand("write", "write items");
    write->add_option("ASSIGNMENT", options.assignments, "ITEM=VALUE, e.g. Tank.Level=2.5")
        ->required();

    try {
        app.parse(argc, argv);
        return run(app, options);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    } catch (const ProbeFailure& failure) {
        std::cerr << "opcprobe: " << failure.what() << '\n';
        if (options.json)
            std::cout << failureJson(failure.what(), failure.result()).dump(2) << '\n';
        return 1;
    }
}
