// A tag's timestamp reaches clients unchanged, to the tick, by every road: reads, data changes,
// OPC 1.0 stream blocks, item property 4 and level-alarm events.
#include "fixtures/opc_client.h"
#include "fixtures/recording_advise_sink.h"
#include "fixtures/recording_sinks.h"
#include "support/times.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::fieldAt;
using vetrel::test::RecordingAdviseSink;
using vetrel::test::RecordingDataCallback;
using vetrel::test::RecordingEventSink;
using vetrel::test::ticks;
using vetrel::test::unknownOut;
using vetrel::test::wide;

constexpr WORD kGood = 0xC0;
constexpr auto kDelivered = std::chrono::seconds(5);

FILETIME plusTicks(FILETIME time, ULONGLONG more)
{
    const ULONGLONG sum = ticks(time) + more;
    return FILETIME{static_cast<DWORD>(sum), static_cast<DWORD>(sum >> 32)};
}

// Item property 4 as it should read: local time as an OLE Automation date, with the fraction
// of its second.
DOUBLE expectedOleDate(const FILETIME& utc)
{
    FILETIME local{};
    SYSTEMTIME calendar{};
    DOUBLE date = 0;
    EXPECT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_TRUE(FileTimeToSystemTime(&local, &calendar));
    calendar.wMilliseconds = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&calendar, &date));
    return date + static_cast<DOUBLE>(ticks(local) % 10'000'000) / 864'000'000'000.0;
}

class TimestampPaths : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_tag = CreateTagA("Stamped.Level", vetrel::test::r4(0.0f), kGood, FALSE);
        ASSERT_TRUE(SetItemLevelAlarm(m_tag, 3, 50.0f, 500, TRUE));
        // The OPC 1.0 streams report first and take what they report: a group of their own.
        m_group = m_client.addGroup("Stamped", {TRUE, 3600000, 1});
        m_item = m_group.addItem({"Stamped.Level", "", VT_EMPTY, TRUE, 9});
        m_streamGroup = m_client.addGroup("Streamed", {TRUE, 3600000, 2});
        m_streamGroup.addItem({"Stamped.Level", "", VT_EMPTY, TRUE, 9});
        ASSERT_EQ(
            vetrel::test::adviseSink(m_group.unknown(), IID_IOPCDataCallback, m_callback.get()),
            S_OK);
        ComPtr<IDataObject> data;
        ASSERT_EQ(m_streamGroup.unknown()->QueryInterface(IID_IDataObject, data.putVoid()), S_OK);
        FORMATETC timed = {
            static_cast<CLIPFORMAT>(RegisterClipboardFormatA("OPCSTMFORMATDATATIME")), nullptr,
            DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        DWORD connection = 0;
        ASSERT_EQ(data->DAdvise(&timed, 0, m_stream.get(), &connection), S_OK);

        auto events = ComPtr<IUnknown>(m_client.server()).as<IOPCEventServer>(IID_IOPCEventServer);
        DWORD bufferTime = 0, maxSize = 0;
        ASSERT_EQ(events->CreateEventSubscription(TRUE, 0, 0, 1, IID_IUnknown,
                                                  unknownOut(m_subscription), &bufferTime,
                                                  &maxSize),
                  S_OK);
        ASSERT_EQ(vetrel::test::adviseSink(m_subscription.get(), IID_IOPCEventSink, m_events.get()),
                  S_OK);
    }
    void TearDown() override { RemoveTag(m_tag); }

    DWORD m_tag = 0;
    ClientConnection m_client = ClientConnection::connect();
    ClientGroup m_group;
    ClientGroup m_streamGroup;
    OPCHANDLE m_item = 0;
    ComPtr<RecordingDataCallback> m_callback = RecordingDataCallback::create();
    ComPtr<RecordingAdviseSink> m_stream = RecordingAdviseSink::create();
    ComPtr<RecordingEventSink> m_events = RecordingEventSink::create();
    ComPtr<IUnknown> m_subscription;
};

TEST_F(TimestampPaths, EveryRoadHandsOutTheHostsTimeToTheTick)
{
    // Each update crosses the Hi limit one way or the other, so that each raises an event.
    const struct
    {
        FILETIME time;
        float value;
    } updates[] = {
        {plusTicks(vetrel::test::fileTime(2026, 12, 7, 21, 30, 36, 522), 1234), 60.0f},
        {plusTicks(vetrel::test::fileTime(2026, 12, 7, 21, 30, 37, 1), 1), 10.0f},
        {plusTicks(vetrel::test::fileTime(2040, 2, 29, 23, 59, 59, 999), 9999), 70.0f},
    };
    size_t round = 0;
    for (const auto& update : updates) {
        ++round;
        const ULONGLONG expected = ticks(update.time);
        ASSERT_TRUE(
            UpdateTagWithTimeStamp(m_tag, vetrel::test::r4(update.value), kGood, update.time));
        RefreshAllClients();

        const auto read = m_group.read({m_item});
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(ticks(read[0].timestamp), expected) << "read " << round;

        ASSERT_TRUE(m_callback->waitForCalls(round, kDelivered));
        const auto calls = m_callback->calls();
        ASSERT_EQ(calls.back().entries.size(), 1u);
        EXPECT_EQ(ticks(calls.back().entries[0].timestamp), expected) << "data change " << round;

        ASSERT_TRUE(m_stream->waitForBlocks(round, kDelivered));
        // ftTimeStampItem: 12 bytes into the first item header, after the 20-byte group header.
        EXPECT_EQ(fieldAt<ULONGLONG>(m_stream->blocks().back().bytes, 32), expected)
            << "stream block " << round;

        ASSERT_TRUE(m_events->waitForCalls(round, kDelivered));
        const auto event = m_events->calls().back().events.at(0);
        EXPECT_EQ(ticks(event.time), expected) << "event " << round;
        EXPECT_EQ(ticks(event.activeTime), expected) << "event " << round;

        ComPtr<IOPCItemProperties> properties =
            ComPtr<IUnknown>(m_client.server()).as<IOPCItemProperties>(IID_IOPCItemProperties);
        DWORD id = 4;
        VARIANT* values = nullptr;
        HRESULT* errors = nullptr;
        ASSERT_EQ(
            properties->GetItemProperties(wide("Stamped.Level").data(), 1, &id, &values, &errors),
            S_OK);
        EXPECT_EQ(errors[0], S_OK);
        EXPECT_EQ(values[0].vt, VT_DATE);
        EXPECT_NEAR(values[0].date, expectedOleDate(update.time), 1e-9) << "property " << round;
        CoTaskMemFree(values);
        CoTaskMemFree(errors);
    }
}

TEST_F(TimestampPaths, UpdatesWithoutATimeCarryDistinctRisingStamps)
{
    ULONGLONG previous = 0;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(UpdateTag(m_tag, vetrel::test::r4(static_cast<float>(i % 2)), kGood));
        const auto read = m_group.read({m_item});
        ASSERT_EQ(read.size(), 1u);
        ASSERT_GT(ticks(read[0].timestamp), previous) << i;
        previous = ticks(read[0].timestamp);
    }
}

} // namespace
