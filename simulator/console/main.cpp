// moxlan-console: the Moxlan OPC server simulator without a window.
#include "simulator/console/console_host.h"
#include "simulator/console/process.h"
#include "simulator/core/main_queue.h"
#include "simulator/core/moxlan_app.h"

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace moxlan;

    // A registration run binds nothing: it writes or removes the registry entries and ends.
    const RegistrationRequest request = scanCommandLine(rawCommandLine(argc, argv));
    if (request != RegistrationRequest::None) {
        runRegistration(request, modulePath());
        return 0;
    }

    std::string error;
    const std::optional<ConsoleOptions> options = parseConsoleOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "moxlan-console: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(consoleUsage(), stdout);
        return 0;
    }
    const std::string configPath =
        options->configPath.value_or(programDirectory(modulePath()) + kConfigFileName);

    StopRequests stops(mainQueue());
    return runConsoleHost(configPath, *options);
}
