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
//   opcprobe list
//   opcprobe list --route registry
//
// Exits 0 when every request and every item succeeded, 1 when the server or an item failed,
// and 2 when the command line is wrong. Each failure is one line: the problem in words, then
// the result code's name and number. A watch or an events listener that the user or the
// server ends is a success; one whose server is lost (it no longer answers GetStatus) fails.
#include "comkit/guid_text.h"
#include "comkit/registry_read.h"
#include "command_run.h"
#include "server_id.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

using namespace opcprobe;

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

// The command line has checked the class identifier's form already.
CLSID chosenServer(const Options& options)
{
    if (!options.clsid.empty()) return vetrel::parseGuid(options.clsid).value_or(CLSID{});
    if (const auto clsid = vetrel::classOfProgId(options.progId)) return *clsid;
    throw ProbeFailure::stated(unregisteredText(options.progId), kNotAClass);
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{
        "opcprobe: look at an OPC Data Access server, or list the OPC servers of this machine"};
    Options options;
    defineCommandLine(app, options);
    // A wrong command line ends the program before any server is contacted.
    if (const auto exitCode = parseCommandLine(app, argc, argv, std::cout, std::cerr))
        return *exitCode;
    try {
        // The only command without a server of its own.
        if (options.command == Command::List) return runList(options, std::cout);
        Session session(chosenServer(options),
                        options.clsid.empty() ? options.progId : options.clsid);
        if (options.command == Command::Watch || options.command == Command::Events)
            catchInterrupts();
        return runCommand(options, session, std::cout, interrupted);
    } catch (const ProbeFailure& failure) {
        return reportFailure(options, failure, std::cout, std::cerr);
    }
}
