// A group's identity and state as its client sees them: QueryInterface, the interface
// objects, IOPCGroupStateMgt and cloning.
#include "fixtures/host_recorder.h"
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <chrono>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <new>
#include <set>
#include <thread>

// When set, the next nothrow allocation of this thread fails: the parts a group makes at a
// client's first request for them are made that way.
thread_local bool t_failNextNothrowNew = false;

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (t_failNextNothrowNew) {
        t_failNextNothrowNew = false;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::GroupOptions;
using vetrel::test::HostRecorder;
using vetrel::test::RecordingDataCallback;
using vetrel::test::TraceRecorder;
using vetrel::test::wide;

constexpr DWORD kServerRate = 100;
constexpr GUID kUnknownInterface = {
    0x6E7F8091, 0xA2B3, 0x4C5D, {0x8E, 0x9F, 0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}};

class GroupState : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(kServerRate); }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("State", {TRUE, 1000, 5}, &m_handle);
    }

    DWORD setRate(DWORD requested)
    {
        DWORD revised = 0;
        EXPECT_EQ(m_group.state()->SetState(&requested, &revised, nullptr, nullptr, nullptr,
                                            nullptr, nullptr),
                  S_OK);
        return revised;
    }

    ClientConnection m_client;
    ClientGroup m_group;
    OPCHANDLE m_handle = 0;
};

TEST_F(GroupState, QueryInterfaceAnswersTheGroupInterfacesWithOneReferenceEach)
{
    auto& trace = TraceRecorder::start();
    IUnknown* group = m_group.unknown();
    const struct
    {
        const IID& iid;
        const char* line;
    } answered[] = {
        {IID_IUnknown, "OPCGroup::QueryInterface IID_IUnknown"},
        {IID_IOPCGroupStateMgt, "OPCGroup::QueryInterface IID_IOPCGroupStateMgt"},
        {IID_IOPCSyncIO, "OPCGroup::QueryInterface IID_IOPCSyncIO"},
        {IID_IOPCAsyncIO2, "OPCGroup::QueryInterface IID_IOPCAsyncIO2"},
        {IID_IOPCItemMgt, "OPCGroup::QueryInterface IID_IOPCItemMgt"},
        {IID_IConnectionPointContainer, "OPCGroup::QueryInterface IID_IConnectionPointContainer"},
        {IID_IOPCAsyncIO, "OPCGroup::QueryInterface IID_IOPCAsyncIO"},
    };
    // The fixture's client holds four references: IUnknown and three interfaces.
    for (const auto& row : answered) {
        trace.clear();
        ComPtr<IUnknown> answer;
        ASSERT_EQ(group->QueryInterface(row.iid, answer.putVoid()), S_OK) << row.line;
        EXPECT_EQ(trace.lines(), (std::vector<std::string>{row.line, "OPCGroup::AddRef(5)"}));
        trace.clear();
    }
    const struct
    {
        const IID& iid;
        const char* line;
    } refused[] = {
        {IID_IOPCPublicGroupStateMgt, "OPCGroup::QueryInterface IID_IOPCPublicGroupStateMgt"},
        {IID_IExternalConnection, "OPCGroup::QueryInterface IID_IExternalConnection"},
        {kUnknownInterface, "OPCGroup::QueryInterface"},
    };
    for (const auto& row : refused) {
        trace.clear();
        void* object = &trace;
        EXPECT_EQ(group->QueryInterface(row.iid, &object), E_NOINTERFACE) << row.line;
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(trace.lines(), std::vector<std::string>{row.line}) << "no reference taken";
    }
    trace.clear();
    EXPECT_EQ(group->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"OPCGroup::QueryInterface E_INVALIDARG"});
}

TEST_F(GroupState, PartThatCannotBeMadeAnswersOutOfMemory)
{
    auto& trace = TraceRecorder::start();
    const struct
    {
        const IID& iid;
        const char* line;
    } parts[] = {
        {IID_IConnectionPointContainer, "OPCGroup::QueryInterface IID_IConnectionPointContainer"},
        {IID_IDataObject, "OPCGroup::QueryInterface IID_IDataObject"},
    };
    for (const auto& row : parts) {
        trace.clear();
        void* object = &trace;
        t_failNextNothrowNew = true;
        const HRESULT hr = m_group.unknown()->QueryInterface(row.iid, &object);
        // A runtime in a library of its own allocates past this program's operator new.
        const bool failed = !t_failNextNothrowNew;
        t_failNextNothrowNew = false;
        if (!failed) {
            if (SUCCEEDED(hr)) static_cast<IUnknown*>(object)->Release();
            GTEST_SKIP() << "the runtime's allocations cannot be made to fail from here";
        }
        EXPECT_EQ(hr, E_OUTOFMEMORY) << row.line;
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(trace.lines(), std::vector<std::string>{row.line}) << "no reference taken";
        ComPtr<IUnknown> part;
        EXPECT_EQ(m_group.unknown()->QueryInterface(row.iid, part.putVoid()), S_OK)
            << "made at the next request";
    }
}

TEST_F(GroupState, InterfaceObjectsForwardToTheGroup)
{
    auto& trace = TraceRecorder::start();
    const struct
    {
        IUnknown* object;
        const char* name;
    } objects[] = {
        {m_group.state(), "IOPCGroupStateMgt"},
        {m_group.items(), "IOPCItemMgt"},
        {m_group.syncIO(), "IOPCSyncIO"},
    };
    for (const auto& row : objects) {
        const std::string name = row.name;
        trace.clear();
        row.object->AddRef();
        row.object->Release();
        ComPtr<IUnknown> identity;
        ASSERT_EQ(row.object->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
        EXPECT_EQ(identity.get(), m_group.unknown());
        EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                     name + "::AddRef() [defered to OPCGroup]",
                                     "OPCGroup::AddRef(5)",
                                     name + "::Release() [defered to OPCGroup]",
                                     "OPCGroup::Release(5)",
                                     name + "::QueryInterface() [defered to OPCGroup]",
                                     "OPCGroup::QueryInterface IID_IUnknown",
                                     "OPCGroup::AddRef(5)",
                                 }));
    }
}

TEST_F(GroupState, GetStateReturnsEveryFieldAndNeedsEveryOutput)
{
    auto& trace = TraceRecorder::start();
    const auto view = m_group.getState();
    EXPECT_EQ(trace.lines().front(), "IOPCGroupStateMgt::GetState");
    EXPECT_EQ(view.updateRate, 1000u);
    EXPECT_TRUE(view.active);
    EXPECT_EQ(view.name, "State");
    EXPECT_EQ(view.clientHandle, 5u);
    EXPECT_EQ(view.serverHandle, m_handle);

    DWORD rate = 0;
    BOOL active = FALSE;
    LPWSTR name = nullptr;
    LONG bias = 0;
    FLOAT deadband = 0;
    DWORD lcid = 0;
    OPCHANDLE client = 0;
    OPCHANDLE server = 0;
    IOPCGroupStateMgt* state = m_group.state();
    EXPECT_EQ(state->GetState(nullptr, &active, &name, &bias, &deadband, &lcid, &client, &server),
              E_INVALIDARG);
    EXPECT_EQ(state->GetState(&rate, &active, nullptr, &bias, &deadband, &lcid, &client, &server),
              E_INVALIDARG);
    EXPECT_EQ(state->GetState(&rate, &active, &name, &bias, &deadband, &lcid, &client, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(name, nullptr);
}

TEST_F(GroupState, SetStateChangesOnlyWhatIsGiven)
{
    DWORD revised = 0;
    ASSERT_EQ(
        m_group.state()->SetState(nullptr, &revised, nullptr, nullptr, nullptr, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(revised, 1000u);
    const auto before = m_group.getState();

    BOOL inactive = FALSE;
    FLOAT deadband = 100.0f;
    LONG bias = 30;
    DWORD lcid = 7;
    OPCHANDLE client = 9;
    ASSERT_EQ(
        m_group.state()->SetState(nullptr, nullptr, &inactive, &bias, &deadband, &lcid, &client),
        S_OK);
    const auto after = m_group.getState();
    EXPECT_EQ(after.updateRate, before.updateRate);
    EXPECT_FALSE(after.active);
    EXPECT_EQ(after.percentDeadband, 100.0f);
    EXPECT_EQ(after.timeBias, 30);
    EXPECT_EQ(after.lcid, 7u);
    EXPECT_EQ(after.clientHandle, 9u);
    EXPECT_EQ(after.name, "State");
}

TEST_F(GroupState, DeadbandsThatAreNoPercentageAreRefusedAndChangeNothing)
{
    const auto before = m_group.getState();
    const auto name = wide("Refused");
    for (FLOAT refused : {std::numeric_limits<FLOAT>::quiet_NaN(), -1.0f, 100.5f,
                          std::numeric_limits<FLOAT>::infinity()}) {
        BOOL inactive = FALSE;
        FLOAT deadband = refused;
        EXPECT_EQ(m_group.state()->SetState(nullptr, nullptr, &inactive, nullptr, &deadband,
                                            nullptr, nullptr),
                  E_INVALIDARG)
            << refused;
        OPCHANDLE handle = 7;
        DWORD rate = 7;
        ComPtr<IUnknown> group;
        EXPECT_EQ(m_client.server()->AddGroup(name.c_str(), TRUE, 0, 0, nullptr, &deadband, 0,
                                              &handle, &rate, IID_IUnknown, group.put()),
                  E_INVALIDARG)
            << refused;
        EXPECT_FALSE(group);
    }
    const auto after = m_group.getState();
    EXPECT_TRUE(after.active) << "a refused SetState changes nothing";
    EXPECT_EQ(after.percentDeadband, before.percentDeadband);
    EXPECT_EQ(m_client.groupNames(), std::vector<std::string>{"State"});
}

TEST_F(GroupState, SetStateRevisesTheRateWithoutComplaint)
{
    EXPECT_EQ(setRate(0), kServerRate);
    EXPECT_EQ(setRate(50), kServerRate) << "no OPC_S_UNSUPPORTEDRATE here";
    EXPECT_EQ(setRate(149), 100u);
    EXPECT_EQ(setRate(150), 200u);
    EXPECT_EQ(setRate(0xFFFFFFFF), 4294967200u);
    EXPECT_EQ(m_group.getState().updateRate, 4294967200u);
}

TEST_F(GroupState, SetNameTakesAnyNameEvenAnothersGroup)
{
    m_client.addGroup("Other");
    const auto other = wide("Other");
    ASSERT_EQ(m_group.state()->SetName(other.c_str()), S_OK);
    EXPECT_EQ(m_group.getState().name, "Other");
    EXPECT_EQ(m_client.groupNames(), (std::vector<std::string>{"Other", "Other"}));
    // A lookup by name finds the first in list order.
    ComPtr<IUnknown> found;
    ASSERT_EQ(m_client.server()->GetGroupByName(other.c_str(), IID_IUnknown, found.put()), S_OK);
    EXPECT_EQ(found.get(), m_group.unknown());

    const WCHAR empty[] = {0};
    EXPECT_EQ(m_group.state()->SetName(empty), S_OK);
    EXPECT_EQ(m_group.getState().name, "");
    EXPECT_EQ(m_group.state()->SetName(nullptr), E_INVALIDARG);
}

TEST_F(GroupState, CloneCopiesStateAndItemsIntoAnInactiveGroup)
{
    const DWORD tag = CreateTagA("Clone.Value", vetrel::test::r4(2.5f), 0xC0, TRUE);
    ASSERT_NE(tag, 0xFFFFFFFFu);
    FLOAT deadband = 12.5f;
    LONG bias = -30;
    ASSERT_EQ(
        m_group.state()->SetState(nullptr, nullptr, nullptr, &bias, &deadband, nullptr, nullptr),
        S_OK);
    const OPCHANDLE item = m_group.addItem({"Clone.Value", "", VT_BSTR, FALSE, 31});

    ComPtr<IUnknown> cloneUnknown;
    ASSERT_EQ(m_group.state()->CloneGroup(nullptr, IID_IUnknown, cloneUnknown.put()), S_OK);
    ClientGroup clone(cloneUnknown.get());
    const auto source = m_group.getState();
    const auto copied = clone.getState();
    EXPECT_EQ(copied.name, "Group 1");
    EXPECT_FALSE(copied.active);
    EXPECT_EQ(copied.updateRate, source.updateRate);
    EXPECT_EQ(copied.clientHandle, source.clientHandle);
    EXPECT_EQ(copied.percentDeadband, 12.5f);
    EXPECT_EQ(copied.timeBias, -30);
    EXPECT_NE(copied.serverHandle, source.serverHandle);
    EXPECT_EQ(m_client.groupNames(), (std::vector<std::string>{"State", "Group 1"}));

    const auto items = clone.enumerateItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_NE(items[0].serverHandle, item) << "the copy is an item of its own";
    EXPECT_EQ(items[0].itemID, "Clone.Value");
    EXPECT_EQ(items[0].clientHandle, 31u);
    EXPECT_FALSE(items[0].active);
    EXPECT_EQ(items[0].requestedType, VT_BSTR);
    EXPECT_EQ(items[0].canonicalType, VT_R4);
    EXPECT_EQ(items[0].accessRights, OPC_READABLE | OPC_WRITEABLE);
    const auto values = clone.read({items[0].serverHandle});
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].error, S_OK);
    EXPECT_EQ(vetrel::test::narrow(values[0].value.get().bstrVal), "2.5");

    // The copy counts on its tag: the host hears of the removal only with the last item.
    auto& host = HostRecorder::start();
    EXPECT_EQ(m_group.removeItems({item}), std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(host.removals().empty());
    EXPECT_EQ(clone.removeItems({items[0].serverHandle}), std::vector<HRESULT>{S_OK});
    ASSERT_EQ(host.removals().size(), 1u);
    EXPECT_EQ(host.removals()[0].tag, tag);
    RemoveTag(tag);
}

// The client handles the sink has received data changes for so far.
std::set<OPCHANDLE> reportedItems(const RecordingDataCallback& sink)
{
    std::set<OPCHANDLE> reported;
    for (const auto& call : sink.calls())
        for (const auto& entry : call.entries) reported.insert(entry.clientHandle);
    return reported;
}

TEST_F(GroupState, CloneReportsEveryItemOnceActivated)
{
    const DWORD first = CreateTagA("Clone.First", vetrel::test::r4(1.0f), 0xC0, TRUE);
    const DWORD second = CreateTagA("Clone.Second", vetrel::test::r4(2.0f), 0xC0, TRUE);
    m_group.addItem({"Clone.First", "", VT_EMPTY, TRUE, 41});
    m_group.addItem({"Clone.Second", "", VT_EMPTY, TRUE, 42});
    // The source reports its items, so their changed flags are clear when the clone is made.
    auto sourceSink = RecordingDataCallback::create();
    ASSERT_EQ(vetrel::test::adviseSink(m_group.unknown(), IID_IOPCDataCallback, sourceSink.get()),
              S_OK);
    ASSERT_TRUE(RefreshAllClients());

    ComPtr<IUnknown> cloneUnknown;
    const auto name = wide("Reporting");
    ASSERT_EQ(m_group.state()->CloneGroup(name.c_str(), IID_IUnknown, cloneUnknown.put()), S_OK);
    ClientGroup clone(cloneUnknown.get());
    auto sink = RecordingDataCallback::create();
    ASSERT_EQ(vetrel::test::adviseSink(clone.unknown(), IID_IOPCDataCallback, sink.get()), S_OK);
    ASSERT_TRUE(RefreshAllClients());
    EXPECT_TRUE(sink->calls().empty()) << "an inactive clone is not scanned";

    BOOL active = TRUE;
    ASSERT_EQ(
        clone.state()->SetState(nullptr, nullptr, &active, nullptr, nullptr, nullptr, nullptr),
        S_OK);
    ASSERT_TRUE(RefreshAllClients());
    // The timer thread may have made the report and be delivering it still.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (reportedItems(*sink.get()).size() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(reportedItems(*sink.get()), (std::set<OPCHANDLE>{41, 42}));
    for (const auto& call : sink->calls()) EXPECT_EQ(call.groupHandle, 5u);

    EXPECT_EQ(vetrel::test::unadviseSink(clone.unknown(), IID_IOPCDataCallback), S_OK);
    EXPECT_EQ(vetrel::test::unadviseSink(m_group.unknown(), IID_IOPCDataCallback), S_OK);
    RemoveTag(first);
    RemoveTag(second);
}

TEST_F(GroupState, CloneChecksItsNameAndItsSource)
{
    auto& trace = TraceRecorder::start();
    IUnknown* clone = reinterpret_cast<IUnknown*>(&trace);
    const auto taken = wide("State");
    EXPECT_EQ(m_group.state()->CloneGroup(taken.c_str(), IID_IUnknown, &clone),
              OPC_E_DUPLICATENAME);
    EXPECT_EQ(clone, nullptr);
    const auto name = wide("Copy");
    EXPECT_EQ(m_group.state()->CloneGroup(name.c_str(), IID_IOPCPublicGroupStateMgt, &clone),
              E_NOINTERFACE);
    EXPECT_EQ(m_group.state()->CloneGroup(name.c_str(), IID_IUnknown, nullptr), E_INVALIDARG);
    EXPECT_EQ(m_client.groupNames(), std::vector<std::string>{"State"});
    EXPECT_TRUE(trace.contains("IOPCGroupStateMgt::CloneGroup"));

    // A group its server has let go of has no list to put a clone in.
    ASSERT_EQ(m_client.server()->RemoveGroup(m_handle, FALSE), S_OK);
    EXPECT_EQ(m_group.state()->CloneGroup(name.c_str(), IID_IUnknown, &clone), E_FAIL);
    EXPECT_EQ(clone, nullptr);
    EXPECT_TRUE(m_client.groupNames().empty());
}

TEST_F(GroupState, SetStateAndSetNameSendTheirTraceLines)
{
    auto& trace = TraceRecorder::start();
    m_group.state()->SetState(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    m_group.state()->SetName(nullptr);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"IOPCGroupStateMgt::SetState",
                                                       "IOPCGroupStateMgt::SetName"}));
}

} // namespace
