// The OPC DA 3.0 interfaces of a group: reads by max age, writes of value, quality and
// timestamp, keep-alive reports and item deadbands, beside the 2.0 interfaces they extend; and
// the server's reads and writes by item ID, which share the group's reads and writes.
#include "fixtures/host_recorder.h"
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "support/times.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using vetrel::Variant;
using vetrel::test::adviseSink;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::fileTime;
using vetrel::test::HostRecorder;
using vetrel::test::narrow;
using vetrel::test::r4;
using vetrel::test::RecordingDataCallback;
using vetrel::test::TraceRecorder;
using Kind = RecordingDataCallback::Kind;

// The timer never ticks during a test: only forced scans run, each counting this long.
constexpr DWORD kServerRate = 3'600'000;
constexpr WORD kGood = 0xC0;
constexpr WORD kUncertain = 0x40;
constexpr OPCHANDLE kGroupClientHandle = 9;

// What a client gets for one item of a read by max age.
struct ReadEntry
{
    HRESULT error;
    std::string value;
    WORD quality;
    FILETIME timestamp;
};

std::string textOf(const VARIANT& value)
{
    Variant text;
    if (value.vt == VT_EMPTY) return "";
    if (FAILED(VariantChangeType(text.out(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) return "?";
    return narrow(text.get().bstrVal);
}

// Takes the arrays a client received, freeing them.
std::vector<ReadEntry> takeRead(DWORD count, VARIANT* values, WORD* qualities, FILETIME* timestamps,
                                HRESULT* errors)
{
    std::vector<ReadEntry> entries;
    for (DWORD i = 0; i < count; ++i) {
        entries.push_back({errors[i], textOf(values[i]), qualities[i], timestamps[i]});
        VariantClear(&values[i]);
    }
    CoTaskMemFree(values);
    CoTaskMemFree(qualities);
    CoTaskMemFree(timestamps);
    CoTaskMemFree(errors);
    return entries;
}

std::vector<HRESULT> takeErrors(DWORD count, HRESULT* errors)
{
    std::vector<HRESULT> result(errors, errors + count);
    CoTaskMemFree(errors);
    return result;
}

OPCITEMVQT vqt(const VARIANT& value, bool quality = false, bool timestamp = false)
{
    OPCITEMVQT entry{};
    entry.vDataValue = value;
    entry.bQualitySpecified = quality;
    entry.wQuality = kUncertain;
    entry.bTimeStampSpecified = timestamp;
    entry.ftTimeStamp = fileTime(2020, 1, 2, 3, 4, 6);
    return entry;
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return CompareFileTime(&a, &b) == 0;
}

template <typename T> ComPtr<T> ask(IUnknown* object, const IID& iid)
{
    ComPtr<T> answer;
    EXPECT_EQ(object->QueryInterface(iid, answer.putVoid()), S_OK);
    return answer;
}

// Each test has tags of its own and one active group of a connection.
class Da3Group : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(kServerRate); }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Da3", {TRUE, 0, kGroupClientHandle});
        m_syncIO2 = ask<IOPCSyncIO2>(m_group.unknown(), IID_IOPCSyncIO2);
    }
    void TearDown() override
    {
        for (const DWORD tag : m_tags) RemoveTag(tag);
    }

    // A tag "Da3.<test>.<name>" and an item of the group on it with client handle clientHandle.
    OPCHANDLE addItem(const std::string& name, const VARIANT& value, OPCHANDLE clientHandle,
                      BOOL writable = TRUE, VARTYPE requested = VT_EMPTY)
    {
        const std::string full = std::string("Da3.") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 "." + name;
        m_tags.push_back(CreateTagA(full.c_str(), value, kGood, writable));
        EXPECT_NE(m_tags.back(), 0xFFFFFFFFu) << full;
        return m_group.addItem({full, "", requested, TRUE, clientHandle});
    }

    std::vector<ReadEntry> readMaxAge(std::vector<OPCHANDLE> handles, DWORD maxAge, HRESULT* result)
    {
        std::vector<DWORD> maxAges(handles.size(), maxAge);
        VARIANT* values = nullptr;
        WORD* qualities = nullptr;
        FILETIME* timestamps = nullptr;
        HRESULT* errors = nullptr;
        const auto count = static_cast<DWORD>(handles.size());
        *result = m_syncIO2->ReadMaxAge(count, handles.data(), maxAges.data(), &values, &qualities,
                                        &timestamps, &errors);
        if (FAILED(*result)) return {};
        return takeRead(count, values, qualities, timestamps, errors);
    }

    std::vector<HRESULT> writeVQT(std::vector<OPCHANDLE> handles, std::vector<OPCITEMVQT> items,
                                  HRESULT* result)
    {
        HRESULT* errors = nullptr;
        const auto count = static_cast<DWORD>(handles.size());
        *result = m_syncIO2->WriteVQT(count, handles.data(), items.data(), &errors);
        return FAILED(*result) ? std::vector<HRESULT>{} : takeErrors(count, errors);
    }

    std::vector<DWORD> m_tags;
    ClientConnection m_client;
    ClientGroup m_group;
    ComPtr<IOPCSyncIO2> m_syncIO2;
};

TEST_F(Da3Group, ReadMaxAgeServesTheCurrentValueForEveryAge)
{
    const OPCHANDLE plain = addItem("Plain", r4(1.5f), 11);
    const OPCHANDLE text = addItem("Text", r4(1.5f), 12, TRUE, VT_BSTR);
    const FILETIME updated = fileTime(2024, 5, 6, 7, 8, 10);
    // No scan runs in between: what the tag store pushed is what a device read finds.
    ASSERT_TRUE(UpdateTagWithTimeStamp(m_tags[0], r4(2.5f), kUncertain, updated));
    ASSERT_TRUE(UpdateTagWithTimeStamp(m_tags[1], r4(3.25f), kGood, updated));
    for (const DWORD maxAge : {0u, 1u, 60'000u, 0xFFFFFFFFu}) {
        HRESULT result = E_FAIL;
        const auto entries = readMaxAge({plain, text, text + plain}, maxAge, &result);
        EXPECT_EQ(result, S_FALSE) << maxAge;
        ASSERT_EQ(entries.size(), 3u);
        const ReadEntry expected[] = {
            {S_OK, "2.5", kUncertain, updated},
            {S_OK, "3.25", kGood, updated},
            {OPC_E_INVALIDHANDLE, "", 0, {}},
        };
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(entries[i].error, expected[i].error) << maxAge << " " << i;
            EXPECT_EQ(entries[i].value, expected[i].value) << maxAge << " " << i;
            EXPECT_EQ(entries[i].quality, expected[i].quality) << maxAge << " " << i;
            EXPECT_TRUE(sameTime(entries[i].timestamp, expected[i].timestamp)) << maxAge;
        }
    }
    HRESULT result = E_FAIL;
    EXPECT_EQ(readMaxAge({plain}, 0, &result).size(), 1u);
    EXPECT_EQ(result, S_OK);
}

TEST_F(Da3Group, WriteVQTWritesValuesAndRefusesQualityAndTimestamp)
{
    auto& host = HostRecorder::start();
    const OPCHANDLE writable = addItem("Writable", r4(1.0f), 1);
    const OPCHANDLE readOnly = addItem("ReadOnly", r4(1.0f), 2, FALSE);
    VARIANT notANumber = vetrel::test::bstr("not a number");
    const struct
    {
        OPCHANDLE handle;
        OPCITEMVQT item;
        HRESULT error;
    } rows[] = {
        {writable, vqt(r4(7.0f), true, false), OPC_E_NOTSUPPORTED},
        {writable, vqt(r4(8.0f), false, true), OPC_E_NOTSUPPORTED},
        {writable, vqt(r4(9.0f), true, true), OPC_E_NOTSUPPORTED},
        {readOnly, vqt(r4(5.0f)), OPC_E_BADRIGHTS},
        {writable, vqt(notANumber), OPC_E_BADTYPE},
        {writable, vqt(vetrel::test::r8(1e300)), OPC_E_RANGE},
        {writable + readOnly, vqt(r4(5.0f)), OPC_E_INVALIDHANDLE},
        {writable, vqt(r4(6.0f)), S_OK},
    };
    std::vector<OPCHANDLE> handles;
    std::vector<OPCITEMVQT> items;
    std::vector<HRESULT> expected;
    for (const auto& row : rows) {
        handles.push_back(row.handle);
        items.push_back(row.item);
        expected.push_back(row.error);
    }
    HRESULT result = E_FAIL;
    EXPECT_EQ(writeVQT(handles, items, &result), expected);
    EXPECT_EQ(result, S_FALSE);
    VariantClear(&notANumber);

    // Only the value alone was written, and the host heard of it once.
    EXPECT_EQ(host.writes(), std::vector<DWORD>{m_tags[0]});
    Variant written;
    ASSERT_TRUE(ReadTag(m_tags[0], written.out()));
    EXPECT_EQ(textOf(written.get()), "6");
    const auto entries = readMaxAge({writable}, 0, &result);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].value, "6");
    EXPECT_EQ(entries[0].quality, kGood) << "the tag's quality stays";

    EXPECT_EQ(writeVQT({writable}, {vqt(r4(4.0f))}, &result), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(result, S_OK);
}

TEST_F(Da3Group, ReadMaxAgeAndWriteVQTCheckTheirArguments)
{
    const OPCHANDLE item = addItem("Item", r4(1.0f), 1);
    OPCHANDLE handles[] = {item};
    DWORD maxAges[] = {0};
    OPCITEMVQT items[] = {vqt(r4(2.0f))};
    VARIANT* values = nullptr;
    WORD* qualities = nullptr;
    FILETIME* timestamps = nullptr;
    HRESULT* errors = nullptr;
    IOPCSyncIO2* io = m_syncIO2.get();
    EXPECT_EQ(io->ReadMaxAge(0, handles, maxAges, &values, &qualities, &timestamps, &errors),
              E_INVALIDARG);
    EXPECT_EQ(io->ReadMaxAge(1, nullptr, maxAges, &values, &qualities, &timestamps, &errors),
              E_INVALIDARG);
    EXPECT_EQ(io->ReadMaxAge(1, handles, nullptr, &values, &qualities, &timestamps, &errors),
              E_INVALIDARG);
    EXPECT_EQ(io->ReadMaxAge(1, handles, maxAges, nullptr, &qualities, &timestamps, &errors),
              E_INVALIDARG);
    EXPECT_EQ(io->ReadMaxAge(1, handles, maxAges, &values, &qualities, &timestamps, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(io->WriteVQT(0, handles, items, &errors), E_INVALIDARG);
    EXPECT_EQ(io->WriteVQT(1, nullptr, items, &errors), E_INVALIDARG);
    EXPECT_EQ(io->WriteVQT(1, handles, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(io->WriteVQT(1, handles, items, nullptr), E_INVALIDARG);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(errors, nullptr);
}

TEST_F(Da3Group, AsyncIO3CompletesLikeAsyncIO2)
{
    const OPCHANDLE first = addItem("First", r4(1.5f), 21);
    const OPCHANDLE second = addItem("Second", r4(2.5f), 22);
    auto io = ask<IOPCAsyncIO3>(m_group.unknown(), IID_IOPCAsyncIO3);
    OPCHANDLE both[] = {first, second};
    DWORD maxAges[] = {0, 0xFFFFFFFF};
    DWORD cancelId = 0;
    HRESULT* errors = nullptr;
    EXPECT_EQ(io->ReadMaxAge(2, both, maxAges, 1, &cancelId, &errors), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(io->RefreshMaxAge(0, 1, &cancelId), CONNECT_E_NOCONNECTION);
    auto sink = RecordingDataCallback::create();
    ASSERT_EQ(adviseSink(m_group.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    ASSERT_TRUE(RefreshAllClients()) << "reports the new items";
    const size_t before = sink->calls().size();

    OPCHANDLE unknown[] = {first, first + second};
    EXPECT_EQ(io->ReadMaxAge(2, unknown, maxAges, 1, &cancelId, &errors), OPC_E_INVALIDHANDLE);
    EXPECT_EQ(takeErrors(2, errors), (std::vector<HRESULT>{S_OK, OPC_E_INVALIDHANDLE}));
    EXPECT_EQ(io->ReadMaxAge(2, both, maxAges, 10, &cancelId, &errors), S_OK);
    EXPECT_EQ(takeErrors(2, errors), std::vector<HRESULT>(2, S_OK));
    OPCITEMVQT items[] = {vqt(r4(6.0f)), vqt(r4(7.0f), true)};
    EXPECT_EQ(io->WriteVQT(2, both, items, 11, &cancelId, &errors), S_OK);
    EXPECT_EQ(takeErrors(2, errors), std::vector<HRESULT>(2, S_OK));
    EXPECT_EQ(io->RefreshMaxAge(0xFFFFFFFF, 12, &cancelId), S_OK);
    EXPECT_EQ(io->ReadMaxAge(1, both, maxAges, 13, &cancelId, &errors), S_OK);
    CoTaskMemFree(errors);
    EXPECT_EQ(io->Cancel2(cancelId), S_OK) << "through the inherited method";
    ASSERT_TRUE(RefreshAllClients());

    const auto calls = sink->calls();
    ASSERT_GE(calls.size(), before + 4);
    const struct
    {
        Kind kind;
        DWORD transactionID;
        std::vector<OPCHANDLE> clientHandles;
        std::vector<std::string> values;
        std::vector<HRESULT> errors;
    } expected[] = {
        // Read at completion, after the write.
        {Kind::ReadComplete, 10, {21, 22}, {"6", "2.5"}, {S_OK, S_OK}},
        {Kind::WriteComplete, 11, {21, 22}, {"", ""}, {S_OK, OPC_E_NOTSUPPORTED}},
        {Kind::DataChange, 12, {21, 22}, {"6", "2.5"}, {S_OK, S_OK}},
        {Kind::CancelComplete, 13, {}, {}, {}},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        const auto& call = calls[before + i];
        const auto& row = expected[i];
        EXPECT_EQ(call.kind, row.kind) << i;
        EXPECT_EQ(call.transactionID, row.transactionID) << i;
        EXPECT_EQ(call.groupHandle, kGroupClientHandle) << i;
        std::vector<OPCHANDLE> clientHandles;
        std::vector<std::string> values;
        std::vector<HRESULT> errors;
        for (const auto& entry : call.entries) {
            clientHandles.push_back(entry.clientHandle);
            values.push_back(textOf(entry.value.get()));
            errors.push_back(entry.error);
        }
        EXPECT_EQ(clientHandles, row.clientHandles) << i;
        EXPECT_EQ(values, row.values) << i;
        EXPECT_EQ(errors, row.errors) << i;
    }
    EXPECT_EQ(calls[before + 1].masterError, S_FALSE);
    EXPECT_EQ(io->WriteVQT(1, both, nullptr, 1, &cancelId, &errors), E_INVALIDARG);
    EXPECT_EQ(io->ReadMaxAge(1, both, nullptr, 1, &cancelId, &errors), E_INVALIDARG);
    EXPECT_EQ(io->RefreshMaxAge(0, 1, nullptr), E_INVALIDARG);
}

TEST_F(Da3Group, KeepAliveIsRevisedToTheServerRate)
{
    auto state = ask<IOPCGroupStateMgt2>(m_group.unknown(), IID_IOPCGroupStateMgt2);
    const struct
    {
        DWORD requested;
        DWORD revised;
        HRESULT result;
    } rows[] = {
        {2 * kServerRate, 2 * kServerRate, S_OK},
        {1, kServerRate, OPC_S_UNSUPPORTEDRATE},
        {2 * kServerRate + kServerRate / 2, 3 * kServerRate, OPC_S_UNSUPPORTEDRATE},
        {0, 0, S_OK},
    };
    for (const auto& row : rows) {
        DWORD revised = 1;
        EXPECT_EQ(state->SetKeepAlive(row.requested, &revised), row.result) << row.requested;
        EXPECT_EQ(revised, row.revised) << row.requested;
        DWORD current = 1;
        EXPECT_EQ(state->GetKeepAlive(&current), S_OK);
        EXPECT_EQ(current, row.revised) << row.requested;
    }
    EXPECT_EQ(state->SetKeepAlive(kServerRate, nullptr), E_INVALIDARG);
    EXPECT_EQ(state->GetKeepAlive(nullptr), E_INVALIDARG);
}

TEST_F(Da3Group, IdleGroupSendsAnEmptyDataChangeEveryKeepAliveTime)
{
    auto state = ask<IOPCGroupStateMgt2>(m_group.unknown(), IID_IOPCGroupStateMgt2);
    auto sink = RecordingDataCallback::create();
    ASSERT_EQ(adviseSink(m_group.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    DWORD revised = 0;
    ASSERT_EQ(state->SetKeepAlive(2 * kServerRate, &revised), S_OK);
    OPCHANDLE item = 0;
    BOOL inactive = FALSE;
    // Each step is one forced scan after its action; the calls it brings, by item count.
    const struct
    {
        const char* action;
        std::vector<size_t> reports;
    } steps[] = {
        {"", {}},           {"", {0}}, {"", {}}, {"add", {1}}, {"", {}}, {"", {0}}, {"update", {1}},
        {"deactivate", {}}, {"", {0}}, {"", {}}, {"off", {}},  {"", {}}, {"", {}},
    };
    size_t seen = 0;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const std::string action = steps[i].action;
        if (action == "add") item = addItem("Item", r4(1.0f), 5);
        const HRESULT acted =
            action == "update" ? (UpdateTag(m_tags[0], r4(2.0f), kGood) ? S_OK : E_FAIL)
            : action == "deactivate"
                ? state->SetState(nullptr, nullptr, &inactive, nullptr, nullptr, nullptr, nullptr)
            : action == "off" ? state->SetKeepAlive(0, &revised)
                              : S_OK;
        ASSERT_EQ(acted, S_OK) << action;
        ASSERT_TRUE(RefreshAllClients());
        const auto calls = sink->calls();
        std::vector<size_t> reports;
        for (; seen < calls.size(); ++seen) {
            EXPECT_EQ(calls[seen].kind, Kind::DataChange);
            EXPECT_EQ(calls[seen].transactionID, 0u);
            EXPECT_EQ(calls[seen].groupHandle, kGroupClientHandle);
            reports.push_back(calls[seen].entries.size());
        }
        EXPECT_EQ(reports, steps[i].reports) << "step " << i << " " << action;
    }
    EXPECT_NE(item, 0u);
}

TEST_F(Da3Group, ItemDeadbandsOverrideTheGroupsForNumbersOnly)
{
    const OPCHANDLE real = addItem("Real", r4(100.0f), 1);
    const OPCHANDLE whole = addItem("Whole", vetrel::test::i4(100), 2);
    const OPCHANDLE other = addItem("Other", vetrel::test::r8(100.0), 3);
    VARIANT text = vetrel::test::bstr("text");
    const OPCHANDLE words = addItem("Text", text, 4);
    VariantClear(&text);
    const OPCHANDLE unknown = real + whole + other + words;
    auto io = ask<IOPCItemDeadbandMgt>(m_group.unknown(), IID_IOPCItemDeadbandMgt);
    const auto set = [&](std::vector<OPCHANDLE> handles, std::vector<FLOAT> deadbands,
                         HRESULT expected) {
        HRESULT* errors = nullptr;
        const auto count = static_cast<DWORD>(handles.size());
        EXPECT_EQ(io->SetItemDeadband(count, handles.data(), deadbands.data(), &errors), expected);
        return takeErrors(count, errors);
    };
    EXPECT_EQ(set({real, whole, words, real, real, other, unknown},
                  {10.0f, 50.0f, 5.0f, 101.0f, -1.0f, 1.0f, 5.0f}, S_FALSE),
              (std::vector<HRESULT>{S_OK, S_OK, OPC_E_DEADBANDNOTSUPPORTED, E_INVALIDARG,
                                    E_INVALIDARG, S_OK, OPC_E_INVALIDHANDLE}));
    HRESULT* errors = nullptr;
    OPCHANDLE cleared[] = {whole, whole, words, unknown};
    EXPECT_EQ(io->ClearItemDeadband(4, cleared, &errors), S_FALSE);
    EXPECT_EQ(takeErrors(4, errors),
              (std::vector<HRESULT>{S_OK, OPC_E_DEADBANDNOTSET, OPC_E_DEADBANDNOTSUPPORTED,
                                    OPC_E_INVALIDHANDLE}));
    OPCHANDLE asked[] = {real, whole, other, words, unknown};
    FLOAT* deadbands = nullptr;
    EXPECT_EQ(io->GetItemDeadband(5, asked, &deadbands, &errors), S_FALSE);
    EXPECT_EQ(std::vector<FLOAT>(deadbands, deadbands + 5),
              (std::vector<FLOAT>{10.0f, 0.0f, 1.0f, 0.0f, 0.0f}));
    CoTaskMemFree(deadbands);
    EXPECT_EQ(takeErrors(5, errors),
              (std::vector<HRESULT>{S_OK, OPC_E_DEADBANDNOTSET, S_OK, OPC_E_DEADBANDNOTSUPPORTED,
                                    OPC_E_INVALIDHANDLE}));
    EXPECT_EQ(io->SetItemDeadband(1, asked, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(io->GetItemDeadband(0, asked, &deadbands, &errors), E_INVALIDARG);
    EXPECT_EQ(io->ClearItemDeadband(1, nullptr, &errors), E_INVALIDARG);

    // Reported changes against a group deadband of 50, the real item at 10 and the other at 1,
    // after a first update that every item reports.
    auto sink = RecordingDataCallback::create();
    ASSERT_EQ(adviseSink(m_group.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    FLOAT groupDeadband = 50.0f;
    ASSERT_EQ(m_group.state()->SetState(nullptr, nullptr, nullptr, nullptr, &groupDeadband, nullptr,
                                        nullptr),
              S_OK);
    ASSERT_TRUE(RefreshAllClients()) << "reports the new items";
    const struct
    {
        const char* action;
        std::vector<float> values; // real, whole, other
        std::vector<OPCHANDLE> reported;
    } steps[] = {
        {"", {100.0f, 100.0f, 100.0f}, {1, 2, 3}}, {"", {105.0f, 140.0f, 101.0f}, {3}},
        {"", {111.0f, 151.0f, 101.5f}, {1, 2}},    {"clear", {112.0f, 151.0f, 101.5f}, {}},
        {"", {170.0f, 151.0f, 101.5f}, {1}},
    };
    size_t seen = sink->calls().size();
    for (size_t step = 0; step < std::size(steps); ++step) {
        if (std::string(steps[step].action) == "clear") {
            EXPECT_EQ(io->ClearItemDeadband(1, asked, &errors), S_OK);
            CoTaskMemFree(errors);
        }
        for (size_t i = 0; i < 3; ++i)
            ASSERT_TRUE(UpdateTag(m_tags[i], vetrel::test::r8(steps[step].values[i]), kGood));
        ASSERT_TRUE(RefreshAllClients());
        const auto calls = sink->calls();
        std::vector<OPCHANDLE> reported;
        for (; seen < calls.size(); ++seen)
            for (const auto& entry : calls[seen].entries) reported.push_back(entry.clientHandle);
        EXPECT_EQ(reported, steps[step].reported) << "step " << step;
    }
}

TEST_F(Da3Group, NewInterfacesForwardToTheGroupBesideThe20Ones)
{
    auto& trace = TraceRecorder::start();
    const struct
    {
        const IID& iid;
        const char* name;
    } rows[] = {
        {IID_IOPCSyncIO2, "IOPCSyncIO2"},
        {IID_IOPCAsyncIO3, "IOPCAsyncIO3"},
        {IID_IOPCGroupStateMgt2, "IOPCGroupStateMgt2"},
        {IID_IOPCItemDeadbandMgt, "IOPCItemDeadbandMgt"},
    };
    for (const auto& row : rows) {
        const std::string name = row.name;
        trace.clear();
        ComPtr<IUnknown> object;
        ASSERT_EQ(m_group.unknown()->QueryInterface(row.iid, object.putVoid()), S_OK);
        object->AddRef();
        object->Release();
        ComPtr<IUnknown> identity;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
        EXPECT_EQ(identity.get(), m_group.unknown());
        const auto lines = trace.lines();
        ASSERT_GE(lines.size(), 6u);
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6),
                  (std::vector<std::string>{"OPCGroup::QueryInterface IID_" + name, lines[1],
                                            name + "::AddRef() [defered to OPCGroup]", lines[3],
                                            name + "::Release() [defered to OPCGroup]", lines[5]}));
        EXPECT_TRUE(trace.contains(name + "::QueryInterface() [defered to OPCGroup]")) << name;
    }
    // The 2.0 interfaces keep their own objects.
    ComPtr<IUnknown> syncIO;
    ASSERT_EQ(m_group.unknown()->QueryInterface(IID_IOPCSyncIO, syncIO.putVoid()), S_OK);
    EXPECT_NE(syncIO.get(), static_cast<IUnknown*>(m_syncIO2.get()));
    EXPECT_EQ(syncIO.get(), static_cast<IUnknown*>(m_group.syncIO()));
}

TEST_F(Da3Group, ServerItemIOReadsAndWritesTagsByItemID)
{
    auto& host = HostRecorder::start();
    const OPCHANDLE item = addItem("Real", r4(1.5f), 1);
    addItem("ReadOnly", r4(2.5f), 2, FALSE);
    const std::string prefix =
        std::string("Da3.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const auto real = vetrel::test::wide(prefix + ".Real");
    const auto readOnly = vetrel::test::wide(prefix + ".ReadOnly");
    const auto missing = vetrel::test::wide(prefix + ".Missing");
    LPCWSTR ids[] = {real.c_str(), readOnly.c_str(), missing.c_str(), nullptr};
    const FILETIME updated = fileTime(2024, 5, 6, 7, 8, 10);
    ASSERT_TRUE(UpdateTagWithTimeStamp(m_tags[1], r4(3.5f), kUncertain, updated));
    auto& trace = TraceRecorder::start();
    auto io = ask<IOPCItemIO>(m_client.server(), IID_IOPCItemIO);
    EXPECT_TRUE(trace.contains("OPCServer::QueryInterface IID_IOPCItemIO"));

    DWORD maxAges[] = {0, 0xFFFFFFFF, 0, 0};
    VARIANT* values = nullptr;
    WORD* qualities = nullptr;
    FILETIME* timestamps = nullptr;
    HRESULT* errors = nullptr;
    ASSERT_EQ(io->Read(4, ids, maxAges, &values, &qualities, &timestamps, &errors), S_FALSE);
    const auto entries = takeRead(4, values, qualities, timestamps, errors);
    const HRESULT readErrors[] = {S_OK, S_OK, OPC_E_UNKNOWNITEMID, OPC_E_UNKNOWNITEMID};
    const char* readValues[] = {"1.5", "3.5", "", ""};
    const WORD readQualities[] = {kGood, kUncertain, 0, 0};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i].error, readErrors[i]) << i;
        EXPECT_EQ(entries[i].value, readValues[i]) << i;
        EXPECT_EQ(entries[i].quality, readQualities[i]) << i;
    }
    EXPECT_TRUE(sameTime(entries[1].timestamp, updated));
    EXPECT_TRUE(trace.contains("IOPCItemIO::Read"));

    OPCITEMVQT items[] = {vqt(r4(6.0f)), vqt(r4(7.0f)), vqt(r4(8.0f)), vqt(r4(9.0f), false, true)};
    ASSERT_EQ(io->WriteVQT(4, ids, items, &errors), S_FALSE);
    EXPECT_EQ(
        takeErrors(4, errors),
        (std::vector<HRESULT>{S_OK, OPC_E_BADRIGHTS, OPC_E_UNKNOWNITEMID, OPC_E_UNKNOWNITEMID}));
    LPCWSTR realOnly[] = {real.c_str(), real.c_str()};
    OPCITEMVQT stamped[] = {vqt(r4(8.0f), false, true), vqt(r4(9.0f), true)};
    ASSERT_EQ(io->WriteVQT(2, realOnly, stamped, &errors), S_FALSE);
    EXPECT_EQ(takeErrors(2, errors), std::vector<HRESULT>(2, OPC_E_NOTSUPPORTED));
    EXPECT_EQ(host.writes(), std::vector<DWORD>{m_tags[0]});
    Variant written;
    ASSERT_TRUE(ReadTag(m_tags[0], written.out()));
    EXPECT_EQ(textOf(written.get()), "6");
    // The group's item follows when the host publishes, as after any client write.
    HRESULT result = E_FAIL;
    EXPECT_EQ(readMaxAge({item}, 0, &result)[0].value, "1.5");

    EXPECT_EQ(io->Read(0, ids, maxAges, &values, &qualities, &timestamps, &errors), E_INVALIDARG);
    EXPECT_EQ(io->Read(1, ids, nullptr, &values, &qualities, &timestamps, &errors), E_INVALIDARG);
    EXPECT_EQ(io->WriteVQT(1, nullptr, items, &errors), E_INVALIDARG);
    EXPECT_EQ(io->WriteVQT(1, ids, nullptr, &errors), E_INVALIDARG);
}

} // namespace
