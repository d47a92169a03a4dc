#include "simulator/console/console_host.h"

#include "simulator/console/command_input.h"
#include "simulator/console/process.h"
#include "simulator/core/event_log.h"
#include "simulator/core/fault_command.h"
#include "simulator/core/main_queue.h"
#include "simulator/core/moxlan_app.h"
#include "simulator/core/moxlan_doc.h"
#include "vetrel/vetrel.h"

#include <cstdio>
#include <thread>

namespace moxlan {

namespace {

constexpr std::chrono::seconds kTick{1};

// Runtime threads call these; the main thread does the work.
void onEventMessage(char* text)
{
    postTrace(text);
}

void onTagWritten(DWORD hTag)
{
    postTagWritten(hTag);
}

void printLine(std::FILE* stream, const std::string& line)
{
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void waitFor(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

class ConsoleHost
{
public:
    ConsoleHost(const std::string& configPath, const ConsoleOptions& options)
        : m_options(options),
          m_doc(configPath, [](const std::string& message) { printLine(stderr, message); })
    {
        if (!m_doc.startupNote().empty()) say(m_doc.startupNote());
        if (!m_doc.startupProblem().empty()) report(m_doc.startupProblem());
        // COM hands a waiting client over as soon as InitVetrel registers the class: the
        // variables' tags are there by then.
        m_serving = InitVetrel(kMoxlanClsid, kServerRate);
        if (!m_serving) {
            report(kServerRefusedMessage);
            return;
        }
        if (clientsNeedRegistration()) {
            if (const std::string problem = registrationProblem(); !problem.empty())
                report(problem);
        }
        say("Moxlan started with " + std::to_string(m_doc.GetDeviceCount()) + " variables from " +
            configPath);
    }

    ~ConsoleHost() { say("Saving " + m_doc.configPath().string() + " and removing the tags"); }

    // False when the runtime refused to serve: a server no client can reach ends at once.
    bool serving() const noexcept { return m_serving; }

    void run()
    {
        auto nextTick = std::chrono::steady_clock::now() + kTick;
        for (;;) {
            // Ticks come first, so a flood of trace lines cannot hold the simulation back.
            const auto now = std::chrono::steady_clock::now();
            if (now >= nextTick) {
                tick();
                // A host that fell behind (a suspended process) does not tick to catch up.
                nextTick += kTick;
                if (nextTick <= now) nextTick = now + kTick;
                continue;
            }
            const std::optional<HostEvent> event = mainQueue().waitUntil(nextTick);
            if (event && !handle(*event)) return;
        }
    }

private:
    void say(const std::string& text) { printLine(stdout, m_log.addLine(text)); }
    // A problem goes to standard error and to the log.
    void report(const std::string& text)
    {
        printLine(stderr, "moxlan-console: " + text);
        say(text);
    }

    void tick()
    {
        m_doc.SimulateAll();
        if (m_options.autosaveTicks > 0 && ++m_ticksSinceSave >= m_options.autosaveTicks) {
            m_ticksSinceSave = 0;
            m_doc.saveFile(m_doc.configPath());
        }
    }

    // False when the host is to end.
    bool handle(const HostEvent& event)
    {
        switch (event.kind) {
        case HostEvent::Kind::Trace:
            printLine(stdout, m_log.addLine(event.text, event.time));
            return true;
        case HostEvent::Kind::TagWritten:
            m_doc.OnTagWritten(event.tag, event.value);
            return true;
        case HostEvent::Kind::Interrupt:
            say("Interrupted: asking the clients to disconnect");
            if (orderlyExit(waitFor)) return false;
            say(kClientsAttachedMessage);
            return true;
        case HostEvent::Kind::Terminate:
            say("Terminated: asking the clients to disconnect, then ending");
            RequestDisconnect();
            waitFor(kDisconnectWait);
            return false;
        case HostEvent::Kind::Command:
            runCommand(event.text);
            return true;
        }
        return true;
    }

    // A fault command: what it did goes to the log, why it was refused to standard error.
    void runCommand(const std::string& line)
    {
        const FaultCommand command = parseFaultCommand(line);
        switch (command.kind) {
        case FaultCommand::Kind::Nothing:
            return;
        case FaultCommand::Kind::Help:
            std::fputs(kFaultCommandHelp, stdout);
            std::fflush(stdout);
            return;
        case FaultCommand::Kind::Invalid:
            printLine(stderr, "moxlan-console: " + command.error);
            return;
        default:
            break;
        }
        const int index = m_doc.FindDevice(command.name);
        if (index < 0) {
            printLine(stderr, "moxlan-console: no variable named " + command.name);
            return;
        }
        const Fault fault = appliedFault(command, m_doc.GetDevice(index)->m_Fault);
        m_doc.SetFault(index, fault);
        const std::string marker = faultMarker(fault);
        say(command.name + ": " + (marker.empty() ? "no fault" : marker));
    }

    const ConsoleOptions m_options;
    CEventLog m_log;
    CMoxlanDoc m_doc;
    bool m_serving = false;
    int m_ticksSinceSave = 0;
};

} // namespace

int runConsoleHost(const std::string& configPath, const ConsoleOptions& options)
{
    EnableEventMsgs(onEventMessage);
    EnableNotification(onTagWritten);
    bool served = false;
    {
        ConsoleHost host(configPath, options);
        served = host.serving();
        if (served) {
            startCommandInput(mainQueue());
            host.run();
        }
    }
    // Callbacks from now on find no document to serve.
    mainQueue().close();
    return served ? 0 : 1;
}

} // namespace moxlan
