#include "watch.h"

#include "advice.h"
#include "data_sink.h"
#include "probe_group.h"
#include "report.h"
#include "session.h"
#include "shutdown_sink.h"
#include "stream_sink.h"
#include "watch_da3.h"
#include "watch_lines.h"
#include "watch_queue.h"

#include <algorithm>
#include <iostream>
#include <memory>

namespace opcprobe {
namespace {

using Clock = WatchQueue::Clock;

// How soon an interrupt is noticed while nothing arrives.
constexpr auto kInterruptPoll = std::chrono::milliseconds(100);

// Prints the refused items as the read command does; false when any was refused.
bool reportRefused(const std::vector<std::string>& items, const std::vector<AddedItem>& added,
                   bool json, std::ostream& out)
{
    bool allAdded = true;
    for (size_t i = 0; i < items.size(); ++i) {
        if (SUCCEEDED(added[i].error)) continue;
        allAdded = false;
        ItemValue refused;
        refused.item = items[i];
        refused.error = added[i].error;
        out << (json ? itemJson(refused).dump() : itemText(refused)) << std::endl;
    }
    return allAdded;
}

} // namespace

Clock::time_point watchDeadline(std::optional<double> seconds)
{
    if (!seconds) return Clock::time_point::max();
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*seconds));
}

std::optional<Advice> adviseShutdown(IOPCServer* server, IUnknown* sink)
{
    try {
        return std::make_optional<Advice>(server, IID_IOPCShutdown, sink, "the shutdown sink");
    } catch (const ProbeFailure& failure) {
        std::cerr << "opcprobe: " << failure.what() << "; shutdown requests will not be seen\n";
        return std::nullopt;
    }
}

WatchEnd printUntilEnd(IOPCServer* server, WatchQueue& queue, Clock::time_point end, bool json,
                       std::ostream& out, const std::atomic<bool>& interrupted,
                       std::optional<std::chrono::milliseconds> keepAlive)
{
    const auto checkAfter = statusCheckAfter(keepAlive);
    auto nextCheck = Clock::now() + checkAfter;
    for (;;) {
        const WatchQueue::Taken taken = queue.take(std::min(end, Clock::now() + kInterruptPoll));
        if (keepAlive && taken.lastHeard)
            nextCheck = std::max(nextCheck, *taken.lastHeard + checkAfter);
        // Flushed line by line, for scripts that read the output as it comes.
        for (const std::string& line : taken.lines) out << line << std::endl;
        if (taken.shutdown) {
            out << shutdownLine(*taken.shutdown, json) << std::endl;
            return WatchEnd::ShutdownRequested;
        }
        if (interrupted) return WatchEnd::Interrupted;
        if (Clock::now() >= end) return WatchEnd::TimeUp;
        if (Clock::now() >= nextCheck) {
            serverStatus(server, "The server was lost: GetStatus");
            nextCheck = Clock::now() + checkAfter;
        }
    }
}

WatchOutcome watch(IOPCServer* server, const std::vector<std::string>& items,
                   const WatchSettings& settings, DaVersion da, bool json, std::ostream& out,
                   const std::atomic<bool>& interrupted)
{
    GroupSettings groupSettings;
    groupSettings.active = true;
    groupSettings.updateRate = settings.updateRate;
    groupSettings.deadband = settings.deadband;
    ProbeGroup group(server, groupSettings);
    const std::vector<AddedItem> added = group.addItems(items);
    WatchOutcome outcome;
    outcome.allItemsAdded = reportRefused(items, added, json, out);
    const auto watched = std::count_if(added.begin(), added.end(),
                                       [](const AddedItem& item) { return SUCCEEDED(item.error); });
    if (watched == 0)
        throw ProbeFailure("Adding the items", items.empty() ? E_INVALIDARG : added.front().error);

    const bool da3 = da == DaVersion::V3 && !settings.v1;
    // The sinks may be called after the probe let go of them, so they share the queue.
    const auto queue = std::make_shared<WatchQueue>();
    const auto repeats = da3 ? std::make_shared<RepeatFilter>(items.size()) : nullptr;
    const auto onChange = [queue, repeats, items, json](DataCallback call) {
        // Completions of other requests carry a transaction id; the probe makes only its refresh.
        const bool ours =
            call.transaction == 0 || (repeats && call.transaction == kWatchRefreshTransaction);
        if (call.kind != DataCallback::Kind::DataChange || !ours) return;
        std::vector<std::string> lines = dataChangeLines(call, items, json);
        queue->push(repeats ? repeats->novel(call, std::move(lines)) : std::move(lines));
    };
    const auto shutdownSink = ShutdownSink::create(
        [queue](std::string reason) { queue->requestShutdown(std::move(reason)); });

    // The server holds the advised sink for as long as it is advised.
    std::optional<StreamAdvice> streamAdvice;
    std::optional<Advice> dataAdvice;
    if (settings.v1)
        streamAdvice.emplace(group.object(), StreamSink::create(onChange).get());
    else
        dataAdvice.emplace(group.object(), IID_IOPCDataCallback, DataSink::create(onChange).get(),
                           "the data callback");
    const std::optional<Advice> shutdownAdvice = adviseShutdown(server, shutdownSink.get());
    std::optional<std::chrono::milliseconds> keepAlive;
    if (da3) {
        keepAlive = agreeKeepAlive(group.object(), kServerCheckPeriod);
        refreshAtOnce(group.object());
    }
    std::cerr << "opcprobe: watching " << watched << " item(s), update rate " << group.revisedRate()
              << " ms, deadband " << settings.deadband << " %";
    if (keepAlive) std::cerr << ", keep-alive " << keepAlive->count() << " ms";
    std::cerr << '\n';
    outcome.end = printUntilEnd(server, *queue, watchDeadline(settings.seconds), json, out,
                                interrupted, keepAlive);
    return outcome;
}

} // namespace opcprobe
