// opcprobe: a command-line client for any OPC Data Access server.
//
//   opcprobe --progid Vetrel.ExampleHost status
//   opcprobe --clsid {5C2E9A61-3B7D-4F08-A51E-6D902B44C713} read Example.Tank.Level
//   opcprobe --progid Vetrel.ExampleHost --json write Example.Types.R8=2.5
//   opcprobe --progid Vetrel.ExampleHost watch Example.Tank.Level --rate 500 --for 10
//   opcprobe --progid Vetrel.ExampleHost watch --v1 Example.Tank.Level
//   opcprobe --progid Vetrel.ExampleHost browse --flat
//   opcprobe --progid Vetrel.ExampleHost properties Example.Tank.Level
//   opcprobe --progid Vetrel.ExampleHost --json events --for 60
//
// Exits 0 when every request and every item succeeded, 1 when the server or an item failed,
// and 2 when the command line is wrong. A watch or an events listener that the user or the
// server ends is a success; one whose server is lost (it no longer answers GetStatus) fails.
#include "browse.h"
#include "command_line.h"
#include "events.h"
#include "hresult_names.h"
#include "properties.h"
#include "report.h"
#include "server_id.h"
#include "session.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

using namespace opcprobe;

// What CLSIDFromProgID answers for a name that is not a class.
constexpr HRESULT kNotAClass = static_cast<HRESULT>(0x800401F3);

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int)
{
    interrupted = true;
}

// Commands that listen until interrupted end cleanly on Ctrl+C.
void catchInterrupts()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

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

int run(const Options& options)
{
    // A malformed assignment is a usage error, found before any server is started.
    const std::vector<Assignment> assignments = options.command == Command::Write
                                                    ? parseAssignments(options.assignments)
                                                    : std::vector<Assignment>();
    Session session(chosenServer(options));
    switch (options.command) {
    case Command::Status: {
        const ServerStatus status = session.status();
        std::cout << (options.json ? statusJson(status).dump(2) + "\n" : statusText(status));
        return 0;
    }
    case Command::Read: {
        const auto values =
            session.read(options.items, options.cache ? OPC_DS_CACHE : OPC_DS_DEVICE);
        return report(options, values, readJson, readText) ? 0 : 1;
    }
    case Command::Write:
        return report(options, session.write(assignments), writeJson, writeText) ? 0 : 1;
    case Command::Watch: {
        catchInterrupts();
        const WatchOutcome outcome = watch(session.server(), options.items, options.watch,
                                           options.json, std::cout, interrupted);
        return outcome.allItemsAdded ? 0 : 1;
    }
    case Command::Browse:
        if (options.flat) {
            const std::vector<std::string> itemIDs = browseFlat(session.server());
            std::cout << (options.json ? flatJson(itemIDs).dump(2) + "\n" : flatText(itemIDs));
        } else {
            const BrowseTree tree = browseTree(session.server());
            std::cout << (options.json ? browseJson(tree).dump(2) + "\n" : browseText(tree));
        }
        return 0;
    case Command::Properties: {
        const auto toJson = [&options](const std::vector<PropertyValue>& properties) {
            return propertiesJson(options.item, properties);
        };
        return report(options, itemProperties(session.server(), options.item), toJson,
                      propertiesText)
                   ? 0
                   : 1;
    }
    case Command::Events:
        catchInterrupts();
        watchEvents(session.server(), options.eventSeconds, options.json, std::cout, interrupted);
        return 0;
    }
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"opcprobe: look at an OPC Data Access server"};
    Options options;
    defineCommandLine(app, options);
    try {
        app.parse(argc, argv);
        return run(options);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    } catch (const ProbeFailure& failure) {
        std::cerr << "opcprobe: " << failure.what() << '\n';
        if (options.json)
            std::cout << failureJson(failure.what(), failure.result()).dump(2) << '\n';
        return 1;
    }
}
