// The group scan: which tag updates a group reports to its client's OnDataChange, when, and
// what the callback carries; and the callback's safety against clients that call back in or
// unadvise meanwhile.
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "platform/alloc_fault.h"
#include "support/times.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using vetrel::Variant;
using vetrel::platform::TaskAllocationFault;
using vetrel::test::adviseSink;
using vetrel::test::bstr;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::fileTime;
using vetrel::test::i4;
using vetrel::test::narrow;
using vetrel::test::r4;
using vetrel::test::r8;
using vetrel::test::RecordingDataCallback;
using vetrel::test::unadviseSink;
using Call = RecordingDataCallback::Call;
using Entry = RecordingDataCallback::Entry;
using namespace std::chrono_literals;

constexpr DWORD kServerRate = 50;
// Long enough that only a forced scan reports the group's changes.
constexpr DWORD kNeverDue = 3'600'000;
constexpr OPCHANDLE kGroupClientHandle = 77;
constexpr WORD kGood = 0xC0;
constexpr WORD kUncertain = 0x40;
// A bound on waits for the timer, never reached when things work.
constexpr auto kPatience = 10s;

struct Tag
{
    DWORD handle;
    std::string name;
};

Variant owned(VARIANT value)
{
    return Variant::attach(value);
}

Variant real(float value)
{
    return owned(r4(value));
}

// The value as text, which compares values of any type.
std::string textOf(const Variant& value)
{
    Variant text;
    EXPECT_EQ(VariantChangeType(text.out(), const_cast<VARIANT*>(&value.get()), 0, VT_BSTR), S_OK);
    return text.type() == VT_BSTR ? narrow(text.get().bstrVal) : std::string();
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return CompareFileTime(&a, &b) == 0;
}

float floatOf(const Entry& entry)
{
    EXPECT_EQ(entry.value.type(), VT_R4);
    return entry.value.get().fltVal;
}

// The values one item was reported with, in the order of the reports.
std::vector<float> reportedValues(const std::vector<Call>& calls)
{
    std::vector<float> values;
    for (const Call& call : calls) {
        EXPECT_EQ(call.entries.size(), 1u) << "one item, reported once per call";
        for (const Entry& entry : call.entries) values.push_back(floatOf(entry));
    }
    return values;
}

bool strictlyIncreasing(const std::vector<float>& values)
{
    for (size_t i = 1; i < values.size(); ++i)
        if (!(values[i - 1] < values[i])) return false;
    return true;
}

// Each test has its own tags and a connection with one active group that only a forced scan
// reports, with a recording callback advised.
class GroupScan : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(kServerRate); }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Scan", {TRUE, kNeverDue, kGroupClientHandle});
        m_sink = RecordingDataCallback::create();
        ASSERT_EQ(adviseSink(m_group.unknown(), IID_IOPCDataCallback, m_sink.get()), S_OK);
    }
    void TearDown() override
    {
        for (const Tag& tag : m_tags) RemoveTag(tag.handle);
    }

    // "Scan.<test>.<name>", removed when the test ends.
    Tag createTag(const std::string& name, const Variant& value, WORD quality = kGood)
    {
        const std::string full = std::string("Scan.") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 "." + name;
        const DWORD handle = CreateTagA(full.c_str(), value.get(), quality, TRUE);
        EXPECT_NE(handle, 0xFFFFFFFFu) << full;
        m_tags.push_back({handle, full});
        return m_tags.back();
    }
    static OPCHANDLE addItem(const ClientGroup& group, const Tag& tag, OPCHANDLE clientHandle,
                             VARTYPE requested = VT_EMPTY, BOOL active = TRUE)
    {
        return group.addItem({tag.name, "", requested, active, clientHandle});
    }
    OPCHANDLE addItem(const Tag& tag, OPCHANDLE clientHandle, VARTYPE requested = VT_EMPTY)
    {
        return addItem(m_group, tag, clientHandle, requested);
    }
    static void update(const Tag& tag, const Variant& value, WORD quality = kGood)
    {
        EXPECT_TRUE(UpdateTag(tag.handle, value.get(), quality)) << tag.name;
    }
    static void update(const Tag& tag, float value, WORD quality = kGood)
    {
        update(tag, real(value), quality);
    }
    static void setDeadband(const ClientGroup& group, FLOAT deadband)
    {
        ASSERT_EQ(group.state()->SetState(nullptr, nullptr, nullptr, nullptr, &deadband, nullptr,
                                          nullptr),
                  S_OK);
    }
    static void setActive(const ClientGroup& group, BOOL active)
    {
        ASSERT_EQ(
            group.state()->SetState(nullptr, nullptr, &active, nullptr, nullptr, nullptr, nullptr),
            S_OK);
    }
    // The data changes the group's callback received since the last look.
    std::vector<Call> reports() { return newCalls(m_sink.get(), m_seen); }
    static std::vector<Call> newCalls(const RecordingDataCallback* sink, size_t& seen)
    {
        const auto calls = sink->calls();
        std::vector<Call> fresh(calls.begin() + static_cast<std::ptrdiff_t>(seen), calls.end());
        seen = calls.size();
        for (const Call& call : fresh) {
            EXPECT_EQ(call.kind, RecordingDataCallback::Kind::DataChange);
            EXPECT_EQ(call.transactionID, 0u);
            EXPECT_EQ(call.masterError, S_OK);
            for (const Entry& entry : call.entries) EXPECT_EQ(entry.error, S_OK);
        }
        return fresh;
    }
    // A forced scan of every group, and what this group reported in it.
    std::vector<Call> refresh()
    {
        EXPECT_TRUE(RefreshAllClients());
        return reports();
    }
    // The values of one item reported by a forced scan.
    std::vector<float> refreshValues() { return reportedValues(refresh()); }

    std::vector<Tag> m_tags;
    ClientConnection m_client;
    ClientGroup m_group;
    ComPtr<RecordingDataCallback> m_sink;
    size_t m_seen = 0;
};

TEST_F(GroupScan, ReportCarriesTheChangedItemsAsTheClientAskedForThem)
{
    const Tag first = createTag("First", real(1.5f));
    const Tag second = createTag("Second", real(2.5f));
    const Tag third = createTag("Third", real(3.5f));
    addItem(first, 11);
    addItem(second, 12, VT_BSTR);
    addItem(third, 13, VT_I4);

    // New items are reported once, in list order, each in its requested type.
    auto calls = refresh();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].groupHandle, kGroupClientHandle);
    EXPECT_EQ(calls[0].masterQuality, S_OK);
    ASSERT_EQ(calls[0].entries.size(), 3u);
    EXPECT_EQ(calls[0].entries[0].clientHandle, 11u);
    EXPECT_EQ(floatOf(calls[0].entries[0]), 1.5f);
    EXPECT_EQ(calls[0].entries[1].clientHandle, 12u);
    ASSERT_EQ(calls[0].entries[1].value.type(), VT_BSTR);
    EXPECT_EQ(narrow(calls[0].entries[1].value.get().bstrVal), "2.5");
    EXPECT_EQ(calls[0].entries[2].clientHandle, 13u);
    ASSERT_EQ(calls[0].entries[2].value.type(), VT_I4);
    EXPECT_EQ(calls[0].entries[2].value.get().lVal, 4) << "rounded to even";
    EXPECT_TRUE(refresh().empty()) << "reported flags are cleared";

    // Only the items that changed, still in list order, with the tag's quality and time.
    const FILETIME thirdTime = fileTime(2023, 11, 12, 13, 14, 16);
    const FILETIME firstTime = fileTime(2024, 1, 2, 3, 4, 6);
    ASSERT_TRUE(UpdateTagWithTimeStamp(third.handle, r4(7.0f), kUncertain, thirdTime));
    ASSERT_TRUE(UpdateTagWithTimeStamp(first.handle, r4(8.0f), kGood, firstTime));
    calls = refresh();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].masterQuality, S_FALSE);
    ASSERT_EQ(calls[0].entries.size(), 2u);
    EXPECT_EQ(calls[0].entries[0].clientHandle, 11u);
    EXPECT_EQ(floatOf(calls[0].entries[0]), 8.0f);
    EXPECT_EQ(calls[0].entries[0].quality, kGood);
    EXPECT_TRUE(sameTime(calls[0].entries[0].timestamp, firstTime));
    EXPECT_EQ(calls[0].entries[1].clientHandle, 13u);
    EXPECT_EQ(calls[0].entries[1].value.get().lVal, 7);
    EXPECT_EQ(calls[0].entries[1].quality, kUncertain);
    EXPECT_TRUE(sameTime(calls[0].entries[1].timestamp, thirdTime));
}

TEST_F(GroupScan, ItemsFlaggedOutOfOrderOrRemovedLeaveTheOthersReportedInListOrder)
{
    std::vector<Tag> tags;
    std::vector<OPCHANDLE> handles;
    for (OPCHANDLE i = 0; i < 6; ++i) {
        tags.push_back(createTag("Item" + std::to_string(i), real(0.0f)));
        handles.push_back(addItem(tags.back(), i));
    }
    refresh();
    for (const size_t i : {5, 1, 3, 0, 4}) update(tags[i], static_cast<float>(10 + i));
    ASSERT_EQ(m_group.removeItems({handles[1], handles[4]}), std::vector<HRESULT>(2, S_OK));
    update(tags[2], 12.0f);

    const auto calls = refresh();
    ASSERT_EQ(calls.size(), 1u);
    std::vector<OPCHANDLE> reported;
    for (const Entry& entry : calls[0].entries) {
        reported.push_back(entry.clientHandle);
        EXPECT_EQ(floatOf(entry), static_cast<float>(10 + entry.clientHandle));
    }
    EXPECT_EQ(reported, (std::vector<OPCHANDLE>{0, 2, 3, 5}));
    EXPECT_TRUE(refresh().empty());
}

TEST_F(GroupScan, ValueThatCannotTakeTheRequestedTypeIsReportedWithQualityZero)
{
    const Tag tag = createTag("Byte", real(1.0f));
    addItem(tag, 5, VT_UI1);
    refresh();
    update(tag, 1000.0f);
    const auto calls = refresh();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].masterQuality, S_FALSE);
    EXPECT_EQ(calls[0].masterError, S_OK);
    ASSERT_EQ(calls[0].entries.size(), 1u);
    EXPECT_EQ(calls[0].entries[0].clientHandle, 5u);
    EXPECT_EQ(calls[0].entries[0].quality, 0);
    EXPECT_EQ(calls[0].entries[0].error, S_OK) << "the failure shows only in the quality";
    EXPECT_EQ(floatOf(calls[0].entries[0]), 1000.0f) << "the value in its own type";
}

TEST_F(GroupScan, DeadbandZeroReportsEveryUpdateEvenARepeat)
{
    const Tag tag = createTag("Value", real(1.0f));
    addItem(tag, 1);
    refresh();
    for (int repeat = 0; repeat < 3; ++repeat) {
        update(tag, 1.0f);
        EXPECT_EQ(refreshValues(), std::vector<float>{1.0f}) << repeat;
    }
    EXPECT_TRUE(refresh().empty()) << "no update, no report";
}

TEST_F(GroupScan, PercentDeadbandMeasuresFromTheLastChange)
{
    setDeadband(m_group, 10.0f);
    const Tag tag = createTag("Value", real(100.0f));
    const OPCHANDLE item = addItem(tag, 1);
    // The first update of a new item is always a change; it sets the reference.
    update(tag, 100.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{100.0f});

    update(tag, 109.0f);
    EXPECT_TRUE(refresh().empty());
    const FILETIME quietTime = fileTime(2024, 5, 6, 7, 8, 10);
    ASSERT_TRUE(UpdateTagWithTimeStamp(tag.handle, r4(91.0f), kGood, quietTime));
    EXPECT_TRUE(refresh().empty());
    // Unreported updates still reach the item, with their time.
    const auto read = m_group.read({item});
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].value.get().fltVal, 91.0f);
    EXPECT_TRUE(sameTime(read[0].timestamp, quietTime));

    update(tag, 110.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{110.0f});
    // Now measured from 110: 120 and 100 are inside, 130 is not.
    update(tag, 120.0f);
    EXPECT_TRUE(refresh().empty());
    update(tag, 100.0f);
    EXPECT_TRUE(refresh().empty());
    update(tag, 130.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{130.0f});

    // Downwards alike.
    update(tag, 117.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{117.0f});
    update(tag, 106.0f);
    EXPECT_TRUE(refresh().empty());
}

TEST_F(GroupScan, UpdatesBetweenScansAreReportedOnceWithTheNewestValue)
{
    const Tag tag = createTag("Value", real(0.0f));
    addItem(tag, 1);
    refresh();
    for (const float value : {1.0f, 2.0f, 3.0f}) update(tag, value);
    EXPECT_EQ(refreshValues(), std::vector<float>{3.0f});

    // A change, then an update inside the deadband: the change is reported, with the newest
    // value, and the reference stays at the change.
    setDeadband(m_group, 10.0f);
    update(tag, 100.0f);
    refresh();
    update(tag, 115.0f);
    update(tag, 116.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{116.0f});
    update(tag, 120.0f);
    EXPECT_TRUE(refresh().empty()) << "4% from 115";
}

TEST_F(GroupScan, ReferenceZeroReportsAnyOtherValue)
{
    setDeadband(m_group, 10.0f);
    const Tag tag = createTag("Value", real(0.0f));
    addItem(tag, 1);
    update(tag, 0.0f);
    refresh();
    update(tag, 0.0f);
    EXPECT_TRUE(refresh().empty());
    update(tag, 0.001f);
    EXPECT_EQ(refreshValues(), std::vector<float>{0.001f});
    update(tag, 0.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{0.0f}) << "100% away from 0.001";
    update(tag, -0.001f);
    EXPECT_EQ(refreshValues(), std::vector<float>{-0.001f});
}

// The reference is the last reported value as a number; after a value that is no number, or
// one that a float cannot hold, every update counts as a change until a number is reported.
TEST_F(GroupScan, DeadbandMeasuresOnlyFromNumbersAFloatCanHold)
{
    setDeadband(m_group, 10.0f);
    const Tag tag = createTag("Value", real(0.0f));
    addItem(tag, 1);
    refresh();
    const struct
    {
        VARIANT value;
        bool reported;
    } steps[] = {
        {r4(100.0f), true},  {r4(105.0f), false}, {bstr("105"), false}, {bstr("abc"), true},
        {bstr("abc"), true}, {i4(100), true},     {i4(109), false},     {r8(1e300), true},
        {r8(1e300), true},   {r8(200.0), true},   {r8(215.0), false},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        update(tag, owned(steps[i].value));
        EXPECT_EQ(refresh().size(), steps[i].reported ? 1u : 0u) << "step " << i;
    }
}

TEST_F(GroupScan, QualityChangeIsReportedWhateverTheDeadband)
{
    setDeadband(m_group, 100.0f);
    const Tag tag = createTag("Value", real(5.0f));
    addItem(tag, 1);
    update(tag, 5.0f);
    refresh();

    update(tag, 5.0f, kUncertain);
    auto calls = refresh();
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].entries.size(), 1u);
    EXPECT_EQ(calls[0].entries[0].quality, kUncertain);
    update(tag, 5.0f, kUncertain);
    EXPECT_TRUE(refresh().empty());
    update(tag, 6.0f, kGood);
    calls = refresh();
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].entries.size(), 1u);
    EXPECT_EQ(calls[0].entries[0].quality, kGood);
    EXPECT_EQ(floatOf(calls[0].entries[0]), 6.0f);
}

TEST_F(GroupScan, TextBooleanDateAndCurrencyItemsReportEveryUpdate)
{
    setDeadband(m_group, 100.0f);
    Variant flag;
    flag.out()->vt = VT_BOOL;
    flag.out()->boolVal = VARIANT_TRUE;
    Variant date;
    date.out()->vt = VT_DATE;
    date.out()->date = 45000.5;
    Variant money;
    money.out()->vt = VT_CY;
    money.out()->cyVal.int64 = 123450;
    const Variant text = owned(vetrel::test::bstr("on"));
    const std::vector<Variant> values = {text, flag, date, money};
    std::vector<Tag> tags;
    for (size_t i = 0; i < values.size(); ++i) {
        tags.push_back(createTag("Value" + std::to_string(i), values[i]));
        addItem(tags.back(), static_cast<OPCHANDLE>(i));
    }
    refresh();

    for (int repeat = 0; repeat < 2; ++repeat) {
        for (size_t i = 0; i < tags.size(); ++i) update(tags[i], values[i]);
        const auto calls = refresh();
        ASSERT_EQ(calls.size(), 1u) << repeat;
        ASSERT_EQ(calls[0].entries.size(), values.size()) << repeat;
        for (size_t i = 0; i < values.size(); ++i) {
            const Entry& entry = calls[0].entries[i];
            EXPECT_EQ(entry.clientHandle, i);
            ASSERT_EQ(entry.value.type(), values[i].type());
            EXPECT_EQ(textOf(entry.value), textOf(values[i])) << i;
        }
    }
}

TEST_F(GroupScan, ValuesThatAreNotFiniteCountAsChanges)
{
    setDeadband(m_group, 10.0f);
    const Tag tag = createTag("Value", real(100.0f));
    addItem(tag, 1);
    update(tag, 100.0f);
    refresh();

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    update(tag, nan);
    auto values = refreshValues();
    ASSERT_EQ(values.size(), 1u) << "a new value that is not a number";
    EXPECT_TRUE(std::isnan(values[0]));
    update(tag, nan);
    EXPECT_EQ(refreshValues().size(), 1u) << "a reference that is not a number";
    update(tag, 100.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{100.0f});
    update(tag, infinity);
    EXPECT_EQ(refreshValues(), std::vector<float>{infinity});
    update(tag, infinity);
    EXPECT_EQ(refreshValues(), std::vector<float>{infinity}) << "an infinite reference";
    update(tag, -infinity);
    EXPECT_EQ(refreshValues(), std::vector<float>{-infinity});

    // A percentage too large for a float.
    update(tag, 1e-30f);
    refresh();
    update(tag, 1e30f);
    EXPECT_EQ(refreshValues(), std::vector<float>{1e30f});
}

TEST_F(GroupScan, SlowerGroupCoalescesUpdatesBetweenItsReports)
{
    constexpr DWORD kRate = 4 * kServerRate;
    constexpr int kLast = 40;
    const Tag tag = createTag("Value", real(0.0f));
    ClientGroup slow = m_client.addGroup("Slow", {TRUE, kRate, 0});
    EXPECT_EQ(slow.getState().updateRate, kRate);
    auto sink = RecordingDataCallback::create();
    ASSERT_EQ(adviseSink(slow.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    addItem(slow, tag, 1);

    for (int value = 1; value <= kLast; ++value) update(tag, static_cast<float>(value));
    // The timer reports the newest value at some due scan; wait for it.
    size_t expected = 1;
    while (sink->waitForCalls(expected, kPatience)) {
        const auto calls = sink->calls();
        const auto& entries = calls.back().entries;
        if (!entries.empty() && entries.back().value.get().fltVal == kLast) break;
        expected = calls.size() + 1;
    }
    size_t seen = 0;
    const auto values = reportedValues(newCalls(sink.get(), seen));
    ASSERT_FALSE(values.empty()) << "no report within the bound";
    EXPECT_EQ(values.back(), static_cast<float>(kLast));
    EXPECT_TRUE(strictlyIncreasing(values)) << "each report carries the newest value once";
    EXPECT_EQ(unadviseSink(slow.unknown(), IID_IOPCDataCallback), S_OK);
}

TEST_F(GroupScan, InactiveGroupReportsNothingUntilActivated)
{
    const Tag tag = createTag("Value", real(0.0f));
    const OPCHANDLE item = addItem(tag, 1);
    refresh();
    setActive(m_group, FALSE);
    update(tag, 5.0f);
    update(tag, 6.0f);
    EXPECT_TRUE(refresh().empty());
    EXPECT_TRUE(refresh().empty());
    const auto read = m_group.read({item});
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].value.get().fltVal, 6.0f) << "the items keep following their tags";

    setActive(m_group, TRUE);
    EXPECT_EQ(refreshValues(), std::vector<float>{6.0f});
}

TEST_F(GroupScan, InactiveItemOfAnActiveGroupIsReported)
{
    const Tag tag = createTag("Value", real(0.0f));
    addItem(m_group, tag, 1, VT_EMPTY, FALSE);
    EXPECT_EQ(refreshValues(), std::vector<float>{0.0f});
    update(tag, 2.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{2.0f});
}

TEST_F(GroupScan, MasterQualityIsSFalseUnlessEveryQualityIsExactlyGood)
{
    const Tag first = createTag("First", real(0.0f));
    const Tag second = createTag("Second", real(0.0f));
    addItem(first, 1);
    addItem(second, 2);
    refresh();
    const struct
    {
        WORD other;
        HRESULT master;
    } cases[] = {
        {kGood, S_OK},
        {kUncertain, S_FALSE},
        {kGood | OPC_LIMIT_LOW, S_FALSE}, // good, but low-limited
        {OPC_QUALITY_LOCAL_OVERRIDE, S_FALSE},
        {kGood, S_OK},
    };
    float value = 1.0f;
    for (const auto& row : cases) {
        update(first, value, kGood);
        update(second, value, row.other);
        value += 1.0f;
        const auto calls = refresh();
        ASSERT_EQ(calls.size(), 1u) << row.other;
        ASSERT_EQ(calls[0].entries.size(), 2u) << row.other;
        EXPECT_EQ(calls[0].entries[1].quality, row.other);
        EXPECT_EQ(calls[0].masterQuality, row.master) << row.other;
    }
}

TEST_F(GroupScan, ChangesWaitForACallbackAdvisedLater)
{
    const Tag tag = createTag("Value", real(0.0f));
    // A group whose client has not even asked for its container yet.
    ClientGroup late = m_client.addGroup("Late", {TRUE, kNeverDue, 0});
    addItem(late, tag, 1);
    update(tag, 1.0f);
    EXPECT_TRUE(RefreshAllClients());
    update(tag, 2.0f);
    EXPECT_TRUE(RefreshAllClients());

    auto sink = RecordingDataCallback::create();
    size_t seen = 0;
    ASSERT_EQ(adviseSink(late.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    EXPECT_TRUE(RefreshAllClients());
    EXPECT_EQ(reportedValues(newCalls(sink.get(), seen)), std::vector<float>{2.0f});

    // Between Unadvise and the next Advise, changes wait again.
    ASSERT_EQ(unadviseSink(late.unknown(), IID_IOPCDataCallback), S_OK);
    update(tag, 3.0f);
    EXPECT_TRUE(RefreshAllClients());
    EXPECT_TRUE(newCalls(sink.get(), seen).empty());
    ASSERT_EQ(adviseSink(late.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    EXPECT_TRUE(RefreshAllClients());
    EXPECT_EQ(reportedValues(newCalls(sink.get(), seen)), std::vector<float>{3.0f});
    EXPECT_EQ(unadviseSink(late.unknown(), IID_IOPCDataCallback), S_OK);
}

TEST_F(GroupScan, RefreshReportsTheChangedItemsOfEveryActiveGroupOfEveryServer)
{
    const Tag moving = createTag("Moving", real(0.0f));
    const Tag still = createTag("Still", real(0.0f));
    addItem(still, 9);

    auto other = ClientConnection::connect();
    struct Watched
    {
        ClientGroup group;
        ComPtr<RecordingDataCallback> sink;
        size_t seen;
    };
    const auto watch = [&](const std::string& name, BOOL active) {
        Watched watched{other.addGroup(name, {active, kNeverDue, 0}),
                        RecordingDataCallback::create(), 0};
        EXPECT_EQ(adviseSink(watched.group.unknown(), IID_IOPCDataCallback, watched.sink.get()),
                  S_OK);
        return watched;
    };
    Watched both = watch("Both", TRUE);
    Watched stillOnly = watch("StillOnly", TRUE);
    Watched inactive = watch("Inactive", FALSE);
    addItem(both.group, moving, 1);
    addItem(both.group, still, 2);
    addItem(stillOnly.group, still, 3);
    addItem(inactive.group, moving, 4);
    refresh();
    for (Watched* watched : {&both, &stillOnly, &inactive})
        newCalls(watched->sink.get(), watched->seen);

    update(moving, 1.0f);
    EXPECT_TRUE(refresh().empty());
    auto calls = newCalls(both.sink.get(), both.seen);
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].entries.size(), 1u) << "only the item that changed";
    EXPECT_EQ(calls[0].entries[0].clientHandle, 1u);
    EXPECT_TRUE(newCalls(stillOnly.sink.get(), stillOnly.seen).empty());
    EXPECT_TRUE(newCalls(inactive.sink.get(), inactive.seen).empty());

    // The inactive group kept its flag, from the item's creation on, for its activation.
    setActive(inactive.group, TRUE);
    EXPECT_TRUE(RefreshAllClients());
    EXPECT_EQ(reportedValues(newCalls(inactive.sink.get(), inactive.seen)),
              std::vector<float>{1.0f});
    for (Watched* watched : {&both, &stillOnly, &inactive})
        EXPECT_EQ(unadviseSink(watched->group.unknown(), IID_IOPCDataCallback), S_OK);
}

TEST_F(GroupScan, LostCallbackBlockStillClearsTheFlags)
{
    const Tag tag = createTag("Value", real(0.0f));
    addItem(tag, 1);
    refresh();
    update(tag, 1.0f);
    {
        TaskAllocationFault fault(1);
        EXPECT_TRUE(RefreshAllClients());
    }
    EXPECT_TRUE(reports().empty()) << "no block, no call";
    EXPECT_TRUE(refresh().empty()) << "the lost report is not retried";
    update(tag, 2.0f);
    EXPECT_EQ(refreshValues(), std::vector<float>{2.0f});
}

// What a read made on another thread during a callback got.
struct ReadOutcome
{
    HRESULT result = E_FAIL;
    HRESULT itemError = E_FAIL;
    float value = 0.0f;
};

TEST_F(GroupScan, CallbackMayWaitForAReadOnAnotherThread)
{
    const Tag tag = createTag("Value", real(4.0f));
    const OPCHANDLE item = addItem(tag, 1);
    IOPCSyncIO* syncIO = m_group.syncIO();

    // The client's callback hands the read to a thread of its own and waits for it, as a
    // client with a worker thread does.
    std::thread reader;
    std::future<ReadOutcome> outcome;
    bool readWithinCallback = false;
    m_sink->onDataChange([&] {
        if (reader.joinable()) return;
        std::packaged_task<ReadOutcome()> read([syncIO, item] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            ReadOutcome got;
            OPCHANDLE handles[] = {item};
            OPCITEMSTATE* states = nullptr;
            HRESULT* errors = nullptr;
            got.result = syncIO->Read(OPC_DS_CACHE, 1, handles, &states, &errors);
            if (SUCCEEDED(got.result)) {
                got.itemError = errors[0];
                got.value = states[0].vDataValue.fltVal;
                VariantClear(&states[0].vDataValue);
                CoTaskMemFree(states);
                CoTaskMemFree(errors);
            }
            CoUninitialize();
            return got;
        });
        outcome = read.get_future();
        reader = std::thread(std::move(read));
        readWithinCallback = outcome.wait_for(kPatience) == std::future_status::ready;
    });
    const auto calls = refresh();
    m_sink->onDataChange(nullptr);
    ASSERT_TRUE(reader.joinable());
    // A read blocked by the callback finishes once it returns, so the join always ends.
    reader.join();
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_TRUE(readWithinCallback) << "the read had to wait for the callback to return";
    const ReadOutcome got = outcome.get();
    EXPECT_EQ(got.result, S_OK);
    EXPECT_EQ(got.itemError, S_OK);
    EXPECT_EQ(got.value, 4.0f);
}

TEST_F(GroupScan, UnadviseDuringACallbackReleasesTheSinkWhenTheCallbackReturns)
{
    const Tag tag = createTag("Value", real(0.0f));
    addItem(tag, 1);
    ASSERT_EQ(unadviseSink(m_group.unknown(), IID_IOPCDataCallback), S_OK);

    // The action goes with the sink: the token it holds expires when the sink is destroyed.
    auto sink = RecordingDataCallback::create();
    auto token = std::make_shared<int>(0);
    const std::weak_ptr<int> sinkAlive = token;
    std::promise<void> entered;
    std::future<void> inCallback = entered.get_future();
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::once_flag once;
    sink->onDataChange([token, &entered, &once, opened] {
        std::call_once(once, [&entered] { entered.set_value(); });
        opened.wait();
    });
    token.reset();
    ASSERT_EQ(adviseSink(m_group.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);

    std::thread scanning([] { RefreshAllClients(); });
    const bool delivering = inCallback.wait_for(kPatience) == std::future_status::ready;
    EXPECT_EQ(unadviseSink(m_group.unknown(), IID_IOPCDataCallback), S_OK)
        << "Unadvise does not wait for the callback";
    // The test's reference and the callback's: without the latter, letting go of the former
    // would free the sink under the callback.
    const LONG heldDuringCallback = sink->references();
    if (heldDuringCallback == 2) sink.reset();
    gate.set_value();
    scanning.join();
    EXPECT_TRUE(delivering);
    EXPECT_EQ(heldDuringCallback, 2) << "the callback in progress holds the sink";
    sink.reset();
    EXPECT_TRUE(sinkAlive.expired()) << "released when the callback returned";
}

TEST_F(GroupScan, AdviseAndUnadviseRacingReportsAreSafe)
{
    constexpr int kScans = 200;
    const Tag tag = createTag("Value", real(0.0f));
    addItem(tag, 31);
    ASSERT_EQ(unadviseSink(m_group.unknown(), IID_IOPCDataCallback), S_OK);
    auto sink = RecordingDataCallback::create();

    std::atomic<bool> scanning{true};
    std::thread scanner([&] {
        for (int i = 1; i <= kScans; ++i) {
            UpdateTag(tag.handle, r4(static_cast<float>(i)), kGood);
            RefreshAllClients();
        }
        scanning = false;
    });
    std::vector<HRESULT> results;
    while (scanning) {
        results.push_back(adviseSink(m_group.unknown(), IID_IOPCDataCallback, sink.get()));
        results.push_back(unadviseSink(m_group.unknown(), IID_IOPCDataCallback));
    }
    scanner.join();

    for (const HRESULT result : results) EXPECT_EQ(result, S_OK);
    EXPECT_EQ(sink->references(), 1) << "every Advise's reference released once";
    size_t seen = 0;
    const auto delivered = reportedValues(newCalls(sink.get(), seen));
    EXPECT_TRUE(strictlyIncreasing(delivered));

    ASSERT_EQ(adviseSink(m_group.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    update(tag, 1000.0f);
    EXPECT_TRUE(RefreshAllClients());
    EXPECT_EQ(reportedValues(newCalls(sink.get(), seen)), std::vector<float>{1000.0f});
    EXPECT_EQ(unadviseSink(m_group.unknown(), IID_IOPCDataCallback), S_OK);
}

TEST_F(GroupScan, ReportsNeitherOverlapNorOvertakeWhicheverThreadScans)
{
    constexpr int kLast = 300;
    const Tag tag = createTag("Value", real(0.0f));
    addItem(tag, 1);
    refresh();

    // A slow client, which notes a report arriving while it still handles another.
    std::atomic<int> handling{0};
    std::atomic<bool> overlapped{false};
    m_sink->onDataChange([&handling, &overlapped] {
        if (handling.fetch_add(1) > 0) overlapped = true;
        for (int i = 0; i < 100; ++i) std::this_thread::yield();
        handling.fetch_sub(1);
    });
    // Two threads each publish the next value, in order, and scan.
    std::mutex publishing;
    float published = 0.0f;
    const auto publishAndScan = [&] {
        for (int i = 0; i < kLast / 2; ++i) {
            {
                std::lock_guard held(publishing);
                published += 1.0f;
                UpdateTag(tag.handle, r4(published), kGood);
            }
            RefreshAllClients();
        }
    };
    std::thread first(publishAndScan);
    std::thread second(publishAndScan);
    first.join();
    second.join();
    EXPECT_TRUE(RefreshAllClients());
    m_sink->onDataChange(nullptr);

    EXPECT_FALSE(overlapped) << "a report came while the previous one was being handled";
    const auto values = reportedValues(reports());
    ASSERT_FALSE(values.empty());
    EXPECT_TRUE(strictlyIncreasing(values)) << "an older value never follows a newer one";
    EXPECT_EQ(values.back(), static_cast<float>(kLast));
}

} // namespace
