// The alarms and events server of every server object: level alarms raised by tag updates,
// the host's messages, what the event server reports, and the life of subscriptions.
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "platform/alloc_fault.h"
#include "support/times.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ComPtr;
using vetrel::test::RecordingEventSink;
using vetrel::test::ticks;
using vetrel::test::TraceRecorder;
using vetrel::test::unknownOut;
using Event = RecordingEventSink::Event;

constexpr auto kBound = std::chrono::seconds(10);

// The strings a client receives, freed.
std::vector<std::string> takeTexts(LPWSTR* texts, DWORD count)
{
    std::vector<std::string> taken;
    for (DWORD i = 0; i < count; ++i) taken.push_back(vetrel::test::takeText(texts[i]));
    CoTaskMemFree(texts);
    return taken;
}

// One client of the event server: its connection and the connection's IOPCEventServer.
struct EventClient
{
    ClientConnection connection = ClientConnection::connect();
    ComPtr<IOPCEventServer> server =
        ComPtr<IUnknown>(connection.server()).as<IOPCEventServer>(IID_IOPCEventServer);

    // A subscription with client handle handle, its sink advised when given.
    ComPtr<IUnknown> subscribe(OPCHANDLE handle, IOPCEventSink* sink, BOOL active = TRUE) const
    {
        ComPtr<IUnknown> subscription;
        DWORD bufferTime = 7, maxSize = 7;
        EXPECT_EQ(server->CreateEventSubscription(active, 1000, 50, handle, IID_IUnknown,
                                                  unknownOut(subscription), &bufferTime, &maxSize),
                  S_OK);
        EXPECT_EQ(bufferTime, 0u);
        EXPECT_EQ(maxSize, 1u);
        if (sink) {
            EXPECT_EQ(vetrel::test::adviseSink(subscription.get(), IID_IOPCEventSink, sink), S_OK);
        }
        return subscription;
    }
};

class Events : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }

    // A new tag of value 0 with one limit enabled.
    static DWORD tagWithLimit(const char* name, int level, float limit, DWORD severity)
    {
        const DWORD tag = CreateTagA(name, vetrel::test::r4(0.0f), 0xC0, FALSE);
        EXPECT_NE(tag, 0xFFFFFFFFu) << name;
        EXPECT_TRUE(SetItemLevelAlarm(tag, level, limit, severity, TRUE));
        return tag;
    }

    static std::vector<Event> eventsOf(const ComPtr<RecordingEventSink>& sink)
    {
        std::vector<Event> events;
        for (const auto& call : sink->calls())
            events.insert(events.end(), call.events.begin(), call.events.end());
        return events;
    }

    static std::vector<std::string> subconditionsOf(const ComPtr<RecordingEventSink>& sink)
    {
        std::vector<std::string> names;
        for (const Event& event : eventsOf(sink)) names.push_back(event.subconditionName);
        return names;
    }

    EventClient m_client;
};

TEST_F(Events, LevelAlarmReportsEachChangeOfBandOnce)
{
    const DWORD tag = tagWithLimit("Alarm.Tank.Level", 3, 100.0f, 700);
    auto sink = RecordingEventSink::create();
    auto subscription = m_client.subscribe(41, sink.get());

    FILETIME before;
    CoFileTimeNow(&before);
    for (const float value : {50.0f, 150.0f, 160.0f, 90.0f})
        ASSERT_TRUE(UpdateTag(tag, vetrel::test::r4(value), 0xC0));
    FILETIME after;
    CoFileTimeNow(&after);

    const auto calls = sink->calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.clientSubscription, 41u);
        EXPECT_FALSE(call.refresh);
        EXPECT_FALSE(call.lastRefresh);
        ASSERT_EQ(call.events.size(), 1u);
    }
    const Event& high = calls[0].events[0];
    EXPECT_EQ(high.source, "Alarm.Tank.Level");
    EXPECT_EQ(high.message, "High Limit Exceeded");
    EXPECT_EQ(high.conditionName, "Level");
    EXPECT_EQ(high.subconditionName, "High Limit");
    EXPECT_EQ(high.changeMask, OPC_CHANGE_ACTIVE_STATE);
    EXPECT_EQ(high.newState, OPC_CONDITION_ENABLED | OPC_CONDITION_ACTIVE);
    EXPECT_EQ(high.eventType, OPC_CONDITION_EVENT);
    EXPECT_EQ(high.eventCategory, 2u);
    EXPECT_EQ(high.severity, 700u);
    EXPECT_EQ(high.quality, 0xC0);
    EXPECT_FALSE(high.ackRequired);
    EXPECT_EQ(high.actorId, "");
    EXPECT_GE(ticks(high.time), ticks(before));
    EXPECT_LE(ticks(high.time), ticks(after));
    EXPECT_EQ(ticks(high.activeTime), ticks(high.time));

    const Event& normal = calls[1].events[0];
    EXPECT_EQ(normal.message, "Normal Condition");
    EXPECT_EQ(normal.subconditionName, "Normal");
    EXPECT_EQ(normal.newState, OPC_CONDITION_ENABLED);
    EXPECT_EQ(normal.severity, 0u);
    EXPECT_NE(normal.cookie, high.cookie);
}

TEST_F(Events, LimitsBelongToTheirBandsAndOuterLimitsWin)
{
    const DWORD tag = CreateTagA("Alarm.Bands", vetrel::test::r4(50.0f), 0xC0, FALSE);
    ASSERT_NE(tag, 0xFFFFFFFFu);
    // Lo and Hi at their defaults, 0 and 100.
    ASSERT_TRUE(SetItemLevelAlarm(tag, 2, 0.0f, 20, TRUE));
    ASSERT_TRUE(SetItemLevelAlarm(tag, 3, 100.0f, 30, TRUE));
    auto sink = RecordingEventSink::create();
    auto subscription = m_client.subscribe(1, sink.get());

    const FILETIME noon = vetrel::test::fileTime(2024, 5, 1, 12, 0, 0);
    for (const float value : {100.0f, 0.0f, 50.0f}) UpdateTag(tag, vetrel::test::r4(value), 0xC0);
    ASSERT_TRUE(SetItemLevelAlarm(tag, 1, -10.0f, 10, TRUE));
    ASSERT_TRUE(SetItemLevelAlarm(tag, 4, 200.0f, 40, TRUE));
    // Through both update calls; limits changed meanwhile count from the next update on.
    for (const float value : {-10.0f, 200.0f, 150.0f, 250.0f, 20.0f})
        UpdateTagWithTimeStamp(tag, vetrel::test::r4(value), 0x40, noon);

    EXPECT_EQ(
        subconditionsOf(sink),
        (std::vector<std::string>{"High Limit", "Low Limit", "Normal", "Low Low Limit",
                                  "High High Limit", "High Limit", "High High Limit", "Normal"}));
    std::vector<DWORD> severities;
    for (const Event& event : eventsOf(sink)) severities.push_back(event.severity);
    EXPECT_EQ(severities, (std::vector<DWORD>{30, 20, 0, 10, 40, 30, 40, 0}));
    EXPECT_EQ(eventsOf(sink).back().quality, 0x40);
}

TEST_F(Events, WhereBandsOverlapHiHiThenLoLoThenHiThenLoWins)
{
    // Limits crossed over, so that a value can be in several bands at once.
    const DWORD tag = CreateTagA("Alarm.Crossed", vetrel::test::r4(0.0f), 0xC0, FALSE);
    ASSERT_NE(tag, 0xFFFFFFFFu);
    ASSERT_TRUE(SetItemLevelAlarm(tag, 1, 30.0f, 10, TRUE)); // LoLo: value <= 30
    ASSERT_TRUE(SetItemLevelAlarm(tag, 2, 50.0f, 20, TRUE)); // Lo: value <= 50
    ASSERT_TRUE(SetItemLevelAlarm(tag, 3, 10.0f, 30, TRUE)); // Hi: value >= 10
    ASSERT_TRUE(SetItemLevelAlarm(tag, 4, 20.0f, 40, TRUE)); // HiHi: value >= 20
    auto sink = RecordingEventSink::create();
    auto subscription = m_client.subscribe(1, sink.get());

    // 25: all four hold. 15: LoLo, Lo and Hi. 15.5 without LoLo: Lo and Hi. 5: Lo alone.
    ASSERT_TRUE(UpdateTag(tag, vetrel::test::r4(25.0f), 0xC0));
    ASSERT_TRUE(UpdateTag(tag, vetrel::test::r4(15.0f), 0xC0));
    ASSERT_TRUE(SetItemLevelAlarm(tag, 1, 30.0f, 10, FALSE));
    ASSERT_TRUE(UpdateTag(tag, vetrel::test::r4(15.5f), 0xC0));
    ASSERT_TRUE(UpdateTag(tag, vetrel::test::r4(5.0f), 0xC0));
    EXPECT_EQ(subconditionsOf(sink), (std::vector<std::string>{"High High Limit", "Low Low Limit",
                                                               "High Limit", "Low Limit"}));
}

TEST_F(Events, ValuesThatAreNotNumbersAreInNoBand)
{
    const DWORD tag = tagWithLimit("Alarm.Text", 3, 100.0f, 500);
    ASSERT_TRUE(SetItemLevelAlarm(tag, 2, 1000.0f, 500, TRUE));
    auto sink = RecordingEventSink::create();
    auto subscription = m_client.subscribe(1, sink.get());

    // Every number is in a band here, but a text is in none.
    VARIANT text = vetrel::test::bstr("pump running");
    ASSERT_TRUE(UpdateTag(tag, text, 0xC0));
    EXPECT_TRUE(sink->calls().empty());
    VARIANT number = vetrel::test::bstr("150");
    ASSERT_TRUE(UpdateTag(tag, number, 0xC0));
    ASSERT_TRUE(UpdateTag(tag, text, 0xC0));
    VariantClear(&text);
    VariantClear(&number);
    EXPECT_EQ(subconditionsOf(sink), (std::vector<std::string>{"High Limit", "Normal"}));

    // A number too large for a 32-bit float does not convert either, however high it is.
    VARIANT huge;
    VariantInit(&huge);
    huge.vt = VT_R8;
    huge.dblVal = 1e300;
    ASSERT_TRUE(UpdateTag(tag, huge, 0xC0));
    EXPECT_EQ(sink->calls().size(), 2u);
}

TEST_F(Events, OnlyUpdatesByHandleEvaluateTheAlarm)
{
    const DWORD tag = CreateTagA("Alarm.ByName", vetrel::test::r4(150.0f), 0xC0, FALSE);
    auto sink = RecordingEventSink::create();
    auto subscription = m_client.subscribe(1, sink.get());

    // Enabling a limit the value already passes waits for the next update.
    ASSERT_TRUE(SetItemLevelAlarm(tag, 3, 100.0f, 200, TRUE));
    ASSERT_TRUE(UpdateTagByNameA("Alarm.ByName", vetrel::test::r4(160.0f), 0xC0));
    EXPECT_TRUE(sink->calls().empty());
    ASSERT_TRUE(UpdateTag(tag, vetrel::test::r4(170.0f), 0xC0));
    ASSERT_TRUE(UpdateTagByNameA("Alarm.ByName", vetrel::test::r4(10.0f), 0xC0));
    EXPECT_EQ(subconditionsOf(sink), std::vector<std::string>{"High Limit"});
}

TEST_F(Events, UserMessagesReachEverySinkOfEveryServerOnce)
{
    EventClient second;
    auto firstSink = RecordingEventSink::create();
    auto secondSink = RecordingEventSink::create();
    auto advised = m_client.subscribe(11, firstSink.get());
    // An inactive subscription receives all the same; one without a sink costs nothing.
    auto inactive = second.subscribe(22, secondSink.get(), FALSE);
    auto silent = second.subscribe(33, nullptr);

    EXPECT_TRUE(UserAEMessage("Pump started", 555));
    ASSERT_EQ(firstSink->calls().size(), 1u);
    ASSERT_EQ(secondSink->calls().size(), 1u);
    EXPECT_EQ(firstSink->calls()[0].clientSubscription, 11u);
    EXPECT_EQ(secondSink->calls()[0].clientSubscription, 22u);
    for (const auto& sink : {firstSink, secondSink}) {
        const Event event = eventsOf(sink).at(0);
        EXPECT_EQ(event.source, "User Message");
        EXPECT_EQ(event.message, "Pump started");
        EXPECT_EQ(event.severity, 555u);
        EXPECT_EQ(event.eventType, OPC_SIMPLE_EVENT);
        EXPECT_EQ(event.eventCategory, 1u);
        EXPECT_EQ(event.changeMask, 0);
        EXPECT_EQ(event.newState, 0);
        EXPECT_EQ(event.conditionName, "");
        EXPECT_EQ(event.subconditionName, "");
        EXPECT_EQ(event.quality, 0);
        EXPECT_EQ(ticks(event.activeTime), 0u);
        EXPECT_NE(ticks(event.time), 0u);
    }

    // An unadvised sink hears nothing more; advised again, it does.
    ASSERT_EQ(vetrel::test::unadviseSink(advised.get(), IID_IOPCEventSink), S_OK);
    EXPECT_TRUE(UserAEMessage(nullptr, 1));
    EXPECT_EQ(firstSink->calls().size(), 1u);
    EXPECT_EQ(eventsOf(secondSink).at(1).message, "");
    ASSERT_EQ(vetrel::test::adviseSink(advised.get(), IID_IOPCEventSink, firstSink.get()), S_OK);
    EXPECT_TRUE(UserAEMessage("again", 1));
    EXPECT_EQ(firstSink->calls().size(), 2u);
}

TEST_F(Events, EachEventArrivesInOneBlockWithItsStringsAfterTheStructure)
{
    const DWORD tag = tagWithLimit("Alarm.Block", 4, 10.0f, 900);
    auto sink = RecordingEventSink::create();
    auto subscription = m_client.subscribe(1, sink.get());
    ASSERT_TRUE(UpdateTag(tag, vetrel::test::r4(11.0f), 0xC0));
    ASSERT_TRUE(UserAEMessage("Hello", 1));

    const auto calls = sink->calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& call : calls) {
        const Event& event = call.events.at(0);
        const std::string texts[] = {event.source, event.conditionName, event.subconditionName,
                                     event.message, event.actorId};
        size_t units = 0;
        for (const std::string& text : texts) units += text.size() + 1;
        EXPECT_EQ(call.blockSize, sizeof(ONEVENTSTRUCT) + units * sizeof(WCHAR));
        // Source, message, condition name, sub-condition name, actor ID, back to back.
        const std::ptrdiff_t source = sizeof(ONEVENTSTRUCT);
        const std::ptrdiff_t message = source + 2 * std::ptrdiff_t(event.source.size() + 1);
        const std::ptrdiff_t condition = message + 2 * std::ptrdiff_t(event.message.size() + 1);
        const std::ptrdiff_t sub = condition + 2 * std::ptrdiff_t(event.conditionName.size() + 1);
        const std::ptrdiff_t actor = sub + 2 * std::ptrdiff_t(event.subconditionName.size() + 1);
        EXPECT_EQ(event.textOffsets,
                  (std::array<std::ptrdiff_t, 5>{source, message, condition, sub, actor}));
        EXPECT_EQ(event.attributeCount, 0u);
        EXPECT_FALSE(event.hasAttributes);
        EXPECT_EQ(event.reserved, 0);
    }
    EXPECT_EQ(calls[0].events[0].message, "High High Limit Exceeded");
    EXPECT_EQ(calls[0].events[0].subconditionName, "High High Limit");
}

TEST_F(Events, SinksCanCallTheServerFromAnotherThreadDuringOnEvent)
{
    auto sink = RecordingEventSink::create();
    auto subscription = m_client.subscribe(1, sink.get());
    // What the client's thread does and finds. It owns a server reference, so that it can end
    // safely even after a failed wait; the sink's action owns it too, as the action may still
    // be running for the second event when the test has seen it arrive.
    struct CallBack
    {
        ComPtr<IOPCEventServer> server;
        HRESULT status = E_UNEXPECTED;
        HRESULT subscribed = E_UNEXPECTED;
        std::promise<void> done;
        std::shared_future<void> finished = done.get_future().share();
        std::atomic<bool> once{false};
        std::atomic<bool> answered{false};
    };
    const auto callBack = std::make_shared<CallBack>();
    callBack->server = m_client.server;
    // While the sink waits, the client's thread needs the server and raises a further event.
    sink->onEvent([callBack] {
        if (callBack->once.exchange(true)) return;
        std::thread([callBack] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            OPCEVENTSERVERSTATUS* status = nullptr;
            callBack->status = callBack->server->GetStatus(&status);
            if (status) CoTaskMemFree(status->szVendorInfo);
            CoTaskMemFree(status);
            IUnknown* another = nullptr;
            DWORD bufferTime = 0, maxSize = 0;
            callBack->subscribed = callBack->server->CreateEventSubscription(
                TRUE, 0, 0, 2, IID_IUnknown, &another, &bufferTime, &maxSize);
            if (another) another->Release();
            UserAEMessage("second", 1);
            // Let go of the server before saying so: a later case counts the connections.
            callBack->server.reset();
            CoUninitialize();
            callBack->done.set_value();
        }).detach();
        callBack->answered = callBack->finished.wait_for(kBound) == std::future_status::ready;
    });
    ASSERT_TRUE(UserAEMessage("first", 1));

    ASSERT_TRUE(callBack->answered) << "the server did not answer while the sink was being called";
    EXPECT_EQ(callBack->status, S_OK);
    EXPECT_EQ(callBack->subscribed, S_OK);
    ASSERT_TRUE(sink->waitForCalls(2, kBound));
    const auto events = eventsOf(sink);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, "first");
    EXPECT_EQ(events[1].message, "second");
}

TEST_F(Events, WithoutMemoryOnlyWhatCouldNotBeAllocatedIsLost)
{
    auto first = RecordingEventSink::create();
    auto second = RecordingEventSink::create();
    auto firstSubscription = m_client.subscribe(1, first.get());
    auto secondSubscription = m_client.subscribe(2, second.get());
    {
        TaskAllocationFault fault(1);
        EXPECT_TRUE(UserAEMessage("scarce", 1));
    }
    EXPECT_TRUE(first->calls().empty());
    EXPECT_EQ(eventsOf(second).at(0).message, "scarce");

    IOPCEventServer* server = m_client.server.get();
    // The identifiers, the array of texts, then each text.
    for (const unsigned failing : {1u, 2u, 4u}) {
        TaskAllocationFault fault(failing);
        DWORD count = 99;
        DWORD* ids = nullptr;
        LPWSTR* descriptions = nullptr;
        EXPECT_EQ(server->QueryEventCategories(OPC_ALL_EVENTS, &count, &ids, &descriptions),
                  E_OUTOFMEMORY);
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(ids, nullptr);
        EXPECT_EQ(descriptions, nullptr);
    }
    TaskAllocationFault fault(1);
    HRESULT* errors = nullptr;
    EXPECT_EQ(
        server->AckCondition(3, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &errors),
        E_OUTOFMEMORY);
    EXPECT_EQ(errors, nullptr);
}

TEST_F(Events, CategoriesAndConditionNamesFollowTheEventTypes)
{
    const auto categories = [this](DWORD types) {
        DWORD count = 99;
        DWORD* ids = nullptr;
        LPWSTR* descriptions = nullptr;
        EXPECT_EQ(m_client.server->QueryEventCategories(types, &count, &ids, &descriptions), S_OK);
        std::vector<std::pair<DWORD, std::string>> listed;
        const auto texts = takeTexts(descriptions, count);
        for (DWORD i = 0; i < count; ++i) listed.emplace_back(ids[i], texts[i]);
        CoTaskMemFree(ids);
        return listed;
    };
    using Listed = std::vector<std::pair<DWORD, std::string>>;
    EXPECT_EQ(categories(OPC_ALL_EVENTS),
              (Listed{{1, "System Message"}, {2, "Level"}, {3, "Discrete"}}));
    EXPECT_EQ(categories(OPC_SIMPLE_EVENT), (Listed{{1, "System Message"}}));
    EXPECT_EQ(categories(OPC_CONDITION_EVENT), (Listed{{2, "Level"}, {3, "Discrete"}}));
    EXPECT_TRUE(categories(OPC_TRACKING_EVENT).empty());
    DWORD count = 0;
    DWORD* ids = nullptr;
    EXPECT_EQ(m_client.server->QueryEventCategories(OPC_ALL_EVENTS, &count, &ids, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(ids, nullptr);

    const auto conditions = [this](DWORD category, HRESULT expected) {
        DWORD found = 99;
        LPWSTR* names = nullptr;
        EXPECT_EQ(m_client.server->QueryConditionNames(category, &found, &names), expected);
        return takeTexts(names, found);
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(conditions(1, S_OK), Names{"Informational Text"});
    EXPECT_EQ(conditions(2, S_OK), Names{"Level Alarm"});
    EXPECT_EQ(conditions(3, S_OK), Names{"Discrete Alarm"});
    EXPECT_TRUE(conditions(4, E_INVALIDARG).empty());

    const auto subconditions = [this](const char* condition) {
        DWORD found = 99;
        LPWSTR* names = nullptr;
        auto text = vetrel::test::wide(condition ? condition : "");
        EXPECT_EQ(m_client.server->QuerySubConditionNames(condition ? text.data() : nullptr, &found,
                                                          &names),
                  S_OK);
        return takeTexts(names, found);
    };
    EXPECT_EQ(subconditions("Level Alarm"), (Names{"Lo Lo", "Lo", "Hi", "Hi Hi"}));
    EXPECT_TRUE(subconditions("Level").empty());
    EXPECT_TRUE(subconditions(nullptr).empty());

    // Missing outputs are refused before the name or category is looked at.
    auto level = vetrel::test::wide("Level Alarm");
    LPWSTR* names = nullptr;
    count = 0;
    EXPECT_EQ(m_client.server->QuerySubConditionNames(level.data(), nullptr, &names), E_INVALIDARG);
    EXPECT_EQ(m_client.server->QuerySubConditionNames(level.data(), &count, nullptr), E_INVALIDARG);
    EXPECT_EQ(m_client.server->QueryConditionNames(2, nullptr, &names), E_INVALIDARG);
    EXPECT_EQ(m_client.server->QueryConditionNames(2, &count, nullptr), E_INVALIDARG);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(count, 0u);
}

TEST_F(Events, WhatTheServerDoesNotOfferAnswersItsFixedResults)
{
    IOPCEventServer* server = m_client.server.get();
    DWORD mask = 99;
    EXPECT_EQ(server->QueryAvailableFilters(&mask), S_OK);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(server->QueryAvailableFilters(nullptr), E_INVALIDARG);
    DWORD count = 0;
    LPWSTR* names = nullptr;
    EXPECT_EQ(server->QuerySourceConditions(nullptr, &count, &names), E_FAIL);
    DWORD* ids = nullptr;
    VARTYPE* types = nullptr;
    EXPECT_EQ(server->QueryEventAttributes(2, &count, &ids, &names, &types), E_FAIL);
    EXPECT_EQ(server->EnableConditionByArea(0, nullptr), E_NOTIMPL);
    EXPECT_EQ(server->DisableConditionBySource(0, nullptr), E_NOTIMPL);
    OPCCONDITIONSTATE* state = nullptr;
    EXPECT_EQ(server->GetConditionState(nullptr, nullptr, 0, nullptr, &state), E_NOTIMPL);
    IUnknown* browser = reinterpret_cast<IUnknown*>(&count);
    EXPECT_EQ(server->CreateAreaBrowser(IID_IOPCEventAreaBrowser, &browser), E_NOTIMPL);
    EXPECT_EQ(browser, nullptr);

    HRESULT* errors = nullptr;
    EXPECT_EQ(
        server->AckCondition(2, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &errors),
        S_FALSE);
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(errors[0], E_INVALIDARG);
    EXPECT_EQ(errors[1], E_INVALIDARG);
    CoTaskMemFree(errors);
    EXPECT_EQ(
        server->AckCondition(1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        E_INVALIDARG);

    // Asked for by its interface, the subscription hands out that interface.
    ComPtr<IOPCEventSubscriptionMgt> mgt;
    DWORD bufferTime = 0, maxSize = 0;
    ASSERT_EQ(server->CreateEventSubscription(TRUE, 0, 0, 1, IID_IOPCEventSubscriptionMgt,
                                              unknownOut(mgt), &bufferTime, &maxSize),
              S_OK);
    BOOL active = FALSE;
    OPCHANDLE handle = 0;
    EXPECT_EQ(mgt->GetState(&active, &bufferTime, &maxSize, &handle), E_NOTIMPL);
    EXPECT_EQ(mgt->SetFilter(OPC_ALL_EVENTS, 0, nullptr, 1, 1000, 0, nullptr, 0, nullptr),
              E_NOTIMPL);
    EXPECT_EQ(mgt->Refresh(1), E_NOTIMPL);
    IUnknown* missing = nullptr;
    EXPECT_EQ(
        server->CreateEventSubscription(TRUE, 0, 0, 1, IID_IUnknown, &missing, nullptr, &maxSize),
        E_INVALIDARG);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(Events, StatusReportsARunningServerAndTheVendorText)
{
    auto& trace = TraceRecorder::start();
    OPCEVENTSERVERSTATUS* status = nullptr;
    ASSERT_EQ(m_client.server->GetStatus(&status), S_OK);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"IOPCEventServer::GetStatus"});
    EXPECT_EQ(status->dwServerState, OPCAE_STATUS_RUNNING);
    EXPECT_EQ(status->wMajorVersion + status->wMinorVersion + status->wBuildNumber, 0);
    EXPECT_EQ(vetrel::test::takeText(status->szVendorInfo), "Drevik Software Design OPC Server");
    OPCSERVERSTATUS* dataStatus = nullptr;
    ASSERT_EQ(m_client.connection.server()->GetStatus(&dataStatus), S_OK);
    EXPECT_EQ(ticks(status->ftStartTime), ticks(dataStatus->ftStartTime));
    EXPECT_EQ(ticks(status->ftLastUpdateTime), ticks(dataStatus->ftLastUpdateTime));
    EXPECT_GE(ticks(status->ftCurrentTime), ticks(status->ftStartTime));
    CoTaskMemFree(dataStatus->szVendorInfo);
    CoTaskMemFree(dataStatus);
    CoTaskMemFree(status);
    // The call is traced before its argument is looked at.
    trace.clear();
    EXPECT_EQ(m_client.server->GetStatus(nullptr), E_INVALIDARG);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"IOPCEventServer::GetStatus"});
}

TEST_F(Events, SubscriptionsTraceTheirReferencesAndInterfaces)
{
    auto& trace = TraceRecorder::start();
    ComPtr<IUnknown> subscription;
    DWORD bufferTime = 0, maxSize = 0;
    ASSERT_EQ(m_client.server->CreateEventSubscription(
                  TRUE, 0, 0, 1, IID_IUnknown, unknownOut(subscription), &bufferTime, &maxSize),
              S_OK);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"COPCEventSubscription::AddRef(1)"});

    trace.clear();
    auto mgt = subscription.as<IOPCEventSubscriptionMgt>(IID_IOPCEventSubscriptionMgt);
    ComPtr<IUnknown> identity = mgt.as<IUnknown>(IID_IUnknown);
    void* refused = &bufferTime;
    EXPECT_EQ(subscription->QueryInterface(IID_IMarshal, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(subscription->QueryInterface(IID_IOPCServer, &refused), E_NOINTERFACE);
    EXPECT_EQ(subscription->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    EXPECT_EQ(identity.get(), subscription.get());
    identity.reset();
    mgt.reset();
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{
                  "COPCEventSubscription::QueryInterface IID_IOPCEventSubscriptionMgt",
                  "COPCEventSubscription::AddRef(2)",
                  "IOPCEventSubscriptionMgt::QueryInterface() [defered to OPCEventSubscription]",
                  "COPCEventSubscription::QueryInterface IID_IUnknown",
                  "COPCEventSubscription::AddRef(3)",
                  "COPCEventSubscription::QueryInterface IID_IMarshal",
                  "COPCEventSubscription::QueryInterface",
                  "COPCEventSubscription::QueryInterface E_INVALIDARG",
                  "COPCEventSubscription::Release(3)",
                  "IOPCEventSubscriptionMgt::Release() [defered to OPCEventSubscription]",
                  "COPCEventSubscription::Release(2)",
              }));

    trace.clear();
    auto sink = RecordingEventSink::create();
    ASSERT_EQ(vetrel::test::adviseSink(subscription.get(), IID_IOPCEventSink, sink.get()), S_OK);
    EXPECT_TRUE(
        trace.contains("COPCEventSubscription::QueryInterface IID_IConnectionPointContainer"));
    EXPECT_TRUE(
        trace.contains("CIOPCEventConnectionContainer::FindConnectionPoint IID_IOPCEventSink"));
    EXPECT_TRUE(trace.contains("OPCEventConnectionPoint::Advise S_OK"));
    EXPECT_TRUE(
        trace.contains("OPCEventConnectionContainer::Release() [defered to OPCEventSubscription]"));

    // The server answers its event server, which forwards its references to the server.
    const ComPtr<IUnknown> serverIdentity =
        ComPtr<IUnknown>(m_client.connection.server()).as<IUnknown>(IID_IUnknown);
    trace.clear();
    ComPtr<IOPCEventServer> eventServer = serverIdentity.as<IOPCEventServer>(IID_IOPCEventServer);
    EXPECT_EQ(eventServer.get(), m_client.server.get());
    eventServer.reset();
    ComPtr<IUnknown> server;
    ASSERT_EQ(m_client.server->QueryInterface(IID_IUnknown, server.putVoid()), S_OK);
    EXPECT_EQ(server.get(), serverIdentity.get());
    m_client.server->AddRef();
    m_client.server->Release();
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "OPCServer::QueryInterface IID_IOPCEventServer",
                                 "OPCServer::AddRef(4)",
                                 "IOPCEventServer::Release() [defered to OPCServer]",
                                 "OPCServer::Release(4)",
                                 "IOPCEventServer::QueryInterface()  [defered to OPCServer]",
                                 "OPCServer::QueryInterface IID_IUnknown",
                                 "OPCServer::AddRef(4)",
                                 "IOPCEventServer::AddRef() [defered to OPCServer]",
                                 "OPCServer::AddRef(5)",
                                 "IOPCEventServer::Release() [defered to OPCServer]",
                                 "OPCServer::Release(5)",
                             }));
}

TEST_F(Events, ASubscriptionEndsWithItsServerAndItsReferencesTurnInert)
{
    auto sink = RecordingEventSink::create();
    ComPtr<IUnknown> subscription = m_client.subscribe(1, sink.get());
    auto mgt = subscription.as<IOPCEventSubscriptionMgt>(IID_IOPCEventSubscriptionMgt);
    ASSERT_TRUE(mgt);
    m_client.server.reset();
    m_client.connection.release();
    EXPECT_EQ(NumbrClientConnections(), 0);

    EXPECT_TRUE(UserAEMessage("after the server", 1));
    EXPECT_TRUE(sink->calls().empty());
    BOOL active = FALSE;
    DWORD bufferTime = 0, maxSize = 0;
    OPCHANDLE handle = 0;
    EXPECT_EQ(mgt->GetState(&active, &bufferTime, &maxSize, &handle), E_FAIL);
    EXPECT_EQ(mgt->Refresh(1), E_FAIL);
    void* object = &handle;
    EXPECT_EQ(subscription->QueryInterface(IID_IOPCEventSubscriptionMgt, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(subscription->QueryInterface(IID_IConnectionPointContainer, &object), E_NOINTERFACE);
    ComPtr<IUnknown> identity;
    EXPECT_EQ(mgt->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
    EXPECT_EQ(identity.get(), subscription.get());
    identity.reset();

    // The client's last Release frees the subscription, and with it the sink.
    auto& trace = TraceRecorder::start();
    mgt.reset();
    subscription.reset();
    EXPECT_TRUE(trace.contains("COPCEventSubscription::Release(1)"));
    EXPECT_EQ(sink->references(), 1);
}

TEST_F(Events, ReleasedSubscriptionsLetGoOfTheirSinks)
{
    auto sink = RecordingEventSink::create();
    ComPtr<IUnknown> subscription = m_client.subscribe(1, sink.get());
    EXPECT_EQ(sink->references(), 2);
    subscription.reset();
    EXPECT_EQ(sink->references(), 1);
    EXPECT_TRUE(UserAEMessage("nobody", 1));
    EXPECT_TRUE(sink->calls().empty());
}

} // namespace
