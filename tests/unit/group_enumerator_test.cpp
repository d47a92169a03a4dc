// The enumerator of a server's groups: its snapshot, its scopes and the IEnumUnknown rules.
#include "fixtures/opc_client.h"
#include "support/trace_recorder.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::TraceRecorder;

class GroupEnumerator : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override { m_client = ClientConnection::connect(); }

    ComPtr<IEnumUnknown> enumerate(OPCENUMSCOPE scope = OPC_ENUM_ALL)
    {
        ComPtr<IEnumUnknown> enumerator;
        EXPECT_EQ(m_client.server()->CreateGroupEnumerator(
                      scope, IID_IEnumUnknown, reinterpret_cast<IUnknown**>(enumerator.put())),
                  S_OK);
        return enumerator;
    }

    static std::string nameOf(IUnknown* group) { return ClientGroup(group).getState().name; }

    // The names of what one Next hands out, releasing the groups.
    static std::vector<std::string> take(IUnknown** groups, ULONG count)
    {
        std::vector<std::string> names;
        for (ULONG i = 0; i < count; ++i) {
            names.push_back(nameOf(groups[i]));
            groups[i]->Release();
        }
        return names;
    }

    ClientConnection m_client;
};

TEST_F(GroupEnumerator, ListsPrivateScopesOnlyAndOnlyAsIEnumUnknown)
{
    m_client.addGroup("A");
    for (const OPCENUMSCOPE scope :
         {OPC_ENUM_PRIVATE_CONNECTIONS, OPC_ENUM_ALL_CONNECTIONS, OPC_ENUM_PRIVATE, OPC_ENUM_ALL}) {
        IUnknown* group = nullptr;
        EXPECT_EQ(enumerate(scope)->Next(1, &group, nullptr), S_OK) << scope;
        EXPECT_EQ(take(&group, 1), std::vector<std::string>{"A"});
    }
    for (const OPCENUMSCOPE scope :
         {OPC_ENUM_PUBLIC_CONNECTIONS, OPC_ENUM_PUBLIC, static_cast<OPCENUMSCOPE>(7)}) {
        IUnknown* group = nullptr;
        EXPECT_EQ(enumerate(scope)->Next(1, &group, nullptr), S_FALSE) << scope;
        EXPECT_EQ(group, nullptr);
    }
    IUnknown* strings = reinterpret_cast<IUnknown*>(&m_client);
    EXPECT_EQ(m_client.server()->CreateGroupEnumerator(OPC_ENUM_ALL, IID_IEnumString, &strings),
              E_INVALIDARG);
    EXPECT_EQ(strings, nullptr);
    EXPECT_EQ(m_client.server()->CreateGroupEnumerator(OPC_ENUM_ALL, IID_IEnumUnknown, nullptr),
              E_INVALIDARG);
}

TEST_F(GroupEnumerator, NextHandsOutWhatIsLeftAndThenNothing)
{
    for (const char* name : {"A", "B", "C"}) m_client.addGroup(name);
    auto enumerator = enumerate();
    IUnknown* groups[5] = {};
    ULONG fetched = 99;
    ASSERT_EQ(enumerator->Next(5, groups, &fetched), S_FALSE) << "fewer than asked for";
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(take(groups, fetched), (std::vector<std::string>{"A", "B", "C"}));

    // Nothing left: nothing is written, not even the count.
    IUnknown* untouched = reinterpret_cast<IUnknown*>(&fetched);
    fetched = 99;
    EXPECT_EQ(enumerator->Next(1, &untouched, &fetched), S_FALSE);
    EXPECT_EQ(untouched, reinterpret_cast<IUnknown*>(&fetched));
    EXPECT_EQ(fetched, 99u);

    ASSERT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Next(2, groups, nullptr), E_POINTER);
    ASSERT_EQ(enumerator->Next(1, groups, nullptr), S_OK);
    EXPECT_EQ(take(groups, 1), std::vector<std::string>{"A"});
    EXPECT_EQ(enumerator->Next(0, nullptr, &fetched), S_OK);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(enumerator->Next(1, nullptr, nullptr), E_INVALIDARG);

    // An empty snapshot has nothing to hand out, whatever was asked.
    EXPECT_EQ(enumerate(OPC_ENUM_PUBLIC)->Next(2, groups, nullptr), S_FALSE);
}

TEST_F(GroupEnumerator, SkipStopsShortOfTheEndAndCloneKeepsThePosition)
{
    for (const char* name : {"A", "B", "C"}) m_client.addGroup(name);
    auto enumerator = enumerate();
    EXPECT_EQ(enumerator->Skip(3), S_FALSE) << "skipping all that is left does not move";
    EXPECT_EQ(enumerator->Skip(0xFFFFFFFF), S_FALSE);
    EXPECT_EQ(enumerator->Skip(1), S_OK);

    ComPtr<IEnumUnknown> clone;
    ASSERT_EQ(enumerator->Clone(clone.put()), S_OK);
    EXPECT_EQ(enumerator->Clone(nullptr), E_INVALIDARG);
    IUnknown* groups[3] = {};
    ULONG fetched = 0;
    ASSERT_EQ(clone->Next(2, groups, &fetched), S_OK);
    EXPECT_EQ(take(groups, fetched), (std::vector<std::string>{"B", "C"}));
    ASSERT_EQ(enumerator->Next(2, groups, &fetched), S_OK) << "the clone moves on its own";
    EXPECT_EQ(take(groups, fetched), (std::vector<std::string>{"B", "C"}));
}

TEST_F(GroupEnumerator, SnapshotKeepsItsGroupsAndTheServerAlive)
{
    OPCHANDLE removed = 0;
    m_client.addGroup("Removed", {}, &removed).release();
    auto enumerator = enumerate();
    m_client.addGroup("Later");
    ASSERT_EQ(m_client.server()->RemoveGroup(removed, FALSE), S_OK);

    auto& trace = TraceRecorder::start();
    m_client.release();
    EXPECT_EQ(NumbrClientConnections(), 1) << "the enumerator holds the server";
    IUnknown* groups[2] = {};
    ULONG fetched = 0;
    ASSERT_EQ(enumerator->Next(2, groups, &fetched), S_FALSE);
    EXPECT_EQ(take(groups, fetched), std::vector<std::string>{"Removed"});
    trace.clear();
    enumerator.reset();
    EXPECT_EQ(NumbrClientConnections(), 0);
    const auto lines = trace.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "OPCGroupEnumerator::Release(1)");
    EXPECT_EQ(lines[1], "OPCServer::Release(1)");
    EXPECT_TRUE(trace.contains("OPCGroup::Release(1)")) << "the snapshot lets its group go";
}

TEST_F(GroupEnumerator, CountsItsOwnReferencesAndOneOnTheServerForEach)
{
    auto& trace = TraceRecorder::start();
    auto enumerator = enumerate();
    EXPECT_TRUE(trace.contains("OPCGroupEnumerator::AddRef(1)"));
    EXPECT_TRUE(trace.contains("OPCServer::AddRef(2)"));
    ComPtr<IUnknown> unknown;
    trace.clear();
    ASSERT_EQ(enumerator->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
    EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(enumerator.get()));
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{"OPCGroupEnumerator::QueryInterface IID_IUnknown",
                                        "OPCGroupEnumerator::AddRef(2)", "OPCServer::AddRef(3)"}));
    void* refused = &trace;
    EXPECT_EQ(enumerator->QueryInterface(IID_IEnumString, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(enumerator->QueryInterface(IID_IEnumUnknown, nullptr), E_INVALIDARG);
    EXPECT_TRUE(trace.contains("OPCGroupEnumerator::QueryInterface E_INVALIDARG"));
}

} // namespace
