// opcprobe's requests against a running Vetrel server in the same process: what it reads,
// writes, watches and reports, and that it leaves no connection behind.
#include "events.h"
#include "hresult_names.h"
#include "session.h"
#include "value_text.h"
#include "vetrel/vetrel.h"
#include "watch.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

namespace {

using namespace opcprobe;

constexpr CLSID kProbedClass = {
    0x0B7E3C55, 0x91A2, 0x4D6B, {0x8E, 0x10, 0x5A, 0x2C, 0x77, 0x01, 0xD4, 0x3F}};

class OpcProbeSession : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(InitVetrel(kProbedClass, 50));
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = 1.5f;
        s_level = CreateTagA("Probe.Level", value, OPC_QUALITY_GOOD, TRUE);
        value.vt = VT_R8;
        value.dblVal = 0.0;
        s_setpoint = CreateTagA("Probe.Setpoint", value, OPC_QUALITY_GOOD, TRUE);
        s_readOnly = CreateTagA("Probe.ReadOnly", value, OPC_QUALITY_GOOD, FALSE);
        value.vt = VT_I4;
        value.lVal = 3;
        s_offline = CreateTagA("Probe.Offline", value, OPC_QUALITY_NOT_CONNECTED, TRUE);
        value.vt = VT_ARRAY | VT_R8;
        value.parray = SafeArrayCreateVector(VT_R8, 0, 2);
        s_samples = CreateTagA("Probe.Samples", value, OPC_QUALITY_GOOD, TRUE);
        VariantClear(&value);
    }

    void TearDown() override { EXPECT_EQ(NumbrClientConnections(), 0) << "a connection leaked"; }

    static double tagNumber(DWORD tag)
    {
        VARIANT value;
        VariantInit(&value);
        EXPECT_TRUE(ReadTag(tag, &value));
        VariantChangeType(&value, &value, 0, VT_R8);
        const double number = value.dblVal;
        VariantClear(&value);
        return number;
    }

    static void updateLevel(float level)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = level;
        ASSERT_TRUE(UpdateTag(s_level, value, OPC_QUALITY_GOOD));
    }

    static inline DWORD s_level, s_setpoint, s_readOnly, s_offline, s_samples;
};

// What a watch running on a thread of its own prints, for the test's thread to wait for.
class SharedOutput : public std::streambuf
{
public:
    std::string text() const
    {
        std::lock_guard held(m_lock);
        return m_text;
    }

    bool waitFor(const std::string& part)
    {
        std::unique_lock held(m_lock);
        return m_grown.wait_for(held, std::chrono::seconds(10),
                                [&] { return m_text.find(part) != std::string::npos; });
    }

protected:
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof()) append(std::string(1, traits_type::to_char_type(c)));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        append(std::string(text, static_cast<size_t>(count)));
        return count;
    }

private:
    void append(const std::string& text)
    {
        {
            std::lock_guard held(m_lock);
            m_text += text;
        }
        m_grown.notify_all();
    }

    mutable std::mutex m_lock;
    std::condition_variable m_grown;
    std::string m_text;
};

// A watch of the items on a thread of its own, until it ends or the test interrupts it.
class BackgroundWatch
{
public:
    BackgroundWatch(IOPCServer* server, std::vector<std::string> items,
                    const WatchSettings& settings, DaVersion da = DaVersion::V2)
        : m_stream(&m_output), m_thread([this, server, items, settings, da] {
              m_outcome = watch(server, items, settings, da, false, m_stream, m_interrupted);
          })
    {}
    // A test that failed halfway leaves no watch behind.
    ~BackgroundWatch()
    {
        interrupt();
        finish();
    }

    SharedOutput& output() { return m_output; }
    void interrupt() { m_interrupted = true; }
    // Waits for the watch to end.
    WatchOutcome finish()
    {
        if (m_thread.joinable()) m_thread.join();
        return m_outcome.value_or(WatchOutcome{});
    }

private:
    SharedOutput m_output;
    std::ostream m_stream;
    std::atomic<bool> m_interrupted{false};
    std::optional<WatchOutcome> m_outcome;
    std::thread m_thread;
};

// The probe's connection to a server whose process died: the calls the probe makes to set up
// reach the server of this process, but GetStatus answers as such a connection does.
class LostServer : public IOPCServer
{
public:
    explicit LostServer(IOPCServer* server) : m_server(server) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override
    {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IOPCServer))
            return m_server->QueryInterface(riid, object);
        *object = static_cast<IOPCServer*>(this);
        return S_OK;
    }
    // It lives on the test's stack, longer than anything that holds it.
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 1; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    HRESULT STDMETHODCALLTYPE AddGroup(LPCWSTR name, BOOL active, DWORD rate, OPCHANDLE client,
                                       LONG* bias, FLOAT* deadband, DWORD locale, OPCHANDLE* server,
                                       DWORD* revisedRate, REFIID riid,
                                       IUnknown** group) noexcept override
    {
        return m_server->AddGroup(name, active, rate, client, bias, deadband, locale, server,
                                  revisedRate, riid, group);
    }
    HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT error, LCID locale,
                                             LPWSTR* text) noexcept override
    {
        return m_server->GetErrorString(error, locale, text);
    }
    HRESULT STDMETHODCALLTYPE GetGroupByName(LPCWSTR name, REFIID riid,
                                             IUnknown** group) noexcept override
    {
        return m_server->GetGroupByName(name, riid, group);
    }
    HRESULT STDMETHODCALLTYPE GetStatus(OPCSERVERSTATUS** status) noexcept override
    {
        *status = nullptr;
        return RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE RemoveGroup(OPCHANDLE group, BOOL force) noexcept override
    {
        return m_server->RemoveGroup(group, force);
    }
    HRESULT STDMETHODCALLTYPE CreateGroupEnumerator(OPCENUMSCOPE scope, REFIID riid,
                                                    IUnknown** groups) noexcept override
    {
        return m_server->CreateGroupEnumerator(scope, riid, groups);
    }

private:
    IOPCServer* m_server;
};

WatchSettings watchSettings(float deadband)
{
    WatchSettings settings;
    settings.updateRate = 50;
    settings.deadband = deadband;
    // Only a bound for a broken test: each case ends its watch itself.
    settings.seconds = 60;
    return settings;
}

TEST_F(OpcProbeSession, ReadsValuesWithTheirTypesQualitiesAndErrors)
{
    Session session(kProbedClass);
    const std::vector<ItemValue> values =
        session.read({"Probe.Level", "Probe.Offline", "No.Such.Tag"}, OPC_DS_DEVICE);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].item, "Probe.Level");
    EXPECT_EQ(values[0].error, S_OK);
    EXPECT_EQ(valueText(values[0].value.get()), "1.5");
    EXPECT_EQ(values[0].value.type(), VT_R4);
    EXPECT_EQ(values[0].quality, OPC_QUALITY_GOOD);
    EXPECT_FALSE(timeText(values[0].timestamp).empty());
    EXPECT_EQ(qualityText(values[1].quality), "bad: not connected");
    EXPECT_EQ(resultName(values[2].error), "OPC_E_UNKNOWNITEMID");
}

TEST_F(OpcProbeSession, WritesTextInEachItemsOwnType)
{
    Session session(kProbedClass);
    const std::vector<WriteResult> results = session.write({{"Probe.Setpoint", "2.5"},
                                                            {"Probe.Samples", "[4, 5.5]"},
                                                            {"Probe.Level", "high"},
                                                            {"Probe.ReadOnly", "1"},
                                                            {"No.Such.Tag", "1"}});
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0].error, S_OK);
    EXPECT_EQ(tagNumber(s_setpoint), 2.5);
    EXPECT_EQ(results[1].error, S_OK);
    EXPECT_EQ(results[2].error, DISP_E_TYPEMISMATCH) << "refused before it was sent";
    EXPECT_EQ(results[2].problem, "Probe.Level is VT_R4: \"high\" is not a number");
    EXPECT_EQ(tagNumber(s_level), 1.5);
    EXPECT_EQ(resultName(results[3].error), "OPC_E_BADTYPE");
    EXPECT_EQ(results[3].problem, "Probe.ReadOnly is read-only");
    EXPECT_EQ(resultName(results[4].error), "OPC_E_UNKNOWNITEMID");

    const std::vector<ItemValue> samples = session.read({"Probe.Samples"}, OPC_DS_CACHE);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(valueText(samples[0].value.get()), "[4, 5.5]");
}

TEST_F(OpcProbeSession, ReportsTheRunningServersStatus)
{
    ASSERT_TRUE(SetVendorInfoA("Probe Test Vendor"));
    Session session(kProbedClass);
    const ServerStatus status = session.status();
    EXPECT_EQ(status.state, OPC_STATUS_RUNNING);
    EXPECT_EQ(status.vendor, "Probe Test Vendor");
    EXPECT_FALSE(timeText(status.startTime).empty());
    EXPECT_EQ(status.groupCount, 0u) << "the probe's groups are gone after each request";
}

TEST_F(OpcProbeSession, WatchPrintsReportedChangesUntilTheServerAsksItToLeave)
{
    for (const DaVersion da : {DaVersion::V2, DaVersion::V3}) {
        SCOPED_TRACE(static_cast<int>(da));
        updateLevel(1.5f);
        Session session(kProbedClass);
        BackgroundWatch watching(session.server(), {"No.Such.Tag", "Probe.Level"},
                                 watchSettings(10), da);
        ASSERT_TRUE(watching.output().waitFor("\nProbe.Level = ")) << watching.output().text();
        updateLevel(100);
        ASSERT_TRUE(watching.output().waitFor("Probe.Level = 100 (VT_R4, good, "))
            << watching.output().text();
        // Inside the deadband of 10 % of the last reported value, then outside it.
        updateLevel(105);
        updateLevel(111);
        ASSERT_TRUE(watching.output().waitFor("Probe.Level = 111 (VT_R4, good, "));
        EXPECT_EQ(RequestDisconnect(), 1);

        const WatchOutcome outcome = watching.finish();
        EXPECT_EQ(outcome.end, WatchEnd::ShutdownRequested);
        EXPECT_FALSE(outcome.allItemsAdded);
        const std::string text = watching.output().text();
        EXPECT_EQ(text.find("No.Such.Tag: the server has no item of this ID \u2014 "
                            "OPC_E_UNKNOWNITEMID 0xC0040007\n"),
                  0u)
            << text;
        EXPECT_EQ(text.find("Probe.Level = 105"), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with("\nshutdown requested\n")) << text;
        EXPECT_EQ(session.status().groupCount, 0u) << "the watch removed its group";
    }
}

TEST_F(OpcProbeSession, WatchThroughDa3PrintsEveryValueAtOnceAndOnce)
{
    Session session(kProbedClass);
    WatchSettings slow = watchSettings(0);
    slow.updateRate = 3600000;
    {
        BackgroundWatch watching(session.server(), {"Probe.Setpoint"}, slow, DaVersion::V3);
        EXPECT_TRUE(watching.output().waitFor("Probe.Setpoint = "))
            << "refreshed, not left to the first update an hour later";
    }
    // The refresh and the group's first update report the same value: it is printed once.
    BackgroundWatch watching(session.server(), {"Probe.Setpoint"}, watchSettings(0), DaVersion::V3);
    ASSERT_TRUE(watching.output().waitFor("Probe.Setpoint = "));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    watching.interrupt();
    EXPECT_EQ(watching.finish().end, WatchEnd::Interrupted);
    const std::string text = watching.output().text();
    EXPECT_EQ(text.find("Probe.Setpoint = "), text.rfind("Probe.Setpoint = ")) << text;
}

TEST_F(OpcProbeSession, WatchThroughDa3TakesKeepAlivesAsSignsOfLife)
{
    Session session(kProbedClass);
    std::atomic<bool> never{false};
    std::ostringstream unused;
    LostServer lost(session.server());
    WatchSettings idle = watchSettings(0);
    idle.seconds = std::chrono::duration<double>(kServerCheckPeriod * 2.5).count();
    // The group goes on calling, so its server is alive whatever GetStatus would answer.
    EXPECT_EQ(watch(&lost, {"Probe.ReadOnly"}, idle, DaVersion::V3, false, unused, never).end,
              WatchEnd::TimeUp);
    EXPECT_EQ(session.status().groupCount, 0u);
}
TEST_F(OpcProbeSession, WatchEndsWhenInterruptedOrWhenItsTimeIsUp)
{
    Session session(kProbedClass);
    {
        BackgroundWatch watching(session.server(), {"Probe.Level"}, watchSettings(0));
        ASSERT_TRUE(watching.output().waitFor("Probe.Level = "));
        watching.interrupt();
        const WatchOutcome outcome = watching.finish();
        EXPECT_EQ(outcome.end, WatchEnd::Interrupted);
        EXPECT_TRUE(outcome.allItemsAdded);
    }
    WatchSettings brief = watchSettings(0);
    brief.seconds = 0.0;
    BackgroundWatch timed(session.server(), {"Probe.Level"}, brief);
    EXPECT_EQ(timed.finish().end, WatchEnd::TimeUp);
    EXPECT_EQ(session.status().groupCount, 0u);

    std::atomic<bool> never{false};
    std::ostringstream unused;
    EXPECT_THROW(
        watch(session.server(), {"No.Such.Tag"}, brief, DaVersion::V2, false, unused, never),
        ProbeFailure)
        << "nothing to watch";
}

TEST_F(OpcProbeSession, ListeningFailsOnceTheServerStopsAnsweringGetStatus)
{
    Session session(kProbedClass);
    std::atomic<bool> never{false};
    std::ostringstream unused;
    WatchSettings healthy = watchSettings(0);
    healthy.seconds = std::chrono::duration<double>(kServerCheckPeriod * 1.25).count();
    EXPECT_EQ(
        watch(session.server(), {"Probe.Level"}, healthy, DaVersion::V2, false, unused, never).end,
        WatchEnd::TimeUp)
        << "a server that answers is watched on";

    LostServer lost(session.server());
    WatchSettings v1 = watchSettings(0);
    v1.v1 = true;
    const std::vector<std::function<void()>> listeners{
        [&] {
            watch(&lost, {"Probe.Level"}, watchSettings(0), DaVersion::V2, false, unused, never);
        },
        [&] { watch(&lost, {"Probe.Level"}, v1, DaVersion::V3, true, unused, never); },
        [&] { watchEvents(&lost, 60.0, false, unused, never); },
    };
    for (size_t i = 0; i < listeners.size(); ++i) {
        try {
            listeners[i]();
            ADD_FAILURE() << "listener " << i << " ended as if its server were there";
        } catch (const ProbeFailure& failure) {
            EXPECT_STREQ(failure.what(), "The server was lost: GetStatus failed: the server's "
                                         "process is gone \u2014 RPC_E_DISCONNECTED 0x80010108")
                << "listener " << i;
        }
    }
    EXPECT_EQ(session.status().groupCount, 0u) << "the watches removed their groups";
}

TEST_F(OpcProbeSession, NamesWhyAServerCannotBeReached)
{
    constexpr CLSID kNobody = {
        0x0B7E3C56, 0x91A2, 0x4D6B, {0x8E, 0x10, 0x5A, 0x2C, 0x77, 0x01, 0xD4, 0x3F}};
    try {
        Session session(kNobody);
        FAIL() << "connected to a class nobody registered";
    } catch (const ProbeFailure& failure) {
        const std::string message = failure.what();
        EXPECT_EQ(failure.result(), REGDB_E_CLASSNOTREG);
        EXPECT_TRUE(message.starts_with(
            "no OPC server is registered as {0B7E3C56-91A2-4D6B-8E10-5A2C7701D43F}"))
            << message;
        EXPECT_TRUE(message.ends_with(" \u2014 REGDB_E_CLASSNOTREG 0x80040154")) << message;
    }
}

} // namespace
