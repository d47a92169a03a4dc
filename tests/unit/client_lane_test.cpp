// Clients that freeze or die: each connection's calls go out on a lane of its own, so a
// client blocked inside a callback holds up no other client and gets one merged report when
// it wakes; a client whose answer says it is gone loses its connection; a request to
// disconnect does not wait for a frozen client.
#include "fixtures/host_recorder.h"
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using vetrel::test::adviseSink;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::HostRecorder;
using vetrel::test::r4;
using vetrel::test::RecordingDataCallback;
using vetrel::test::RecordingShutdown;
using vetrel::test::TraceRecorder;
using namespace std::chrono_literals;

constexpr DWORD kServerRate = 50;
// Only a forced scan reports.
constexpr DWORD kNeverDue = 3'600'000;
constexpr WORD kGood = 0xC0;
constexpr auto kPatience = 10s;

// Holds a client inside its callback until the test lets it go. Actions share it, as a
// client's thread may still be leaving it when the test ends.
class Gate
{
public:
    void wait() const { m_open.wait(); }
    void open() { m_opener.set_value(); }

private:
    std::promise<void> m_opener;
    std::shared_future<void> m_open = m_opener.get_future().share();
};

// A connection with one group that follows the given tags and a recording callback.
struct Subscriber
{
    ClientConnection connection = ClientConnection::connect();
    ClientGroup group = connection.addGroup("Lane", {TRUE, kNeverDue, 1});
    ComPtr<RecordingDataCallback> sink = RecordingDataCallback::create();

    explicit Subscriber(const std::vector<std::string>& tags)
    {
        OPCHANDLE clientHandle = 100;
        for (const std::string& tag : tags)
            group.addItem({tag, "", VT_EMPTY, TRUE, ++clientHandle});
        EXPECT_EQ(adviseSink(group.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    }
};

class ClientLanes : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(kServerRate); }
    void TearDown() override
    {
        for (DWORD tag : m_tags) RemoveTag(tag);
    }

    // "Lanes.<test>.<name>" at value, removed when the test ends.
    std::string createTag(const std::string& name, float value)
    {
        const std::string full = std::string("Lanes.") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 "." + name;
        const DWORD handle = CreateTagA(full.c_str(), r4(value), kGood, TRUE);
        EXPECT_NE(handle, 0xFFFFFFFFu);
        m_tags.push_back(handle);
        return full;
    }
    static void update(const std::string& tag, float value)
    {
        EXPECT_TRUE(UpdateTagByNameA(tag.c_str(), r4(value), kGood));
    }

    std::vector<DWORD> m_tags;
};

// (client handle, value) of every entry of a report.
std::vector<std::pair<OPCHANDLE, float>> entriesOf(const RecordingDataCallback::Call& call)
{
    std::vector<std::pair<OPCHANDLE, float>> entries;
    for (const auto& entry : call.entries)
        entries.emplace_back(entry.clientHandle, entry.value.get().fltVal);
    return entries;
}

TEST_F(ClientLanes, AFrozenClientHoldsUpOnlyItselfAndWakesToOneMergedReport)
{
    const std::string first = createTag("First", 1.0f);
    const std::string second = createTag("Second", 2.0f);
    Subscriber frozen({first, second});
    Subscriber healthy({first, second});
    const auto gate = std::make_shared<Gate>();
    frozen.sink->onDataChange([gate] { gate->wait(); });

    // The new items' report: the frozen client stays inside it.
    ASSERT_TRUE(RefreshAllClients());
    ASSERT_TRUE(frozen.sink->waitForCalls(1, kPatience));
    ASSERT_TRUE(healthy.sink->waitForCalls(1, kPatience));
    // Three more reports reach the healthy client; the frozen one's wait as one.
    update(first, 10.0f);
    ASSERT_TRUE(RefreshAllClients());
    update(second, 20.0f);
    ASSERT_TRUE(RefreshAllClients());
    update(first, 11.0f);
    ASSERT_TRUE(RefreshAllClients());
    EXPECT_TRUE(healthy.sink->waitForCalls(4, kPatience));
    EXPECT_EQ(frozen.sink->calls().size(), 1u);

    frozen.sink->onDataChange({});
    gate->open();
    ASSERT_TRUE(frozen.sink->waitForCalls(2, kPatience));
    // Every changed item, each with its newest value, in one report.
    const auto calls = frozen.sink->calls();
    EXPECT_EQ(entriesOf(calls[1]),
              (std::vector<std::pair<OPCHANDLE, float>>{{101, 11.0f}, {102, 20.0f}}));
    // The lane goes on as before.
    update(second, 21.0f);
    ASSERT_TRUE(RefreshAllClients());
    ASSERT_TRUE(frozen.sink->waitForCalls(3, kPatience));
    EXPECT_EQ(entriesOf(frozen.sink->calls()[2]),
              (std::vector<std::pair<OPCHANDLE, float>>{{102, 21.0f}}));
}

TEST_F(ClientLanes, AClientWhoseAnswerSaysItIsGoneIsDroppedAsIfItHadLeft)
{
    struct Case
    {
        HRESULT answer;
        bool gone;
    };
    const Case cases[] = {
        {RPC_E_DISCONNECTED, true},
        {RPC_E_SERVER_DIED, true},
        {RPC_E_SERVER_DIED_DNE, true},
        {CO_E_OBJNOTCONNECTED, true},
        {static_cast<HRESULT>(0x800706BA), true},
        {static_cast<HRESULT>(0x800706BE), true},
        // A client that merely fails the call stays connected.
        {E_FAIL, false},
        {E_OUTOFMEMORY, false},
    };
    HostRecorder& host = HostRecorder::start();
    TraceRecorder& traces = TraceRecorder::start();
    for (const Case& c : cases) {
        char label[32];
        std::snprintf(label, sizeof label, "0x%08lX", static_cast<unsigned long>(c.answer));
        SCOPED_TRACE(label);
        const std::string tag = createTag(std::string("Tag") + label, 1.0f);
        Subscriber client({tag});
        const int before = NumbrClientConnections();
        client.sink->answerWith(c.answer);
        traces.clear();

        ASSERT_TRUE(RefreshAllClients());
        ASSERT_TRUE(client.sink->waitForCalls(1, kPatience));
        EXPECT_EQ(NumbrClientConnections(), c.gone ? before - 1 : before);
        const auto lines = traces.lines();
        const bool traced = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.starts_with("Client connection ") &&
                   line.ends_with(
                       std::string(" dropped: IOPCDataCallback::OnDataChange answered ") + label);
        });
        EXPECT_EQ(traced, c.gone);
        // The host hears of the removal of the client's items, and the server is closed.
        const auto removals = host.removals();
        EXPECT_EQ(!removals.empty() && removals.back().tagName == tag, c.gone);
        OPCSERVERSTATUS* status = nullptr;
        EXPECT_EQ(client.connection.server()->GetStatus(&status), c.gone ? E_FAIL : S_OK);
        if (status) CoTaskMemFree(status->szVendorInfo);
        CoTaskMemFree(status);
        // A dropped client hears nothing more.
        update(tag, 2.0f);
        ASSERT_TRUE(RefreshAllClients());
        EXPECT_EQ(client.sink->waitForCalls(2, c.gone ? 200ms : kPatience), !c.gone);
    }
}

TEST_F(ClientLanes, ARequestToDisconnectDoesNotWaitForAFrozenClientAndDropsIt)
{
    const int before = NumbrClientConnections();
    ClientConnection frozen = ClientConnection::connect();
    ClientConnection polite = ClientConnection::connect();
    const auto frozenSink = RecordingShutdown::create();
    const auto politeSink = RecordingShutdown::create();
    const auto gate = std::make_shared<Gate>();
    frozenSink->onRequest([gate](LPCWSTR) { gate->wait(); });
    ASSERT_EQ(adviseSink(frozen.server(), IID_IOPCShutdown, frozenSink.get()), S_OK);
    ASSERT_EQ(adviseSink(polite.server(), IID_IOPCShutdown, politeSink.get()), S_OK);

    // Returns with the frozen client still inside its request: were it waited for, the gate
    // would never open. The frozen client, which cannot take the request, loses its
    // connection; the polite one keeps it until it lets go.
    EXPECT_EQ(RequestDisconnect(), before + 2);
    EXPECT_TRUE(politeSink->waitForRequests(1, kPatience));
    EXPECT_EQ(NumbrClientConnections(), before + 1);
    gate->open();
    EXPECT_TRUE(frozenSink->waitForRequests(1, kPatience));
}

} // namespace
