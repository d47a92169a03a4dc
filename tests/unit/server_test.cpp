// The server object a client receives: its interfaces, its group list and its status.
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "support/trace_recorder.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ComPtr;
using vetrel::test::GroupOptions;
using vetrel::test::takeText;
using vetrel::test::TraceRecorder;
using vetrel::test::unknownOut;
using vetrel::test::wide;

constexpr DWORD kServerRate = 100;
constexpr GUID kUnknownInterface = {
    0x0D1E2F30, 0x4152, 0x6374, {0x85, 0x96, 0xA7, 0xB8, 0xC9, 0xDA, 0xEB, 0xFC}};

class Server : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(kServerRate); }
    void SetUp() override { m_client = ClientConnection::connect(); }

    IOPCServer* server() const { return m_client.server(); }

    struct Added
    {
        HRESULT result;
        OPCHANDLE handle;
        DWORD revisedRate;
        ComPtr<IUnknown> group;
    };
    Added addGroup(const WCHAR* name, DWORD rate = 0, REFIID riid = IID_IUnknown)
    {
        Added added{E_FAIL, 0xDEAD, 0xDEAD, {}};
        added.result = server()->AddGroup(name, TRUE, rate, 0, nullptr, nullptr, 0, &added.handle,
                                          &added.revisedRate, riid, added.group.put());
        return added;
    }
    Added addGroup(const std::string& name, DWORD rate = 0)
    {
        const auto wideName = wide(name);
        return addGroup(wideName.c_str(), rate);
    }

    ClientConnection m_client;
};

TEST_F(Server, QueryInterfaceAnswersItsInterfacesAndRefusesTheRest)
{
    auto& trace = TraceRecorder::start();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(server()->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    ComPtr<IUnknown> common;
    EXPECT_EQ(server()->QueryInterface(IID_IOPCCommon, common.putVoid()), S_OK);
    EXPECT_TRUE(trace.contains("OPCServer::QueryInterface IID_IOPCCommon"));
    // Every interface leads back to the one identity.
    ComPtr<IUnknown> identity;
    ASSERT_EQ(common->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
    EXPECT_EQ(identity.get(), unknown.get());
    ComPtr<IUnknown> container;
    EXPECT_EQ(server()->QueryInterface(IID_IConnectionPointContainer, container.putVoid()), S_OK);
    EXPECT_TRUE(trace.contains("OPCServer::QueryInterface IID_IConnectionPointContainer"));

    const struct
    {
        const IID& iid;
        const char* line;
    } refused[] = {
        {IID_IOPCServerPublicGroups, "OPCServer::QueryInterface IID_IOPCServerPublicGroups"},
        {IID_IPersistFile, "OPCServer::QueryInterface IID_IPersistFile"},
        {IID_IPersist, "OPCServer::QueryInterface IID_IPersistFile"},
        {IID_IMarshal, "OPCServer::QueryInterface IID_IMarshal"},
        {kUnknownInterface, "OPCServer::QueryInterface"},
    };
    for (const auto& row : refused) {
        trace.clear();
        void* object = &trace;
        EXPECT_EQ(unknown->QueryInterface(row.iid, &object), E_NOINTERFACE) << row.line;
        EXPECT_EQ(object, nullptr) << row.line;
        EXPECT_EQ(trace.lines(), std::vector<std::string>{row.line});
    }
    // Clients and their proxies ask for these; the trace names each one.
    const struct
    {
        const IID& iid;
        const char* name;
    } wellKnown[] = {
        {IID_IClassFactory, "IID_IClassFactory"},
        {IID_IMalloc, "IID_IMalloc"},
        {IID_IRpcChannel, "IID_IRpcChannel"},
        {IID_IMoniker, "IID_IMoniker"},
        {IID_IRpcStub, "IID_IRpcStub"},
        {IID_IStubManager, "IID_IStubManager"},
        {IID_IRpcProxy, "IID_IRpcProxy"},
        {IID_IProxyManager, "IID_IProxyManager"},
        {IID_IInternalMoniker, "IID_IInternalMoniker"},
        {IID_IMessageFilter, "IID_IMessageFilter"},
        {IID_IStdMarshalInfo, "IID_IStdMarshalInfo"},
        {IID_IRpcProxyBuffer, "IID_IRpcProxyBuffer"},
        {IID_IRpcStubBuffer, "IID_IRpcStubBuffer"},
        {IID_IRpcChannelBuffer, "IID_IRpcChannelBuffer"},
        {IID_IExternalConnection, "IID_IExternalConnection"},
        {CLSID_StdMarshal, "CLSID_StdMarshal"},
    };
    for (const auto& row : wellKnown) {
        trace.clear();
        void* object = &trace;
        EXPECT_EQ(unknown->QueryInterface(row.iid, &object), E_NOINTERFACE) << row.name;
        EXPECT_EQ(object, nullptr) << row.name;
        EXPECT_EQ(trace.lines(),
                  std::vector<std::string>{std::string("OPCServer::QueryInterface ") + row.name});
    }

    // Each interface the server answers is named in its line; all but the container, which
    // answers IUnknown with itself, lead back to the server.
    const struct
    {
        const IID& iid;
        const char* line;
    } answered[] = {
        {IID_IUnknown, "OPCServer::QueryInterface IID_IUnknown"},
        {IID_IOPCServer, "OPCServer::QueryInterface IID_IOPCServer"},
        {IID_IOPCBrowseServerAddressSpace,
         "OPCServer::QueryInterface IID_IOPCBrowseServerAddressSpace"},
        {IID_IOPCItemProperties, "OPCServer::QueryInterface IID_IOPCItemProperties"},
        {IID_IConnectionPointContainer, "OPCServer::QueryInterface IID_IConnectionPointContainer"},
        {IID_IOPCCommon, "OPCServer::QueryInterface IID_IOPCCommon"},
        {IID_IOPCEventServer, "OPCServer::QueryInterface IID_IOPCEventServer"},
    };
    for (const auto& row : answered) {
        trace.clear();
        ComPtr<IUnknown> answer;
        ASSERT_EQ(unknown->QueryInterface(row.iid, answer.putVoid()), S_OK) << row.line;
        ASSERT_TRUE(answer) << row.line;
        EXPECT_EQ(trace.lines().front(), row.line);
        ComPtr<IUnknown> back;
        ASSERT_EQ(answer->QueryInterface(IID_IUnknown, back.putVoid()), S_OK) << row.line;
        if (!IsEqualIID(row.iid, IID_IConnectionPointContainer)) {
            EXPECT_EQ(back.get(), unknown.get()) << row.line;
        }
    }

    trace.clear();
    EXPECT_EQ(server()->QueryInterface(IID_IOPCServer, nullptr), E_INVALIDARG);
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{"IOPCServer::QueryInterface()  [defered to OPCServer]",
                                        "OPCServer::QueryInterface E_INVALIDARG"}));
}

TEST_F(Server, InterfaceObjectsForwardReferencesToTheServer)
{
    auto& trace = TraceRecorder::start();
    ComPtr<IOPCCommon> common = ComPtr<IOPCServer>(server()).as<IOPCCommon>(IID_IOPCCommon);
    ASSERT_TRUE(common);
    trace.clear();
    server()->AddRef();
    server()->Release();
    common->AddRef();
    common->Release();
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "IOPCServer::AddRef() [defered to OPCServer]",
                                 "OPCServer::AddRef(3)",
                                 "IOPCServer::Release() [defered to OPCServer]",
                                 "OPCServer::Release(3)",
                                 "IOPCCommon::AddRef() [defered to OPCServer]",
                                 "OPCServer::AddRef(3)",
                                 "IOPCCommon::Release() [defered to OPCServer]",
                                 "OPCServer::Release(3)",
                             }));
    trace.clear();
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(common->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    EXPECT_TRUE(trace.contains("IOPCCommon::QueryInterface()  [defered to OPCServer]"));

    // The last reference, whichever interface holds it, ends the connection.
    m_client.release();
    unknown.reset();
    EXPECT_EQ(NumbrClientConnections(), 1);
    common.reset();
    EXPECT_EQ(NumbrClientConnections(), 0);
}

TEST_F(Server, AddGroupNamesUnnamedGroupsWithTheFirstFreeNumber)
{
    const auto first = addGroup(nullptr);
    ASSERT_EQ(first.result, S_OK);
    ASSERT_EQ(addGroup("Group 3").result, S_OK);
    const WCHAR empty[] = {0};
    ASSERT_EQ(addGroup(empty).result, S_OK) << "an empty name is no name";
    ASSERT_EQ(addGroup(nullptr).result, S_OK);
    EXPECT_EQ(m_client.groupNames(),
              (std::vector<std::string>{"Group 1", "Group 3", "Group 2", "Group 4"}));
    EXPECT_EQ(addGroup("Group 2").result, OPC_E_DUPLICATENAME);
}

TEST_F(Server, GroupNamesAreKeptInTheAnsiCodePage)
{
    // ASCII first, then letters the code page encodes in one byte each.
    const WCHAR name[] = {'T', 'a', 'n', 'k', ' ', 0x00C4, 0x20AC, 0};
    ASSERT_EQ(addGroup(name).result, S_OK);
    EXPECT_EQ(m_client.groupNames(), std::vector<std::string>{"Tank \xC4\x80"});
}

TEST_F(Server, NamesLeftByRemovalOrRenameAreFoundInListOrderAndGivenAgain)
{
    OPCHANDLE firstHandle = 0;
    auto first = m_client.addGroup("Group 1", {}, &firstHandle);
    auto second = m_client.addGroup("Group 2");
    auto third = m_client.addGroup("Group 3");
    const auto shared = wide("Group 1");
    const auto firstBearer = [&] {
        ComPtr<IUnknown> found;
        server()->GetGroupByName(shared.c_str(), IID_IUnknown, found.put());
        return found.get();
    };
    // The later group takes the name first, the earlier one after it.
    ASSERT_EQ(third.state()->SetName(shared.c_str()), S_OK);
    ASSERT_EQ(second.state()->SetName(shared.c_str()), S_OK);
    EXPECT_EQ(firstBearer(), first.unknown());
    ASSERT_EQ(server()->RemoveGroup(firstHandle, FALSE), S_OK);
    EXPECT_EQ(firstBearer(), second.unknown());
    ASSERT_EQ(addGroup(nullptr).result, S_OK);
    EXPECT_EQ(m_client.groupNames(), (std::vector<std::string>{"Group 1", "Group 1", "Group 2"}));
}

TEST_F(Server, AddGroupRefusesDuplicateNamesCaseSensitively)
{
    ASSERT_EQ(addGroup("Group 1").result, S_OK);
    EXPECT_EQ(addGroup("group 1").result, S_OK);
    const auto duplicate = addGroup("Group 1", 500);
    EXPECT_EQ(duplicate.result, OPC_E_DUPLICATENAME);
    EXPECT_EQ(duplicate.handle, 0u);
    EXPECT_EQ(duplicate.revisedRate, 0u) << "outputs stay cleared";
    EXPECT_FALSE(duplicate.group);
    EXPECT_EQ(m_client.groupNames(), (std::vector<std::string>{"Group 1", "group 1"}));
}

TEST_F(Server, AddGroupRevisesTheRateToAMultipleOfTheServerRate)
{
    const struct
    {
        DWORD requested;
        DWORD revised;
        HRESULT result;
    } rates[] = {
        {0, 100, S_OK},
        {50, 100, OPC_S_UNSUPPORTEDRATE},
        {100, 100, S_OK},
        {149, 100, S_OK},
        {150, 200, S_OK},
        {250, 300, S_OK},
        // Rounding would pass 32 bits: the largest multiple that fits.
        {0xFFFFFFFF, 4294967200u, S_OK},
        {0xFFFFFFCE, 4294967200u, S_OK},
    };
    int n = 0;
    for (const auto& rate : rates) {
        const auto added = addGroup("Rate " + std::to_string(++n), rate.requested);
        EXPECT_EQ(added.result, rate.result) << rate.requested;
        EXPECT_EQ(added.revisedRate, rate.revised) << rate.requested;
    }
}

TEST_F(Server, AddGroupStoresTheClientsState)
{
    LONG timeBias = -60;
    FLOAT deadband = 0.5f;
    OPCHANDLE handle = 0;
    DWORD rate = 0;
    ComPtr<IOPCGroupStateMgt> state;
    const auto name = wide("Given");
    ASSERT_EQ(server()->AddGroup(name.c_str(), FALSE, 1000, 77, &timeBias, &deadband, 1033, &handle,
                                 &rate, IID_IOPCGroupStateMgt, unknownOut(state)),
              S_OK);
    vetrel::test::ClientGroup given(state.get());
    const auto view = given.getState();
    EXPECT_EQ(view.updateRate, 1000u);
    EXPECT_FALSE(view.active);
    EXPECT_EQ(view.name, "Given");
    EXPECT_EQ(view.timeBias, -60);
    EXPECT_EQ(view.percentDeadband, 0.5f);
    EXPECT_EQ(view.lcid, 1033u) << "the group's locale is not checked";
    EXPECT_EQ(view.clientHandle, 77u);
    EXPECT_EQ(view.serverHandle, handle);
    EXPECT_NE(handle, 0u);

    const auto defaults = m_client.addGroup("Defaults").getState();
    EXPECT_EQ(defaults.timeBias, 0);
    EXPECT_EQ(defaults.percentDeadband, 0.0f);
}

TEST_F(Server, AddGroupWithARefusedInterfaceOrNoOutputsCreatesNothing)
{
    const auto name = wide("Refused");
    const auto refused = addGroup(name.c_str(), 0, IID_IOPCPublicGroupStateMgt);
    EXPECT_EQ(refused.result, E_NOINTERFACE);
    EXPECT_FALSE(refused.group);
    EXPECT_EQ(refused.handle, 0u);

    OPCHANDLE handle = 0;
    DWORD rate = 0;
    IUnknown* group = nullptr;
    EXPECT_EQ(server()->AddGroup(name.c_str(), TRUE, 0, 0, nullptr, nullptr, 0, nullptr, &rate,
                                 IID_IUnknown, &group),
              E_INVALIDARG);
    EXPECT_EQ(server()->AddGroup(name.c_str(), TRUE, 0, 0, nullptr, nullptr, 0, &handle, nullptr,
                                 IID_IUnknown, &group),
              E_INVALIDARG);
    EXPECT_EQ(server()->AddGroup(name.c_str(), TRUE, 0, 0, nullptr, nullptr, 0, &handle, &rate,
                                 IID_IUnknown, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(group, nullptr);
    EXPECT_TRUE(m_client.groupNames().empty());
}

TEST_F(Server, GetGroupByNameFindsListedGroupsByExactName)
{
    OPCHANDLE handle = 0;
    m_client.addGroup("Found", {}, &handle);
    ComPtr<IOPCGroupStateMgt> found;
    const auto name = wide("Found");
    ASSERT_EQ(server()->GetGroupByName(name.c_str(), IID_IOPCGroupStateMgt, unknownOut(found)),
              S_OK);
    EXPECT_EQ(vetrel::test::ClientGroup(found.get()).getState().serverHandle, handle);

    IUnknown* missing = reinterpret_cast<IUnknown*>(&handle);
    const auto lower = wide("found");
    EXPECT_EQ(server()->GetGroupByName(lower.c_str(), IID_IUnknown, &missing), E_FAIL);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(server()->GetGroupByName(name.c_str(), IID_IOPCPublicGroupStateMgt, &missing),
              E_NOINTERFACE);
    EXPECT_EQ(server()->GetGroupByName(nullptr, IID_IUnknown, &missing), E_INVALIDARG);
    EXPECT_EQ(server()->GetGroupByName(name.c_str(), IID_IUnknown, nullptr), E_INVALIDARG);
}

TEST_F(Server, RemoveGroupWithAnUnknownHandleAnswersEFail)
{
    OPCHANDLE handle = 0;
    auto group = m_client.addGroup("Gone", {}, &handle);
    group.release();
    EXPECT_EQ(server()->RemoveGroup(0, FALSE), E_FAIL);
    EXPECT_EQ(server()->RemoveGroup(handle + 1, FALSE), E_FAIL);
    EXPECT_EQ(server()->RemoveGroup(handle, FALSE), S_OK);
    EXPECT_EQ(server()->RemoveGroup(handle, FALSE), E_FAIL) << "a handle is not reused";
    // A handle of another connection names nothing here.
    auto other = ClientConnection::connect();
    OPCHANDLE otherHandle = 0;
    other.addGroup("Other", {}, &otherHandle);
    EXPECT_EQ(server()->RemoveGroup(otherHandle, FALSE), E_FAIL);

    // The first group of two fresh connections: each handle names one group of the process,
    // so neither connection can reach the other's group with it.
    auto left = ClientConnection::connect();
    auto right = ClientConnection::connect();
    OPCHANDLE leftHandle = 0;
    OPCHANDLE rightHandle = 0;
    left.addGroup("Left", {}, &leftHandle);
    right.addGroup("Right", {}, &rightHandle);
    EXPECT_NE(leftHandle, rightHandle);
    EXPECT_EQ(left.server()->RemoveGroup(rightHandle, FALSE), E_FAIL);
    EXPECT_EQ(left.groupNames(), std::vector<std::string>{"Left"});
    EXPECT_EQ(right.groupNames(), std::vector<std::string>{"Right"});
}

TEST_F(Server, RemovedGroupStillReferencedServesItsClientUntilItsLastRelease)
{
    auto& trace = TraceRecorder::start();
    OPCHANDLE handle = 0;
    auto group = m_client.addGroup("Kept", {}, &handle);
    ASSERT_EQ(server()->RemoveGroup(handle, FALSE), S_OK);
    EXPECT_TRUE(m_client.groupNames().empty());
    IUnknown* found = nullptr;
    const auto name = wide("Kept");
    EXPECT_EQ(server()->GetGroupByName(name.c_str(), IID_IUnknown, &found), E_FAIL);
    // The client keeps its group: it still answers, as it did before.
    EXPECT_EQ(group.getState().name, "Kept");
    trace.clear();
    group.release();
    EXPECT_TRUE(trace.contains("OPCGroup::Release(1)"));
    EXPECT_EQ(server()->RemoveGroup(handle, FALSE), E_FAIL);
}

TEST_F(Server, GroupWithoutReferencesStaysListedUntilRemoved)
{
    OPCHANDLE handle = 0;
    m_client.addGroup("Unreferenced", {}, &handle).release();
    EXPECT_EQ(m_client.groupNames(), std::vector<std::string>{"Unreferenced"});
    ComPtr<IUnknown> again;
    const auto name = wide("Unreferenced");
    EXPECT_EQ(server()->GetGroupByName(name.c_str(), IID_IUnknown, again.put()), S_OK);
    again.reset();
    EXPECT_EQ(server()->RemoveGroup(handle, FALSE), S_OK);
    EXPECT_TRUE(m_client.groupNames().empty());
}

TEST_F(Server, GetStatusReportsItsFixedFieldsAndTimes)
{
    m_client.addGroup("Counted");
    OPCSERVERSTATUS* first = nullptr;
    OPCSERVERSTATUS* second = nullptr;
    ASSERT_EQ(SetVendorInfoA("Status Vendor"), TRUE);
    ASSERT_EQ(server()->GetStatus(&first), S_OK);
    ASSERT_EQ(server()->GetStatus(&second), S_OK);
    EXPECT_EQ(first->dwServerState, OPC_STATUS_RUNNING);
    EXPECT_EQ(first->dwGroupCount, 0u) << "whatever the group list holds";
    EXPECT_EQ(first->dwBandWidth, 0u);
    EXPECT_EQ(first->wMajorVersion, 0);
    EXPECT_EQ(first->wMinorVersion, 0);
    EXPECT_EQ(first->wBuildNumber, 0);
    EXPECT_EQ(first->wReserved, 42);
    EXPECT_LE(CompareFileTime(&first->ftStartTime, &first->ftLastUpdateTime), 0)
        << "the runtime started before this connection";
    EXPECT_LE(CompareFileTime(&first->ftLastUpdateTime, &first->ftCurrentTime), 0);
    EXPECT_EQ(CompareFileTime(&first->ftLastUpdateTime, &second->ftLastUpdateTime), 0)
        << "the last update time is the connection's creation";
    EXPECT_EQ(CompareFileTime(&first->ftStartTime, &second->ftStartTime), 0);
    EXPECT_EQ(takeText(first->szVendorInfo), "Status Vendor");
    takeText(second->szVendorInfo);
    CoTaskMemFree(first);
    CoTaskMemFree(second);
    EXPECT_EQ(server()->GetStatus(nullptr), E_INVALIDARG);
}

TEST_F(Server, OutOfMemoryAnswersEOutOfMemoryWithEmptyOutputs)
{
    OPCSERVERSTATUS* status = nullptr;
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(server()->GetStatus(&status), E_OUTOFMEMORY);
    }
    EXPECT_EQ(status, nullptr);
    {
        // Without room for the vendor text the status still comes, without it.
        TaskAllocationFault fault(2);
        ASSERT_EQ(server()->GetStatus(&status), S_OK);
    }
    EXPECT_EQ(status->szVendorInfo, nullptr);
    CoTaskMemFree(status);

    LPWSTR text = nullptr;
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(server()->GetErrorString(E_FAIL, 0, &text), E_OUTOFMEMORY);
    }
    EXPECT_EQ(text, nullptr);
}

TEST_F(Server, GetErrorStringAnswersOneTextForEveryCode)
{
    for (const HRESULT code : {E_FAIL, OPC_E_INVALIDHANDLE, S_OK}) {
        LPWSTR text = nullptr;
        ASSERT_EQ(server()->GetErrorString(code, 1033, &text), S_OK);
        EXPECT_EQ(takeText(text), "Return Svr Specific Error Description Here!");
    }
    EXPECT_EQ(server()->GetErrorString(E_FAIL, 0, nullptr), E_INVALIDARG);
}

TEST_F(Server, MethodsSendTheirTraceLines)
{
    auto& trace = TraceRecorder::start();
    LPWSTR text = nullptr;
    server()->GetErrorString(E_FAIL, 0, &text);
    CoTaskMemFree(text);
    server()->RemoveGroup(0, FALSE);
    server()->GetStatus(nullptr);
    IUnknown* none = nullptr;
    server()->GetGroupByName(nullptr, IID_IUnknown, &none);
    server()->CreateGroupEnumerator(OPC_ENUM_ALL, IID_IEnumString, &none);
    server()->AddGroup(nullptr, TRUE, 0, 0, nullptr, nullptr, 0, nullptr, nullptr, IID_IUnknown,
                       &none);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "IOPCServer::GetErrorString",
                                 "IOPCServer::RemoveGroup",
                                 "IOPCServer::GetStatus",
                                 "IOPCServer::GetGroupByName",
                                 "IOPCServer::CreateGroupEnumerator",
                                 "IOPCServer::AddGroup",
                             }));
}

} // namespace
