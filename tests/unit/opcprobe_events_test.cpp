// opcprobe's events command: its command line, the lines it prints, its sink, and a whole run
// against a Vetrel server in the same process.
#include "command_line.h"
#include "event_lines.h"
#include "event_sink.h"
#include "events.h"
#include "session.h"
#include "support/times.h"
#include "support/trace_recorder.h"
#include "unit/opcprobe_options.h"
#include "vetrel/vetrel.h"
#include "wide_text.h"

#include <chrono>
#include <gtest/gtest.h>
#include <new>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

namespace {

using namespace opcprobe;
using vetrel::ComPtr;

constexpr CLSID kProbedClass = {
    0x6A1F2C90, 0x4E7B, 0x4B2D, {0x9C, 0x31, 0x7E, 0x05, 0xA8, 0x4D, 0x12, 0x66}};

using opcprobe::test::parse;

TEST(OpcProbeEvents, CommandLineTakesAnOptionalDuration)
{
    const Options timed = parse({"--progid", "P", "--json", "events", "--for", "2.5"});
    EXPECT_EQ(timed.command, Command::Events);
    ASSERT_TRUE(timed.eventSeconds);
    EXPECT_DOUBLE_EQ(*timed.eventSeconds, 2.5);
    EXPECT_TRUE(timed.json);
    EXPECT_FALSE(parse({"--progid", "P", "events"}).eventSeconds)
        << "without --for the command listens until it is stopped";
}

TEST(OpcProbeEvents, LinesShowTimeSourceMessageAndSeverity)
{
    const ReceivedEvent event{vetrel::test::fileTime(2026, 12, 7, 13, 1, 2), "Tank.Level",
                              "High Limit Exceeded", 700};
    EXPECT_EQ(eventLine(event, false),
              "2026-12-07T13:01:02.000Z Tank.Level: High Limit Exceeded (severity 700)");
    const std::string json = eventLine(event, true);
    EXPECT_EQ(json.find('\n'), std::string::npos) << "one object per line";
    const nlohmann::json parsed = nlohmann::json::parse(json);
    EXPECT_EQ(parsed["time"], "2026-12-07T13:01:02.000Z");
    EXPECT_EQ(parsed["source"], "Tank.Level");
    EXPECT_EQ(parsed["message"], "High Limit Exceeded");
    EXPECT_EQ(parsed["severity"], 700);
}

TEST(OpcProbeEvents, SinkCopiesEachEventAndRefusesBadCalls)
{
    std::vector<ReceivedEvent> received;
    const ComPtr<EventSink> sink =
        EventSink::create([&received](std::vector<ReceivedEvent> events) {
            for (ReceivedEvent& event : events) received.push_back(std::move(event));
        });
    auto source = widen("Pump.Speed");
    auto message = widen("started");
    ONEVENTSTRUCT events[2] = {};
    events[0].szSource = reinterpret_cast<LPWSTR>(source.data());
    events[0].szMessage = reinterpret_cast<LPWSTR>(message.data());
    events[0].dwSeverity = 300;
    events[0].ftTime = vetrel::test::fileTime(2026, 1, 2, 3, 4, 5);
    EXPECT_EQ(sink->OnEvent(1, FALSE, FALSE, 2, events), S_OK);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].source, "Pump.Speed");
    EXPECT_EQ(received[0].message, "started");
    EXPECT_EQ(received[0].severity, 300u);
    EXPECT_EQ(received[0].time.dwLowDateTime, events[0].ftTime.dwLowDateTime);
    EXPECT_EQ(received[1].source, "") << "an absent text reads as empty";

    EXPECT_EQ(sink->OnEvent(1, FALSE, FALSE, 1, nullptr), E_INVALIDARG);
    const ComPtr<EventSink> failing =
        EventSink::create([](std::vector<ReceivedEvent>) { throw std::bad_alloc(); });
    EXPECT_EQ(failing->OnEvent(1, FALSE, FALSE, 1, events), E_OUTOFMEMORY);
}

TEST(OpcProbeEvents, PrintsEveryEventUntilTheServerAsksToDisconnect)
{
    ASSERT_TRUE(InitVetrel(kProbedClass, 50));
    const DWORD tag = CreateTagA("Probe.Pressure", VARIANT{}, 0xC0, FALSE);
    ASSERT_TRUE(SetItemLevelAlarm(tag, 4, 10.0f, 800, TRUE));
    auto& trace = vetrel::test::TraceRecorder::start();

    std::ostringstream out;
    std::atomic<bool> interrupted{false};
    WatchEnd end = WatchEnd::TimeUp;
    std::string failure;
    std::thread listener([&] {
        try {
            Session session(kProbedClass);
            end = watchEvents(session.server(), std::nullopt, false, out, interrupted);
        } catch (const ProbeFailure& error) {
            failure = error.what();
        }
    });
    // Bounded: the listener advises its sink first thing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!trace.contains("OPCEventConnectionPoint::Advise S_OK") &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = 12.0f;
    EXPECT_TRUE(UpdateTag(tag, value, 0xC0));
    EXPECT_TRUE(UserAEMessage("Shift change", 5));
    RequestDisconnect();
    listener.join();

    EXPECT_EQ(failure, "");
    EXPECT_EQ(end, WatchEnd::ShutdownRequested);
    // Each event line after its time, which has no blank.
    std::istringstream lines(out.str());
    std::vector<std::string> printed;
    for (std::string line; std::getline(lines, line);)
        printed.push_back(line.rfind("shutdown", 0) == 0 ? line : line.substr(line.find(' ') + 1));
    EXPECT_EQ(printed, (std::vector<std::string>{
                           "Probe.Pressure: High High Limit Exceeded (severity 800)",
                           "User Message: Shift change (severity 5)",
                           "shutdown requested",
                       }));
    EXPECT_EQ(NumbrClientConnections(), 0) << "the probe's connection ended with the command";
}

} // namespace
