// Asynchronous reads, writes and refreshes of a group: accepted by the call, completed on the
// next tick through the group's IOPCDataCallback.
#include "fixtures/host_recorder.h"
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "group/request_queue.h"
#include "platform/alloc_fault.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using vetrel::Variant;
using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::HostRecorder;
using vetrel::test::RecordingDataCallback;
using vetrel::test::TraceRecorder;
using Kind = RecordingDataCallback::Kind;
using Call = RecordingDataCallback::Call;

constexpr WORD kGood = 0xC0;
constexpr WORD kUncertain = 0x40;
constexpr OPCHANDLE kGroupHandle = 7;
// So long that the timer never ticks during a test: requests complete when a test runs a tick
// with RefreshAllClients.
constexpr DWORD kServerRate = 3'600'000;

Variant owned(VARIANT value)
{
    return Variant::attach(value);
}

// What a call that queues a request hands back.
struct Accepted
{
    HRESULT result = E_FAIL;
    DWORD cancelId = 0;
    std::vector<HRESULT> errors;
};

std::vector<HRESULT> takeErrors(HRESULT* errors, size_t count)
{
    std::vector<HRESULT> taken;
    if (errors) taken.assign(errors, errors + count);
    CoTaskMemFree(errors);
    return taken;
}

std::vector<OPCHANDLE> clientHandles(const Call& call)
{
    std::vector<OPCHANDLE> handles;
    for (const auto& entry : call.entries) handles.push_back(entry.clientHandle);
    return handles;
}

std::vector<HRESULT> entryErrors(const Call& call)
{
    std::vector<HRESULT> errors;
    for (const auto& entry : call.entries) errors.push_back(entry.error);
    return errors;
}

// Each test has a tag named after it and one inactive group, so that only completions reach
// the callback unless a test activates the group.
class AsyncIO2 : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(kServerRate); }
    void SetUp() override
    {
        m_tagName =
            std::string("Async.") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_tag = CreateTagA(m_tagName.c_str(), vetrel::test::r4(1.5f), kGood, TRUE);
        ASSERT_NE(m_tag, 0xFFFFFFFFu);
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Async", {FALSE, 0, kGroupHandle});
        m_io = ioOf(m_group);
        ASSERT_TRUE(m_io);
        m_sink = RecordingDataCallback::create();
    }
    void TearDown() override { RemoveTag(m_tag); }

    static ComPtr<IOPCAsyncIO2> ioOf(const ClientGroup& group)
    {
        return ComPtr<IUnknown>(group.unknown()).as<IOPCAsyncIO2>(IID_IOPCAsyncIO2);
    }
    void advise() const
    {
        ASSERT_EQ(vetrel::test::adviseSink(m_group.unknown(), IID_IOPCDataCallback, m_sink.get()),
                  S_OK);
    }
    OPCHANDLE addItem(OPCHANDLE clientHandle, BOOL active = TRUE) const
    {
        return m_group.addItem({m_tagName, "", VT_EMPTY, active, clientHandle});
    }
    void activateGroup(BOOL active = TRUE) const
    {
        ASSERT_EQ(m_group.state()->SetState(nullptr, nullptr, &active, nullptr, nullptr, nullptr,
                                            nullptr),
                  S_OK);
    }

    Accepted read(std::vector<OPCHANDLE> handles, DWORD transaction) const
    {
        Accepted accepted;
        HRESULT* errors = nullptr;
        accepted.result = m_io->Read(static_cast<DWORD>(handles.size()), handles.data(),
                                     transaction, &accepted.cancelId, &errors);
        accepted.errors = takeErrors(errors, handles.size());
        return accepted;
    }
    Accepted write(std::vector<OPCHANDLE> handles, const std::vector<Variant>& values,
                   DWORD transaction) const
    {
        std::vector<VARIANT> items;
        for (const Variant& value : values) items.push_back(value.get());
        Accepted accepted;
        HRESULT* errors = nullptr;
        accepted.result = m_io->Write(static_cast<DWORD>(handles.size()), handles.data(),
                                      items.data(), transaction, &accepted.cancelId, &errors);
        accepted.errors = takeErrors(errors, handles.size());
        return accepted;
    }
    Accepted refresh(DWORD transaction) const
    {
        Accepted accepted;
        accepted.result = m_io->Refresh2(OPC_DS_CACHE, transaction, &accepted.cancelId);
        return accepted;
    }
    // One tick, now, on this thread: the calls into the client are made before it returns.
    static void tick() { ASSERT_TRUE(RefreshAllClients()); }

    std::string m_tagName;
    DWORD m_tag = 0;
    ClientConnection m_client;
    ClientGroup m_group;
    ComPtr<IOPCAsyncIO2> m_io;
    ComPtr<RecordingDataCallback> m_sink;
};

TEST_F(AsyncIO2, ReadCompletesOnTheNextTickWithTheValuesOfThatTime)
{
    advise();
    const OPCHANDLE first = addItem(11);
    const OPCHANDLE second = addItem(12);
    const Accepted accepted = read({second, first}, 55);
    EXPECT_EQ(accepted.result, S_OK);
    EXPECT_EQ(accepted.errors, (std::vector<HRESULT>{S_OK, S_OK}));
    EXPECT_EQ(accepted.cancelId, 1u) << "a group's first cancel id";
    EXPECT_TRUE(m_sink->calls().empty()) << "nothing before the tick";

    ASSERT_TRUE(UpdateTag(m_tag, vetrel::test::r4(2.5f), kUncertain));
    tick();
    const auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, Kind::ReadComplete);
    EXPECT_EQ(calls[0].transactionID, 55u);
    EXPECT_EQ(calls[0].groupHandle, kGroupHandle);
    EXPECT_EQ(calls[0].masterQuality, S_FALSE);
    EXPECT_EQ(calls[0].masterError, S_OK);
    EXPECT_EQ(clientHandles(calls[0]), (std::vector<OPCHANDLE>{12, 11})) << "in request order";
    for (const auto& entry : calls[0].entries) {
        ASSERT_EQ(entry.value.type(), VT_R4);
        EXPECT_EQ(entry.value.get().fltVal, 2.5f);
        EXPECT_EQ(entry.quality, kUncertain);
        EXPECT_EQ(entry.error, S_OK);
    }

    EXPECT_EQ(read({first}, 56).cancelId, 2u);
    tick();
    EXPECT_EQ(m_sink->calls().size(), 2u) << "each request is completed once";
    tick();
    EXPECT_EQ(m_sink->calls().size(), 2u);
}

TEST_F(AsyncIO2, CancelIdsStartAtOnePerGroupAndNeverAreZero)
{
    EXPECT_EQ(vetrel::followingCancelId(0), 1u);
    EXPECT_EQ(vetrel::followingCancelId(1), 2u);
    EXPECT_EQ(vetrel::followingCancelId(0xFFFFFFFE), 0xFFFFFFFFu);
    EXPECT_EQ(vetrel::followingCancelId(0xFFFFFFFF), 1u) << "0 is skipped when the count wraps";

    advise();
    EXPECT_EQ(refresh(1).cancelId, 1u);
    EXPECT_EQ(refresh(2).cancelId, 2u);
    ClientGroup other = m_client.addGroup("Other");
    ComPtr<IOPCAsyncIO2> otherIO = ioOf(other);
    ASSERT_EQ(vetrel::test::adviseSink(other.unknown(), IID_IOPCDataCallback, m_sink.get()), S_OK);
    DWORD cancelId = 0;
    EXPECT_EQ(otherIO->Refresh2(OPC_DS_DEVICE, 3, &cancelId), S_OK);
    EXPECT_EQ(cancelId, 1u) << "every group counts its own";
}

TEST_F(AsyncIO2, OneUnknownHandleDropsTheWholeRequest)
{
    auto& host = HostRecorder::start();
    advise();
    const OPCHANDLE item = addItem(11);
    const Accepted readRequest = read({item, item + 1}, 1);
    EXPECT_EQ(readRequest.result, OPC_E_INVALIDHANDLE);
    EXPECT_EQ(readRequest.errors, (std::vector<HRESULT>{S_OK, OPC_E_INVALIDHANDLE}));

    const Accepted writeRequest =
        write({0, item}, {owned(vetrel::test::r4(8.0f)), owned(vetrel::test::r4(9.0f))}, 2);
    EXPECT_EQ(writeRequest.result, OPC_E_INVALIDHANDLE);
    EXPECT_EQ(writeRequest.errors, (std::vector<HRESULT>{OPC_E_INVALIDHANDLE, S_OK}));
    EXPECT_TRUE(host.writes().empty()) << "nothing is written";
    EXPECT_EQ(m_group.read({item})[0].value.get().fltVal, 1.5f);
    // A dropped request used up its cancel id, which names nothing.
    EXPECT_EQ(readRequest.cancelId, 1u);
    EXPECT_EQ(writeRequest.cancelId, 2u);
    EXPECT_EQ(m_io->Cancel2(readRequest.cancelId), E_FAIL);
    EXPECT_EQ(refresh(3).cancelId, 3u);

    tick();
    const auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 1u) << "no completion follows a dropped request";
    EXPECT_EQ(calls[0].transactionID, 3u);
}

TEST_F(AsyncIO2, WriteHappensDuringTheCallAndItsOutcomeArrivesOnTheTick)
{
    auto& host = HostRecorder::start();
    advise();
    const std::string lockedName = m_tagName + "ReadOnly";
    const DWORD lockedTag = CreateTagA(lockedName.c_str(), vetrel::test::r4(1.0f), kGood, FALSE);
    const OPCHANDLE item = addItem(11);
    const OPCHANDLE locked = m_group.addItem({lockedName, "", VT_EMPTY, TRUE, 12});

    const Accepted accepted = write({item, locked, item},
                                    {owned(vetrel::test::r4(4.0f)), owned(vetrel::test::r4(5.0f)),
                                     owned(vetrel::test::bstr("not a number"))},
                                    31);
    EXPECT_EQ(accepted.result, S_OK);
    EXPECT_EQ(accepted.errors, (std::vector<HRESULT>{S_OK, S_OK, S_OK}))
        << "the outcome of each write comes with the completion";
    EXPECT_EQ(host.writes(), std::vector<DWORD>{m_tag}) << "written before the call returns";
    EXPECT_EQ(m_group.read({item})[0].value.get().fltVal, 4.0f);
    EXPECT_TRUE(m_sink->calls().empty());

    tick();
    auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, Kind::WriteComplete);
    EXPECT_EQ(calls[0].transactionID, 31u);
    EXPECT_EQ(calls[0].groupHandle, kGroupHandle);
    EXPECT_EQ(calls[0].masterError, S_FALSE);
    EXPECT_EQ(clientHandles(calls[0]), (std::vector<OPCHANDLE>{11, 12, 11}));
    EXPECT_EQ(entryErrors(calls[0]),
              (std::vector<HRESULT>{S_OK, OPC_E_BADRIGHTS, DISP_E_TYPEMISMATCH}));

    EXPECT_EQ(write({item}, {owned(vetrel::test::i4(6))}, 32).result, S_OK);
    tick();
    calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].masterError, S_OK) << "every write succeeded";
    RemoveTag(lockedTag);
}

TEST_F(AsyncIO2, ItemsRemovedBeforeTheTick)
{
    advise();
    const OPCHANDLE kept = addItem(11);
    const OPCHANDLE removed = addItem(12);
    EXPECT_EQ(read({removed}, 1).result, S_OK);
    EXPECT_EQ(read({removed, kept}, 2).result, S_OK);
    EXPECT_EQ(
        write({removed, kept}, {owned(vetrel::test::r4(2.0f)), owned(vetrel::test::r4(3.0f))}, 3)
            .result,
        S_OK);
    ASSERT_EQ(m_group.removeItems({removed}), std::vector<HRESULT>{S_OK});

    tick();
    const auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 2u) << "a read of removed items only completes silently";
    EXPECT_EQ(calls[0].kind, Kind::ReadComplete);
    EXPECT_EQ(calls[0].transactionID, 2u);
    EXPECT_EQ(clientHandles(calls[0]), std::vector<OPCHANDLE>{11});
    EXPECT_EQ(calls[1].kind, Kind::WriteComplete);
    EXPECT_EQ(clientHandles(calls[1]), (std::vector<OPCHANDLE>{removed, 11}))
        << "a removed item is named by its server handle";
    EXPECT_EQ(entryErrors(calls[1]), (std::vector<HRESULT>{S_OK, S_OK}));
}

TEST_F(AsyncIO2, QueueHoldsTenRequestsUntilTheTick)
{
    advise();
    const OPCHANDLE item = addItem(11);
    for (DWORD transaction = 1; transaction <= 10; ++transaction) {
        const Accepted accepted = transaction % 3 == 0 ? refresh(transaction)
                                  : transaction % 3 == 1
                                      ? read({item}, transaction)
                                      : write({item}, {owned(vetrel::test::r4(1.0f))}, transaction);
        ASSERT_EQ(accepted.result, S_OK) << transaction;
    }
    const Accepted readRequest = read({item}, 11);
    EXPECT_EQ(readRequest.result, CONNECT_E_ADVISELIMIT);
    EXPECT_TRUE(readRequest.errors.empty());
    EXPECT_EQ(write({item}, {owned(vetrel::test::r4(1.0f))}, 11).result, CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(refresh(11).result, CONNECT_E_ADVISELIMIT);

    tick();
    const auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 10u);
    for (DWORD i = 0; i < 10; ++i)
        EXPECT_EQ(calls[i].transactionID, i + 1) << "first in, first out";
    EXPECT_EQ(calls[2].kind, Kind::DataChange);
    EXPECT_EQ(read({item}, 12).result, S_OK) << "the tick emptied the queue";
}

TEST_F(AsyncIO2, ChecksComeInTheirOrder)
{
    const OPCHANDLE item = addItem(11);
    EXPECT_EQ(read({item}, 1).result, CONNECT_E_NOCONNECTION) << "no container yet";
    EXPECT_EQ(write({item}, {owned(vetrel::test::r4(1.0f))}, 1).result, CONNECT_E_NOCONNECTION);
    EXPECT_EQ(refresh(1).result, CONNECT_E_NOCONNECTION);

    advise();
    for (DWORD transaction = 1; transaction <= 10; ++transaction)
        ASSERT_EQ(refresh(transaction).result, S_OK);
    ASSERT_EQ(vetrel::test::unadviseSink(m_group.unknown(), IID_IOPCDataCallback), S_OK);
    // Full and not connected: reads ask for the connection first, the others for room.
    EXPECT_EQ(read({item}, 11).result, CONNECT_E_NOCONNECTION);
    EXPECT_EQ(write({item}, {owned(vetrel::test::r4(1.0f))}, 11).result, CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(refresh(11).result, CONNECT_E_ADVISELIMIT);

    // Without a callback the tick drops the requests unanswered.
    tick();
    advise();
    tick();
    EXPECT_TRUE(m_sink->calls().empty());
    EXPECT_EQ(read({item}, 12).result, S_OK);
}

TEST_F(AsyncIO2, CancelledRequestReportsItsCancellationInstead)
{
    auto& host = HostRecorder::start();
    advise();
    const OPCHANDLE item = addItem(11);
    const Accepted readRequest = read({item}, 41);
    const Accepted writeRequest = write({item}, {owned(vetrel::test::r4(3.0f))}, 42);
    const Accepted refreshRequest = refresh(43);
    EXPECT_EQ(m_io->Cancel2(readRequest.cancelId), S_OK);
    EXPECT_EQ(m_io->Cancel2(writeRequest.cancelId), S_OK);
    EXPECT_EQ(m_io->Cancel2(0), E_FAIL);
    EXPECT_EQ(m_io->Cancel2(refreshRequest.cancelId + 1), E_FAIL) << "never issued";

    tick();
    const auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 3u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(calls[i].kind, Kind::CancelComplete);
        EXPECT_EQ(calls[i].transactionID, 41u + i);
        EXPECT_EQ(calls[i].groupHandle, kGroupHandle);
    }
    EXPECT_EQ(calls[2].kind, Kind::DataChange);
    EXPECT_EQ(calls[2].transactionID, 43u);
    EXPECT_EQ(host.writes(), std::vector<DWORD>{m_tag}) << "a cancelled write was carried out";
    EXPECT_EQ(m_io->Cancel2(refreshRequest.cancelId), E_FAIL) << "too late after the tick";
}

TEST_F(AsyncIO2, RefreshSendsEveryActiveItemAndLeavesTheReportsAsTheyWere)
{
    advise();
    const OPCHANDLE idle = addItem(12, FALSE);
    EXPECT_EQ(refresh(61).result, S_OK);
    tick();
    EXPECT_TRUE(m_sink->calls().empty()) << "no active item, nothing sent";

    // The group's own active flag does not matter.
    addItem(11);
    EXPECT_EQ(refresh(62).result, S_OK);
    tick();
    auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, Kind::DataChange);
    EXPECT_EQ(calls[0].transactionID, 62u);
    EXPECT_EQ(calls[0].groupHandle, kGroupHandle);
    EXPECT_EQ(clientHandles(calls[0]), std::vector<OPCHANDLE>{11});

    // Every active item whether changed or not; the changed ones still go in the report.
    activateGroup();
    tick();
    ASSERT_TRUE(UpdateTag(m_tag, vetrel::test::r4(7.0f), kGood));
    OPCHANDLE handles[] = {idle};
    HRESULT* errors = nullptr;
    ASSERT_EQ(m_group.items()->SetActiveState(1, handles, TRUE, &errors), S_OK);
    CoTaskMemFree(errors);
    EXPECT_EQ(refresh(63).result, S_OK);
    tick();
    calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[1].transactionID, 0u) << "the report of the group's activation";
    EXPECT_EQ(calls[2].kind, Kind::DataChange);
    EXPECT_EQ(calls[2].transactionID, 63u);
    ASSERT_EQ(clientHandles(calls[2]), (std::vector<OPCHANDLE>{12, 11}));
    EXPECT_EQ(calls[2].entries[1].value.get().fltVal, 7.0f);
    EXPECT_EQ(calls[3].kind, Kind::DataChange);
    EXPECT_EQ(calls[3].transactionID, 0u);
    EXPECT_EQ(clientHandles(calls[3]), (std::vector<OPCHANDLE>{12, 11}));
}

TEST_F(AsyncIO2, EnableGatesOnlyTheDataChangeReports)
{
    BOOL enabled = TRUE;
    EXPECT_EQ(m_io->GetEnable(nullptr), E_INVALIDARG);
    EXPECT_EQ(m_io->SetEnable(FALSE), S_OK);
    EXPECT_EQ(m_io->GetEnable(&enabled), S_OK);
    EXPECT_EQ(enabled, FALSE) << "no container yet";

    advise();
    EXPECT_EQ(m_io->GetEnable(&enabled), S_OK);
    EXPECT_EQ(enabled, TRUE) << "a new point starts enabled";
    const OPCHANDLE item = addItem(11);
    activateGroup();
    EXPECT_EQ(m_io->SetEnable(FALSE), S_OK);
    EXPECT_EQ(m_io->GetEnable(&enabled), S_OK);
    EXPECT_EQ(enabled, FALSE);
    read({item}, 71);
    refresh(72);
    tick();
    auto calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 2u) << "completions only";
    EXPECT_EQ(calls[0].kind, Kind::ReadComplete);
    EXPECT_EQ(calls[1].transactionID, 72u);

    // Any non-zero BOOL enables, and reads back as given.
    EXPECT_EQ(m_io->SetEnable(5), S_OK);
    EXPECT_EQ(m_io->GetEnable(&enabled), S_OK);
    EXPECT_EQ(enabled, 5);
    tick();
    calls = m_sink->calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].kind, Kind::DataChange);
    EXPECT_EQ(calls[2].transactionID, 0u) << "the held back report";
}

TEST_F(AsyncIO2, BadArgumentsAndNoMemoryQueueNothing)
{
    auto& host = HostRecorder::start();
    const OPCHANDLE item = addItem(11);
    OPCHANDLE handles[] = {item};
    VARIANT value = vetrel::test::r4(2.0f);
    DWORD cancelId = 0;
    HRESULT* errors = reinterpret_cast<HRESULT*>(handles);
    // Argument checks come before the connection's.
    EXPECT_EQ(m_io->Refresh2(OPC_DS_CACHE, 1, nullptr), E_INVALIDARG);
    advise();
    EXPECT_EQ(m_io->Read(0, handles, 1, &cancelId, &errors), E_INVALIDARG);
    EXPECT_EQ(errors, nullptr);
    EXPECT_EQ(m_io->Read(1, nullptr, 1, &cancelId, &errors), E_INVALIDARG);
    EXPECT_EQ(m_io->Read(1, handles, 1, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(m_io->Read(1, handles, 1, &cancelId, nullptr), E_INVALIDARG);
    EXPECT_EQ(m_io->Write(0, handles, &value, 1, &cancelId, &errors), E_INVALIDARG);
    EXPECT_EQ(m_io->Write(1, nullptr, &value, 1, &cancelId, &errors), E_INVALIDARG);
    EXPECT_EQ(m_io->Write(1, handles, nullptr, 1, &cancelId, &errors), E_INVALIDARG);
    EXPECT_EQ(m_io->Write(1, handles, &value, 1, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(m_io->Write(1, handles, &value, 1, &cancelId, nullptr), E_INVALIDARG);
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(m_io->Read(1, handles, 1, &cancelId, &errors), E_OUTOFMEMORY);
    }
    EXPECT_EQ(errors, nullptr);
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(m_io->Write(1, handles, &value, 1, &cancelId, &errors), E_OUTOFMEMORY);
    }
    EXPECT_EQ(errors, nullptr);
    EXPECT_TRUE(host.writes().empty());
    tick();
    EXPECT_TRUE(m_sink->calls().empty());
    EXPECT_EQ(refresh(1).cancelId, 1u) << "refused calls hand out no cancel id";
}

TEST_F(AsyncIO2, RequestsOfARemovedGroupAreNeverAnswered)
{
    advise();
    const OPCHANDLE item = addItem(11);
    OPCHANDLE handle = m_group.getState().serverHandle;
    EXPECT_EQ(read({item}, 1).result, S_OK);
    ASSERT_EQ(m_client.server()->RemoveGroup(handle, FALSE), S_OK);
    tick();
    EXPECT_TRUE(m_sink->calls().empty()) << "a removed group is not visited by the tick";

    // A forced removal ends the group: its interface answers errors from then on.
    ClientGroup ended = m_client.addGroup("Ended", {TRUE, 0, kGroupHandle}, &handle);
    ComPtr<IOPCAsyncIO2> io = ioOf(ended);
    ASSERT_EQ(vetrel::test::adviseSink(ended.unknown(), IID_IOPCDataCallback, m_sink.get()), S_OK);
    DWORD cancelId = 0;
    ASSERT_EQ(io->Refresh2(OPC_DS_CACHE, 2, &cancelId), S_OK);
    ASSERT_EQ(m_client.server()->RemoveGroup(handle, TRUE), S_OK);
    EXPECT_EQ(io->Refresh2(OPC_DS_CACHE, 3, &cancelId), E_FAIL);
    EXPECT_EQ(io->Cancel2(cancelId), E_FAIL);
    BOOL enabled = FALSE;
    EXPECT_EQ(io->GetEnable(&enabled), E_FAIL);
    tick();
    EXPECT_TRUE(m_sink->calls().empty());
}

TEST_F(AsyncIO2, RequestsRacingTheTickCompleteOnceEach)
{
    constexpr size_t kRequests = 100;
    advise();
    const OPCHANDLE item = addItem(11);
    std::atomic<bool> done{false};
    // Written by the client thread, read once it has been joined.
    HRESULT failure = S_OK;
    size_t cancelled = 0;
    std::thread client([&] {
        for (DWORD transaction = 1; transaction <= kRequests && failure == S_OK;) {
            const Accepted request = read({item}, transaction);
            // A full queue has room again after the next tick.
            if (request.result == CONNECT_E_ADVISELIMIT) continue;
            if (request.result != S_OK) failure = request.result;
            if (transaction % 2 == 0 && m_io->Cancel2(request.cancelId) == S_OK) ++cancelled;
            ++transaction;
        }
        done = true;
    });
    while (!done) tick();
    client.join();
    tick();

    EXPECT_EQ(failure, S_OK);
    size_t reads = 0;
    size_t cancellations = 0;
    for (const auto& call : m_sink->calls()) {
        reads += call.kind == Kind::ReadComplete;
        cancellations += call.kind == Kind::CancelComplete;
    }
    EXPECT_EQ(cancellations, cancelled) << "a cancel that succeeded is reported";
    EXPECT_EQ(reads + cancellations, kRequests) << "every accepted request is answered once";
}

TEST_F(AsyncIO2, CallsSendTheirTraceLines)
{
    advise();
    const OPCHANDLE item = addItem(11);
    auto& trace = TraceRecorder::start();
    const Accepted accepted = read({item}, 1);
    write({item}, {owned(vetrel::test::r4(1.0f))}, 2);
    refresh(3);
    m_io->Cancel2(accepted.cancelId);
    m_io->Read(0, nullptr, 0, nullptr, nullptr);
    BOOL enabled = FALSE;
    m_io->SetEnable(TRUE);
    m_io->GetEnable(&enabled);
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{"IOPCASyncIO2::Read", "IOPCASyncIO2::Write",
                                        "IOPCASyncIO2::Refresh2", "IOPCASyncIO2::Cancel2",
                                        "IOPCASyncIO2::Read"}));

    // The interface's IUnknown is the group's.
    trace.clear();
    const ULONG count = m_io->AddRef();
    m_io->Release();
    ComPtr<IOPCSyncIO> syncIO;
    ASSERT_EQ(m_io->QueryInterface(IID_IOPCSyncIO, syncIO.putVoid()), S_OK);
    const auto counted = [](const char* text, ULONG n) {
        return std::string(text) + "(" + std::to_string(n) + ")";
    };
    EXPECT_EQ(
        trace.lines(),
        (std::vector<std::string>{
            "IOPCASyncIO2::AddRef() [defered to OPCGroup]", counted("OPCGroup::AddRef", count),
            "IOPCASyncIO2::Release() [defered to OPCGroup]", counted("OPCGroup::Release", count),
            "IOPCASyncIO2::QueryInterface() [defered to OPCGroup]",
            "OPCGroup::QueryInterface IID_IOPCSyncIO", counted("OPCGroup::AddRef", count)}));
}

} // namespace
