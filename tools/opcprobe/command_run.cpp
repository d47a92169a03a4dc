#include "command_run.h"

#include "browse.h"
#include "discovery.h"
#include "events.h"
#include "item_io_da3.h"
#include "properties.h"
#include "report.h"

namespace opcprobe {
namespace {

template <typename Result> bool allSucceeded(const std::vector<Result>& results)
{
    for (const Result& result : results)
        if (FAILED(result.error)) return false;
    return true;
}

// Prints the document or the text and gives the exit code.
template <typename Results, typename ToJson, typename ToText>
int report(const Options& options, std::ostream& out, const Results& results, ToJson toJson,
           ToText toText)
{
    if (options.json)
        out << toJson(results).dump(2) << '\n';
    else
        out << toText(results);
    return allSucceeded(results) ? 0 : 1;
}

DaVersion daVersion(const Options& options, Session& session)
{
    return chooseDaVersion(session.server(), options.da);
}

} // namespace

int runCommand(const Options& options, Session& session, std::ostream& out,
               const std::atomic<bool>& interrupted)
{
    switch (options.command) {
    case Command::Status: {
        const ServerStatus status = session.status();
        out << (options.json ? statusJson(status).dump(2) + "\n" : statusText(status));
        return 0;
    }
    case Command::Read: {
        const OPCDATASOURCE source = options.cache ? OPC_DS_CACHE : OPC_DS_DEVICE;
        const auto values = daVersion(options, session) == DaVersion::V3
                                ? readDa3(session.server(), options.items, source)
                                : session.read(options.items, source);
        return report(options, out, values, readJson, readText);
    }
    case Command::Write: {
        const auto results = daVersion(options, session) == DaVersion::V3
                                 ? writeDa3(session.server(), options.assignments)
                                 : session.write(options.assignments);
        return report(options, out, results, writeJson, writeText);
    }
    case Command::Watch:
        return watch(session.server(), options.items, options.watch,
                     options.watch.v1 ? DaVersion::V2 : daVersion(options, session), options.json,
                     out, interrupted)
                       .allItemsAdded
                   ? 0
                   : 1;
    case Command::Browse:
        if (options.flat) {
            const std::vector<std::string> itemIDs = daVersion(options, session) == DaVersion::V3
                                                         ? browseFlatDa3(session.server())
                                                         : browseFlat(session.server());
            out << (options.json ? flatJson(itemIDs).dump(2) + "\n" : flatText(itemIDs));
        } else {
            const BrowseTree tree = daVersion(options, session) == DaVersion::V3
                                        ? browseTreeDa3(session.server())
                                        : browseTree(session.server());
            out << (options.json ? browseJson(tree).dump(2) + "\n" : browseText(tree));
        }
        return 0;
    case Command::Properties: {
        const auto toJson = [&options](const std::vector<PropertyValue>& properties) {
            return propertiesJson(options.item, properties);
        };
        const auto properties = daVersion(options, session) == DaVersion::V3
                                    ? itemPropertiesDa3(session.server(), options.item)
                                    : itemProperties(session.server(), options.item);
        return report(options, out, properties, toJson, propertiesText);
    }
    case Command::Events:
        watchEvents(session.server(), options.eventSeconds, options.json, out, interrupted);
        return 0;
    case Command::List:
        return runList(options, out);
    }
    return 2;
}

int runList(const Options& options, std::ostream& out)
{
    const ServerListing listing = listServers(options.route);
    out << (options.json ? listJson(listing).dump(2) + "\n" : listText(listing));
    return 0;
}

int reportFailure(const Options& options, const ProbeFailure& failure, std::ostream& out,
                  std::ostream& errors)
{
    errors << "opcprobe: " << failure.what() << '\n';
    if (options.json) out << failureJson(failure.what(), failure.result()).dump(2) << '\n';
    return 1;
}

} // namespace opcprobe
