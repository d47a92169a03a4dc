#include "events.h"

#include "event_lines.h"
#include "event_sink.h"
#include "session.h"
#include "shutdown_sink.h"

#include <iostream>
#include <memory>

namespace opcprobe {

using vetrel::ComPtr;

WatchEnd watchEvents(IOPCServer* server, std::optional<double> seconds, bool json,
                     std::ostream& out, const std::atomic<bool>& interrupted)
{
    ComPtr<IOPCEventServer> eventServer;
    HRESULT hr = server->QueryInterface(IID_IOPCEventServer, eventServer.putVoid());
    if (FAILED(hr) || !eventServer)
        throw ProbeFailure("Finding the event server", FAILED(hr) ? hr : E_NOINTERFACE);
    ComPtr<IUnknown> subscription;
    DWORD revisedBufferTime = 0, revisedMaxSize = 0;
    hr = eventServer->CreateEventSubscription(TRUE, 0, 0, 0, IID_IOPCEventSubscriptionMgt,
                                              subscription.put(), &revisedBufferTime,
                                              &revisedMaxSize);
    if (FAILED(hr) || !subscription)
        throw ProbeFailure("Creating the event subscription", FAILED(hr) ? hr : E_POINTER);

    // The sinks may be called after the probe let go of them, so they share the queue.
    const auto queue = std::make_shared<WatchQueue>();
    const auto eventSink = EventSink::create([queue, json](std::vector<ReceivedEvent> events) {
        std::vector<std::string> lines;
        for (const ReceivedEvent& event : events) lines.push_back(eventLine(event, json));
        queue->push(std::move(lines));
    });
    const auto shutdownSink =
        ShutdownSink::create([queue](std::string reason) { queue->requestShutdown(reason); });

    const Advice eventAdvice(subscription.get(), IID_IOPCEventSink, eventSink.get(),
                             "the event sink");
    const std::optional<Advice> shutdownAdvice = adviseShutdown(server, shutdownSink.get());
    std::cerr << "opcprobe: waiting for events\n";
    return printUntilEnd(server, *queue, watchDeadline(seconds), json, out, interrupted);
}

} // namespace opcprobe
