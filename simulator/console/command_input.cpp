#include "simulator/console/command_input.h"

#include "simulator/console/process.h"
#include "simulator/core/main_queue.h"

#include <thread>

namespace moxlan {

namespace {

// No command is this long; a longer line is read past, never held whole.
constexpr size_t kLongestLine = 4096;

void postLine(MainQueue& queue, std::string line)
{
    if (!line.empty() && line.back() == '\r') line.pop_back();
    HostEvent event = HostEvent::of(HostEvent::Kind::Command);
    event.text = std::move(line);
    queue.post(std::move(event));
}

void readLines(MainQueue& queue)
{
    std::string pending;
    bool overlong = false;
    char buffer[512];
    while (const size_t got = readStandardInput(buffer, sizeof buffer)) {
        pending.append(buffer, got);
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            if (!overlong) postLine(queue, pending.substr(0, end));
            overlong = false;
            pending.erase(0, end + 1);
        }
        if (pending.size() > kLongestLine) {
            // Said once, as a command no one can mean.
            if (!overlong) postLine(queue, "(a line of more than 4096 characters)");
            overlong = true;
            pending.clear();
        }
    }
    if (overlong) return;
    // A last line without its line end is still a command.
    if (!pending.empty()) postLine(queue, std::move(pending));
}

} // namespace

void startCommandInput(MainQueue& queue)
{
    std::thread([&queue] {
        try {
            readLines(queue);
        } catch (const std::exception&) {
            // Without memory for a line the commands end; the simulation goes on.
        }
    }).detach();
}

} // namespace moxlan
