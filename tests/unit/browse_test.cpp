// Browsing the tag namespace: organization, the server's browse position, the listings, item
// IDs, and the string enumerator the listings come in.
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ComPtr;
using vetrel::test::takeText;
using vetrel::test::TraceRecorder;
using vetrel::test::wide;
using Names = std::vector<std::string>;

constexpr DWORD kNoTag = 0xFFFFFFFF;

ComPtr<IOPCBrowseServerAddressSpace> browserOf(const ClientConnection& client)
{
    return ComPtr<IOPCServer>(client.server())
        .as<IOPCBrowseServerAddressSpace>(IID_IOPCBrowseServerAddressSpace);
}

// Everything an enumerator has left, freeing the strings.
Names drain(IEnumString* names)
{
    Names taken;
    LPOLESTR batch[4] = {};
    ULONG fetched = 0;
    HRESULT hr = S_OK;
    do {
        fetched = 0;
        hr = names->Next(4, batch, &fetched);
        for (ULONG i = 0; i < fetched; ++i) taken.push_back(takeText(batch[i]));
    } while (hr == S_OK);
    return taken;
}

class Browse : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_browse = browserOf(m_client);
        ASSERT_TRUE(m_browse);
    }
    // Every test starts from an empty namespace: the organization depends on all tags.
    void TearDown() override
    {
        for (auto tag = m_tags.rbegin(); tag != m_tags.rend(); ++tag) RemoveTag(*tag);
    }

    DWORD tag(const std::string& name)
    {
        const DWORD handle = CreateTagA(name.c_str(), vetrel::test::r4(1.0f), 0xC0, TRUE);
        EXPECT_NE(handle, kNoTag) << name;
        m_tags.push_back(handle);
        return handle;
    }

    ComPtr<IEnumString> enumerate(OPCBROWSETYPE type, const std::string& filter = "",
                                  VARTYPE dataType = VT_EMPTY, DWORD rights = 0)
    {
        ComPtr<IEnumString> names;
        EXPECT_EQ(
            m_browse->BrowseOPCItemIDs(type, wide(filter).c_str(), dataType, rights, names.put()),
            S_OK);
        return names;
    }
    Names list(OPCBROWSETYPE type) { return drain(enumerate(type).get()); }

    HRESULT move(OPCBROWSEDIRECTION direction, const std::string& text = "")
    {
        return m_browse->ChangeBrowsePosition(direction, wide(text).c_str());
    }

    std::string itemID(const std::string& name)
    {
        LPWSTR id = nullptr;
        EXPECT_EQ(m_browse->GetItemID(wide(name).data(), &id), S_OK);
        return takeText(id);
    }

    OPCNAMESPACETYPE organization()
    {
        OPCNAMESPACETYPE type{};
        EXPECT_EQ(m_browse->QueryOrganization(&type), S_OK);
        return type;
    }

    ClientConnection m_client;
    ComPtr<IOPCBrowseServerAddressSpace> m_browse;
    std::vector<DWORD> m_tags;
};

TEST_F(Browse, OrganizationFollowsTheTagsAsTheyComeAndGo)
{
    tag("Alpha");
    EXPECT_EQ(organization(), OPC_NS_FLAT);
    const DWORD dotted = tag("Plant.Temp");
    EXPECT_EQ(organization(), OPC_NS_HIERARCHIAL);
    RemoveTag(dotted);
    EXPECT_EQ(organization(), OPC_NS_FLAT);
    EXPECT_EQ(m_browse->QueryOrganization(nullptr), E_INVALIDARG);
}

TEST_F(Browse, FlatNamespaceListsEveryTagAndDoesNotMove)
{
    // A position chosen while the namespace was hierarchical is given up by the flat listing.
    const DWORD dotted = tag("Cell.Tag");
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "Cell"), S_OK);
    RemoveTag(dotted);
    tag("Alpha");
    tag("Beta");
    for (const OPCBROWSEDIRECTION direction :
         {OPC_BROWSE_UP, OPC_BROWSE_DOWN, OPC_BROWSE_TO, static_cast<OPCBROWSEDIRECTION>(9)})
        EXPECT_EQ(move(direction, "Alpha"), E_FAIL) << direction;
    for (const OPCBROWSETYPE type : {OPC_BRANCH, OPC_LEAF, OPC_FLAT, static_cast<OPCBROWSETYPE>(9)})
        EXPECT_EQ(list(type), (Names{"Alpha", "Beta"})) << type;
    tag("Cell.Tag");
    EXPECT_EQ(list(OPC_BRANCH), Names{"Cell"}) << "the listing starts at the root again";
}

TEST_F(Browse, ListsBranchesLeavesOrEveryTagBelowThePosition)
{
    for (const char* name : {"A.X", "Solo", "B.Z", "A.Y", "A.Deep.T", "Tagged", "Tagged.Child"})
        tag(name);
    // A tag that gained children is listed as a branch only.
    EXPECT_EQ(list(OPC_BRANCH), (Names{"A", "B", "Tagged"}));
    EXPECT_EQ(list(OPC_LEAF), Names{"Solo"});
    EXPECT_EQ(list(OPC_FLAT), (Names{"A.X", "A.Y", "A.Deep.T", "Solo", "B.Z", "Tagged.Child"}))
        << "depth first, each branch where it stands in creation order";
    LPOLESTR none = nullptr;
    EXPECT_EQ(enumerate(static_cast<OPCBROWSETYPE>(0))->Next(2, &none, nullptr), S_FALSE)
        << "an unknown kind lists nothing, and an empty listing has nothing to count";

    ASSERT_EQ(move(OPC_BROWSE_DOWN, "A"), S_OK);
    EXPECT_EQ(list(OPC_LEAF), (Names{"X", "Y"}));
    EXPECT_EQ(list(OPC_BRANCH), Names{"Deep"});
    EXPECT_EQ(list(OPC_FLAT), (Names{"A.X", "A.Y", "A.Deep.T"}));
    EXPECT_EQ(itemID("X"), "A.X");
    // Filters are accepted and not applied.
    EXPECT_EQ(drain(enumerate(OPC_LEAF, "*Y", VT_BSTR, OPC_WRITEABLE).get()), (Names{"X", "Y"}));
    EXPECT_EQ(m_browse->BrowseOPCItemIDs(OPC_LEAF, nullptr, VT_EMPTY, 0, nullptr), E_INVALIDARG);
}

TEST_F(Browse, MovingDownTakesOneLevelAndIsNotChecked)
{
    tag("A.X");
    tag("B.Z");
    EXPECT_EQ(move(OPC_BROWSE_UP), E_FAIL) << "nothing above the root";
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "A.B"), S_OK);
    EXPECT_EQ(list(OPC_LEAF), Names{"Z"}) << "only the last component counts";
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "Nowhere"), S_OK);
    for (const OPCBROWSETYPE type : {OPC_BRANCH, OPC_LEAF, OPC_FLAT})
        EXPECT_EQ(list(type), Names{}) << type;
    EXPECT_EQ(itemID("Q"), "B.Nowhere.Q");
    ASSERT_EQ(move(OPC_BROWSE_UP), S_OK);
    EXPECT_EQ(list(OPC_LEAF), Names{"Z"});
    EXPECT_EQ(move(static_cast<OPCBROWSEDIRECTION>(0)), E_FAIL);
    EXPECT_EQ(m_browse->ChangeBrowsePosition(OPC_BROWSE_DOWN, nullptr), S_OK)
        << "an absent name is the empty one";
    EXPECT_EQ(itemID("Q"), "B..Q");
}

TEST_F(Browse, MovingToAPathReplacesThePosition)
{
    tag("P..Q.T");
    tag("A.B.C");
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "Elsewhere"), S_OK);
    ASSERT_EQ(move(OPC_BROWSE_TO, "A.B"), S_OK);
    EXPECT_EQ(list(OPC_LEAF), Names{"C"});
    EXPECT_EQ(itemID("C"), "A.B.C");
    ASSERT_EQ(move(OPC_BROWSE_TO, "A."), S_OK);
    EXPECT_EQ(itemID("x"), "A.x") << "a trailing full stop adds no component";
    ASSERT_EQ(move(OPC_BROWSE_TO, "P..Q"), S_OK);
    EXPECT_EQ(list(OPC_LEAF), Names{"T"}) << "an empty component names a branch too";
    ASSERT_EQ(move(OPC_BROWSE_TO, ""), S_OK);
    EXPECT_EQ(list(OPC_BRANCH), (Names{"P", "A"}));
    ASSERT_EQ(move(OPC_BROWSE_TO, "A"), S_OK);
    ASSERT_EQ(m_browse->ChangeBrowsePosition(OPC_BROWSE_TO, nullptr), S_OK);
    EXPECT_EQ(itemID("A.B.C"), "A.B.C") << "at the root an item ID is the name itself";
}

TEST_F(Browse, ABranchIsReachedBeforeATagOfTheSameShortName)
{
    // A.X is a tag of A; A.X.Y then makes a branch X beside it.
    tag("A.X");
    tag("A.X.Y");
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "A"), S_OK);
    EXPECT_EQ(list(OPC_LEAF), Names{"X"});
    EXPECT_EQ(list(OPC_BRANCH), Names{"X"});
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "X"), S_OK);
    EXPECT_EQ(list(OPC_LEAF), Names{"Y"});
}

TEST_F(Browse, ItemIDsAreBuiltNotLookedUpAndAccessPathsAreNotOffered)
{
    tag("A.B");
    EXPECT_EQ(itemID("No.Such"), "No.Such");
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "A"), S_OK);
    EXPECT_EQ(itemID("No.Such"), "A.No.Such");
    LPWSTR id = nullptr;
    ASSERT_EQ(m_browse->GetItemID(nullptr, &id), S_OK);
    EXPECT_EQ(takeText(id), "A.");
    EXPECT_EQ(m_browse->GetItemID(nullptr, nullptr), E_INVALIDARG);
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(m_browse->GetItemID(wide("B").data(), &id), E_OUTOFMEMORY);
    }
    EXPECT_EQ(id, nullptr);

    IEnumString* paths = reinterpret_cast<IEnumString*>(&id);
    EXPECT_EQ(m_browse->BrowseAccessPaths(wide("A.B").c_str(), &paths), E_NOTIMPL);
    EXPECT_EQ(paths, nullptr);
    EXPECT_EQ(m_browse->BrowseAccessPaths(nullptr, nullptr), E_NOTIMPL);
}

TEST_F(Browse, PositionBelongsToOneServerAndSurvivesItsThreads)
{
    tag("Keep.Hierarchy");
    const ClientConnection other = ClientConnection::connect();
    const auto otherBrowse = browserOf(other);
    ASSERT_EQ(move(OPC_BROWSE_DOWN, "Keep"), S_OK);
    LPWSTR id = nullptr;
    ASSERT_EQ(otherBrowse->GetItemID(wide("x").data(), &id), S_OK);
    EXPECT_EQ(takeText(id), "x") << "another connection has its own position";
    EXPECT_EQ(browserOf(m_client).get(), m_browse.get());
    EXPECT_EQ(itemID("x"), "Keep.x");
    ASSERT_EQ(move(OPC_BROWSE_UP), S_OK);

    // Client threads move one shared position while the host changes the tags beneath it.
    std::atomic<int> failures{0};
    std::vector<std::thread> clients;
    for (const char* branch : {"Left", "Right"}) {
        clients.emplace_back([&, branch] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            for (int i = 0; i < 300; ++i) {
                ComPtr<IEnumString> names;
                if (move(OPC_BROWSE_DOWN, branch) != S_OK ||
                    m_browse->BrowseOPCItemIDs(OPC_FLAT, nullptr, VT_EMPTY, 0, names.put()) !=
                        S_OK ||
                    move(OPC_BROWSE_UP) != S_OK)
                    ++failures;
            }
            CoUninitialize();
        });
    }
    for (int i = 0; i < 300; ++i) RemoveTag(tag("Left.T" + std::to_string(i)));
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(itemID("x"), "x") << "every move down was undone";
}

TEST_F(Browse, MethodsAndForwardedReferencesSendTheirTraceLines)
{
    tag("A.B");
    auto& trace = TraceRecorder::start();
    organization();
    move(OPC_BROWSE_TO, "A");
    enumerate(OPC_LEAF);
    itemID("B");
    m_browse->BrowseAccessPaths(nullptr, nullptr);
    m_browse->AddRef();
    m_browse->Release();
    ComPtr<IUnknown> unknown;
    m_browse->QueryInterface(IID_IUnknown, unknown.putVoid());
    EXPECT_EQ(trace.lines(),
              (Names{"IOPCBrowseServerAddressSpace::QueryOrganization",
                     "IOPCBrowseServerAddressSpace::ChangeBrowsePosition",
                     "IOPCBrowseServerAddressSpace::BrowseOPCItemIDs", "IOPCEnumString::AddRef(1)",
                     "IOPCEnumString::Release(1)", "IOPCBrowseServerAddressSpace::GetItemID",
                     "IOPCBrowseServerAddressSpace::BrowseAccessPaths",
                     "IOPCBrowseServerAddressSpace::AddRef() [defered to OPCServer]",
                     "OPCServer::AddRef(3)",
                     "IOPCBrowseServerAddressSpace::Release() [defered to OPCServer]",
                     "OPCServer::Release(3)",
                     "IOPCBrowseServerAddressSpace::QueryInterface()  [defered to OPCServer]",
                     "OPCServer::QueryInterface IID_IUnknown", "OPCServer::AddRef(3)"}));
}

class BrowseEnumerator : public Browse
{
protected:
    void SetUp() override
    {
        Browse::SetUp();
        for (const char* name : {"One", "Two", "Three"}) tag(name);
    }
};

TEST_F(BrowseEnumerator, NextHandsOutCopiesUntilNothingIsLeft)
{
    auto names = enumerate(OPC_FLAT);
    LPOLESTR batch[5] = {};
    ULONG fetched = 99;
    ASSERT_EQ(names->Next(5, batch, &fetched), S_FALSE) << "fewer than asked for";
    ASSERT_EQ(fetched, 3u);
    EXPECT_EQ((Names{takeText(batch[0]), takeText(batch[1]), takeText(batch[2])}),
              (Names{"One", "Two", "Three"}));
    fetched = 99;
    EXPECT_EQ(names->Next(1, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 99u) << "nothing handed out, nothing counted";

    ASSERT_EQ(names->Reset(), S_OK);
    EXPECT_EQ(names->Next(2, batch, nullptr), E_POINTER);
    ASSERT_EQ(names->Next(1, batch, nullptr), S_OK);
    EXPECT_EQ(takeText(batch[0]), "One");
    EXPECT_EQ(names->Next(1, nullptr, &fetched), E_INVALIDARG);
}

TEST_F(BrowseEnumerator, SkipStopsShortOfTheEndAndClonesMoveOnTheirOwn)
{
    auto names = enumerate(OPC_FLAT);
    EXPECT_EQ(names->Skip(3), S_FALSE) << "skipping all that is left does not move";
    EXPECT_EQ(names->Skip(0xFFFFFFFF), S_FALSE);
    ASSERT_EQ(names->Skip(1), S_OK);
    ComPtr<IEnumString> clone;
    ASSERT_EQ(names->Clone(clone.put()), S_OK);
    EXPECT_EQ(names->Clone(nullptr), E_INVALIDARG);
    EXPECT_EQ(drain(clone.get()), (Names{"Two", "Three"}));
    clone.reset();
    EXPECT_EQ(drain(names.get()), (Names{"Two", "Three"}));
}

TEST_F(BrowseEnumerator, SnapshotOutlivesTagsAndTheServer)
{
    auto names = enumerate(OPC_FLAT);
    tag("Four");
    RemoveTag(m_tags.front());
    m_browse.reset();
    m_client.release();
    EXPECT_EQ(NumbrClientConnections(), 0) << "the enumerator holds no server";
    EXPECT_EQ(drain(names.get()), (Names{"One", "Two", "Three"}));
}

TEST_F(BrowseEnumerator, RunningOutOfMemoryHandsOutNothing)
{
    auto names = enumerate(OPC_FLAT);
    LPOLESTR batch[3] = {};
    ULONG fetched = 0;
    {
        TaskAllocationFault fault(2);
        EXPECT_EQ(names->Next(3, batch, &fetched), E_OUTOFMEMORY);
    }
    EXPECT_EQ(batch[0], nullptr);
    EXPECT_EQ(drain(names.get()), (Names{"One", "Two", "Three"})) << "the position stayed";
}

TEST_F(BrowseEnumerator, CountsItsOwnReferencesAndAnswersOnlyIEnumString)
{
    auto names = enumerate(OPC_FLAT);
    auto& trace = TraceRecorder::start();
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(names->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(names.get()));
    void* refused = &trace;
    EXPECT_EQ(names->QueryInterface(IID_IEnumUnknown, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(names->QueryInterface(IID_IEnumString, nullptr), E_INVALIDARG);
    unknown.reset();
    EXPECT_EQ(trace.lines(),
              (Names{"IOPCEnumString::QueryInterface IID_IUnknown", "IOPCEnumString::AddRef(2)",
                     "IOPCEnumString::QueryInterface",
                     "IOPCEnumString::QueryInterface E_INVALIDARG", "IOPCEnumString::Release(2)"}));
}

} // namespace
