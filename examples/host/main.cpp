// A small host of the Vetrel runtime and a COM local server: it publishes a few moving tags, two
// tags with level alarms (Example.Tank.Level swings through its Hi limit, Example.Tank.Inflow
// crosses its Lo and Hi limits when clients write it) and one writable tag of every value type,
// and prints the runtime's trace lines.
//
//   vetrel-example-host [SECONDS]   serve for SECONDS (default 10; 0 serves until Ctrl+C)
//   vetrel-example-host RegServer   register as the local server of Vetrel.ExampleHost, and exit
//   vetrel-example-host UnregServer remove that registration, and exit
//   --rate MS                       server rate in milliseconds (default 250, at least 10)
//   --load N                        N more tags for load tests (load_tags.h)
//
// Started by COM (-Embedding), it serves while clients are connected and exits 2 s after the
// last one has left, or after 30 s when none came. In every mode it also exits on Ctrl+C and when
// a client writes TRUE to Example.Host.Quit; clients still connected then get a shutdown
// request first. A client that writes TRUE to Example.Host.Disconnect makes the host send every
// client a shutdown request, and the host serves on. What a client writes to any tag the host
// publishes again at once, so that every client sees it.
#include "command_line.h"
#include "example_identity.h"
#include "example_tags.h"
#include "serve.h"
#include "vetrel/vetrel.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr WORD kGood = 0xC0;

example::HostEvents hostEvents;
std::atomic<DWORD> quitTag{0xFFFFFFFF};
std::atomic<DWORD> disconnectTag{0xFFFFFFFF};

extern "C" void onSignal(int)
{
    hostEvents.interrupted = true;
}

void printTrace(char* text)
{
    ++hostEvents.clientCalls;
    std::printf("trace: %s\n", text);
    std::fflush(stdout);
}

bool isTrue(const VARIANT& value)
{
    VARIANT flag;
    VariantInit(&flag);
    const bool on = SUCCEEDED(VariantChangeType(&flag, const_cast<VARIANT*>(&value), 0, VT_BOOL)) &&
                    flag.boolVal;
    VariantClear(&flag);
    return on;
}

void onClientWrite(DWORD tag)
{
    std::printf("client wrote tag %08lx\n", static_cast<unsigned long>(tag));
    std::fflush(stdout);
    VARIANT value;
    VariantInit(&value);
    if (ReadTag(tag, &value)) {
        UpdateTag(tag, value, kGood);
        if (tag == quitTag && isTrue(value)) hostEvents.quit = true;
        if (tag == disconnectTag && isTrue(value)) hostEvents.disconnect = true;
    }
    VariantClear(&value);
}

int registerHost()
{
    char path[1024];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        std::fprintf(stderr, "vetrel-example-host: cannot find my own path\n");
        return 1;
    }
    if (!UpdateRegistryA(example::kExampleClass, example::kExampleProgId,
                         example::kExampleDescription, path)) {
        std::fprintf(stderr, "vetrel-example-host: registration failed\n");
        return 1;
    }
    std::printf("registered %s: %s\n", example::kExampleProgId, path);
    return 0;
}

int unregisterHost()
{
    if (!UnregisterServerA(example::kExampleClass, example::kExampleProgId)) {
        std::fprintf(stderr, "vetrel-example-host: %s was not registered\n",
                     example::kExampleProgId);
        return 1;
    }
    std::printf("unregistered %s\n", example::kExampleProgId);
    return 0;
}

int serveClients(const example::HostCommand& command)
{
    EnableEventMsgs(printTrace);
    EnableNotification(onClientWrite);
    // COM hands a waiting client over as soon as InitVetrel registers the class: every tag it
    // may ask for is there by then.
    example::ExampleTags tags;
    example::LoadTags load(command.loadTags);
    quitTag = tags.quitTag();
    disconnectTag = tags.disconnectTag();
    if (!InitVetrel(example::kExampleClass, static_cast<DWORD>(command.serverRate))) {
        std::fprintf(stderr, "vetrel-example-host: the runtime did not start\n");
        return 1;
    }
    std::printf("Vetrel revision %u serving %s\n", static_cast<unsigned>(VetrelRevision()),
                example::kExampleProgId);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    const example::StopReason reason = example::serve(command, tags, load, hostEvents);
    std::printf("stopping: %s\n", example::describe(reason));
    if (NumbrClientConnections() > 0) RequestDisconnect();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const auto command = example::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!command) {
        std::fprintf(stderr, "usage: vetrel-example-host [SECONDS] [--rate MS] [--load N] | "
                             "RegServer | UnregServer\n");
        return 2;
    }
    switch (command->action) {
    case example::HostCommand::Action::Register:
        return registerHost();
    case example::HostCommand::Action::Unregister:
        return unregisterHost();
    case example::HostCommand::Action::Serve:
        break;
    }
    return serveClients(*command);
}
