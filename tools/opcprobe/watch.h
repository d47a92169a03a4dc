// `opcprobe watch`: subscribes to items through an active group and prints every data change
// the server reports, until the time is up, the user interrupts, the server asks its clients
// to disconnect, or the server is lost.
#pragma once

#include "advice.h"
#include "da_version.h"
#include "vetrel/opc.h"
#include "watch_queue.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace opcprobe {

struct WatchSettings
{
    DWORD updateRate = 1000;
    // Percent of the last reported value an analog item must move to be reported.
    float deadband = 0.0f;
    // Empty: until interrupted or shut down.
    std::optional<double> seconds;
    // Listen as an OPC 1.0 client: data blocks through the group's IDataObject.
    bool v1 = false;
};

enum class WatchEnd
{
    TimeUp,
    Interrupted,
    ShutdownRequested,
};

struct WatchOutcome
{
    WatchEnd end = WatchEnd::TimeUp;
    // False when the server refused some items; the others were watched.
    bool allItemsAdded = true;
};

// The parts of a watch that the other listening commands share.

// When a watch of seconds ends; never when empty.
WatchQueue::Clock::time_point watchDeadline(std::optional<double> seconds);
// Advises sink for the server's shutdown requests. That sink is a courtesy: a server that
// refuses it is still listened to, the refusal reported on standard error.
std::optional<Advice> adviseShutdown(IOPCServer* server, IUnknown* sink);
// How often a listening command asks the server for its status. A server that died calls
// nothing back, so without asking the probe would wait for it forever.
inline constexpr auto kServerCheckPeriod = std::chrono::milliseconds(2000);
// With a keep-alive agreed, the server's calls show it alive: it is asked for its status only
// once it has not called for the keep-alive and half a check period.
constexpr std::chrono::milliseconds
statusCheckAfter(std::optional<std::chrono::milliseconds> keepAlive)
{
    return keepAlive ? *keepAlive + kServerCheckPeriod / 2 : kServerCheckPeriod;
}
// Prints the queued lines as they come until end, an interrupt or the server's shutdown
// request. Throws ProbeFailure when the server stops answering GetStatus.
WatchEnd printUntilEnd(IOPCServer* server, WatchQueue& queue, WatchQueue::Clock::time_point end,
                       bool json, std::ostream& out, const std::atomic<bool>& interrupted,
                       std::optional<std::chrono::milliseconds> keepAlive = std::nullopt);

// Prints each change as one line to out (JSON objects with json), refused items first. The
// group and the advised sinks are gone when it returns. Throws ProbeFailure when no item could
// be watched or the server is lost. Through the 3.0 interfaces (not with settings.v1) the values
// come at once and a keep-alive shows the server alive; the lines are the same.
WatchOutcome watch(IOPCServer* server, const std::vector<std::string>& items,
                   const WatchSettings& settings, DaVersion da, bool json, std::ostream& out,
                   const std::atomic<bool>& interrupted);

} // namespace opcprobe
