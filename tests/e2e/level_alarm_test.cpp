// Level-alarm events from the example host to event sinks in this client process, through real
// COM across processes: the host's swinging tank level, and a flow this client drives across its
// limits by writing it. The program starts the host itself; one host serves every case.
#include "advice.h"
#include "child_process.h"
#include "event_sink.h"
#include "example_tags.h"
#include "host_process.h"
#include "opc_client.h"
#include "probe_group.h"
#include "session.h"
#include "started_host.h"
#include "tests/support/variants.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

namespace {

using e2e::ComPtr;
using opcprobe::ReceivedEvent;

// Bounds of waits for what must come; reached only when something is broken.
constexpr DWORD kEventTimeoutMs = 20000;
// The tank level passes its Hi limit once in about 31 one-second ticks of the host.
constexpr DWORD kSwingTimeoutMs = 90000;

const std::string kHigh = "High Limit Exceeded";
const std::string kLow = "Low Limit Exceeded";
const std::string kNormal = "Normal Condition";

// The events that reached a sink, on whichever thread the server called it, for the main thread
// to wait for and look at.
class EventLog
{
public:
    // A sink that records here; it may outlive the log.
    ComPtr<opcprobe::EventSink> sink() const
    {
        return opcprobe::EventSink::create([record = m_record](std::vector<ReceivedEvent> events) {
            const std::lock_guard lock(record->lock);
            for (ReceivedEvent& event : events) record->events.push_back(std::move(event));
            record->grown.notify_all();
        });
    }

    // Waits until count events from the source have come; false after the timeout.
    bool waitFor(std::string_view source, size_t count, DWORD timeoutMs) const
    {
        std::unique_lock lock(m_record->lock);
        return m_record->grown.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return fromLocked(source).size() >= count; });
    }

    // The events from the source so far, in arrival order.
    std::vector<ReceivedEvent> from(std::string_view source) const
    {
        const std::lock_guard lock(m_record->lock);
        return fromLocked(source);
    }

private:
    std::vector<ReceivedEvent> fromLocked(std::string_view source) const
    {
        std::vector<ReceivedEvent> found;
        for (const ReceivedEvent& event : m_record->events)
            if (event.source == source) found.push_back(event);
        return found;
    }

    struct Record
    {
        std::mutex lock;
        std::condition_variable grown;
        std::vector<ReceivedEvent> events;
    };
    std::shared_ptr<Record> m_record = std::make_shared<Record>();
};

std::vector<std::string> messagesOf(const std::vector<ReceivedEvent>& events)
{
    std::vector<std::string> messages;
    for (const ReceivedEvent& event : events) messages.push_back(event.message);
    return messages;
}

// An event subscription of the server with the log's sink advised on it, for as long as it lives.
class Subscription
{
public:
    Subscription(IOPCServer* server, const EventLog& log)
        : m_object(subscribe(server)),
          m_advice(m_object.get(), IID_IOPCEventSink, log.sink().get(), "the event sink")
    {}

private:
    // Throws ProbeFailure when the server refuses, which fails the case.
    static ComPtr<IUnknown> subscribe(IOPCServer* server)
    {
        ComPtr<IOPCEventServer> events;
        HRESULT hr = server->QueryInterface(IID_IOPCEventServer, events.putVoid());
        if (FAILED(hr) || !events) throw opcprobe::ProbeFailure("Finding the event server", hr);
        ComPtr<IUnknown> subscription;
        DWORD bufferTime = 0, maxSize = 0;
        hr = events->CreateEventSubscription(TRUE, 0, 0, 0, IID_IOPCEventSubscriptionMgt,
                                             subscription.put(), &bufferTime, &maxSize);
        if (hr != S_OK || !subscription)
            throw opcprobe::ProbeFailure("Creating an event subscription", hr);
        return subscription;
    }

    ComPtr<IUnknown> m_object;
    opcprobe::Advice m_advice;
};

class Events : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { e2e::StartedHost::start("0"); }
    static void TearDownTestSuite() { e2e::StartedHost::stop(); }

    void SetUp() override
    {
        ASSERT_TRUE(e2e::StartedHost::connected()) << "no connection to the host";
    }

    static IOPCServer* server() { return e2e::StartedHost::server(); }

    static void writeInflow(float value)
    {
        e2e::StartedHost::write(example::kTankInflow, vetrel::test::r4(value));
    }
};

TEST_F(Events, TheSwingingTankLevelRaisesItsHighAlarmAndReturnsToNormal)
{
    EventLog log;
    const Subscription subscription(server(), log);
    ASSERT_TRUE(log.waitFor(example::kTankLevel, 2, kSwingTimeoutMs))
        << "the level passes its Hi limit and falls back on its own";
    // Each crossing raises one event: the states alternate, whichever came first, so both come.
    const std::vector<ReceivedEvent> events = log.from(example::kTankLevel);
    for (size_t i = 0; i < events.size(); ++i) {
        const ReceivedEvent& event = events[i];
        const bool high = event.message == kHigh;
        EXPECT_TRUE(high || event.message == kNormal) << event.message;
        EXPECT_EQ(event.severity, high ? example::kTankLevelHighSeverity : 0u) << event.message;
        if (i > 0) {
            EXPECT_NE(event.message, events[i - 1].message) << "event " << i;
        }
    }
}

TEST_F(Events, AClientWriteDrivesTheFlowAcrossItsLimits)
{
    const float middle = (example::kInflowLow + example::kInflowHigh) / 2.0f;
    writeInflow(middle);
    EventLog log;
    const Subscription subscription(server(), log);

    writeInflow(example::kInflowHigh + 5.0f);
    ASSERT_TRUE(log.waitFor(example::kTankInflow, 1, kEventTimeoutMs));
    // Rising further within the band raises nothing; the next event is the return to normal.
    writeInflow(example::kInflowHigh + 6.0f);
    writeInflow(middle);
    ASSERT_TRUE(log.waitFor(example::kTankInflow, 2, kEventTimeoutMs));
    // A value on a limit is in that limit's band, and a jump from Lo to Hi is one event.
    writeInflow(example::kInflowLow);
    writeInflow(example::kInflowHigh);
    ASSERT_TRUE(log.waitFor(example::kTankInflow, 4, kEventTimeoutMs));

    const std::vector<ReceivedEvent> events = log.from(example::kTankInflow);
    EXPECT_EQ(messagesOf(events), (std::vector<std::string>{kHigh, kNormal, kLow, kHigh}));
    const std::vector<DWORD> severities{example::kInflowHighSeverity, 0,
                                        example::kInflowLowSeverity, example::kInflowHighSeverity};
    for (size_t i = 0; i < std::min(events.size(), severities.size()); ++i)
        EXPECT_EQ(events[i].severity, severities[i]) << events[i].message;
    writeInflow(middle);
}

TEST_F(Events, EverySubscriptionReceivesTheEventOnce)
{
    writeInflow(example::kInflowHigh + 1.0f);
    EventLog first, second;
    const Subscription one(server(), first);
    const Subscription other(server(), second);

    writeInflow(example::kInflowLow - 1.0f);
    ASSERT_TRUE(first.waitFor(example::kTankInflow, 1, kEventTimeoutMs));
    ASSERT_TRUE(second.waitFor(example::kTankInflow, 1, kEventTimeoutMs));
    // A later event marks the end of what the first write sent.
    writeInflow((example::kInflowLow + example::kInflowHigh) / 2.0f);
    ASSERT_TRUE(first.waitFor(example::kTankInflow, 2, kEventTimeoutMs));
    ASSERT_TRUE(second.waitFor(example::kTankInflow, 2, kEventTimeoutMs));
    for (const EventLog* log : {&first, &second}) {
        EXPECT_EQ(messagesOf(log->from(example::kTankInflow)),
                  (std::vector<std::string>{kLow, kNormal}));
    }
}

} // namespace
