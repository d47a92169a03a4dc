// When a group ends while its client still holds it: forced removal, the server's destruction,
// and a last Release racing a RemoveGroup.
#include "fixtures/host_recorder.h"
#include "fixtures/opc_client.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::HostRecorder;
using vetrel::test::TraceRecorder;

class GroupLifetime : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        vetrel::test::startRuntime(100);
        s_tag = CreateTagA("Life.Value", vetrel::test::r4(1.0f), 0xC0, TRUE);
        ASSERT_NE(s_tag, 0xFFFFFFFFu);
    }
    void SetUp() override { m_client = ClientConnection::connect(); }

    // Every call through group answers an error and hands out nothing.
    static void expectInert(const ClientGroup& group, OPCHANDLE item)
    {
        OPCITEMRESULT* results = reinterpret_cast<OPCITEMRESULT*>(&item);
        HRESULT* errors = reinterpret_cast<HRESULT*>(&item);
        std::basic_string<WCHAR> id = vetrel::test::wide("Life.Value");
        OPCITEMDEF definition{nullptr, id.data(), TRUE, 0, 0, nullptr, VT_EMPTY, 0};
        EXPECT_EQ(group.items()->AddItems(1, &definition, &results, &errors), E_FAIL);
        EXPECT_EQ(results, nullptr);
        EXPECT_EQ(errors, nullptr);
        HRESULT result = S_OK;
        EXPECT_TRUE(group.read({item}, OPC_DS_CACHE, &result).empty());
        EXPECT_EQ(result, E_FAIL);
        group.removeItems({item}, &result);
        EXPECT_EQ(result, E_FAIL);
        DWORD rate = 0;
        EXPECT_EQ(
            group.state()->SetState(&rate, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            E_FAIL);
        IUnknown* clone = nullptr;
        EXPECT_EQ(group.state()->CloneGroup(nullptr, IID_IUnknown, &clone), E_FAIL);
        EXPECT_EQ(clone, nullptr);
        void* object = nullptr;
        EXPECT_EQ(group.unknown()->QueryInterface(IID_IOPCSyncIO, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        // Its identity stays, as COM requires.
        ComPtr<IUnknown> identity;
        EXPECT_EQ(group.state()->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
        EXPECT_EQ(identity.get(), group.unknown());
    }

    static inline DWORD s_tag = 0;
    ClientConnection m_client;
};

TEST_F(GroupLifetime, ForcedRemovalLeavesClientReferencesInert)
{
    OPCHANDLE handle = 0;
    ClientGroup group = m_client.addGroup("Forced", {}, &handle);
    const OPCHANDLE item = group.addItem({"Life.Value"});
    auto& host = HostRecorder::start();
    ASSERT_EQ(m_client.server()->RemoveGroup(handle, TRUE), S_OK);
    EXPECT_TRUE(m_client.groupNames().empty());
    expectInert(group, item);
    EXPECT_TRUE(host.removals().empty()) << "ending a group tells the host nothing";

    // References still work, and the last one frees the group.
    auto& trace = TraceRecorder::start();
    EXPECT_EQ(group.unknown()->AddRef(), 5u);
    EXPECT_EQ(group.unknown()->Release(), 4u);
    group.release();
    EXPECT_TRUE(trace.contains("OPCGroup::Release(1)"));
}

TEST_F(GroupLifetime, ServerDestructionLeavesReferencedGroupsInert)
{
    ClientGroup kept = m_client.addGroup("Kept");
    const OPCHANDLE item = kept.addItem({"Life.Value"});
    m_client.addGroup("Unreferenced").release();
    m_client.release();
    EXPECT_EQ(NumbrClientConnections(), 0);
    expectInert(kept, item);
    // Tag updates no longer reach the ended group's items.
    EXPECT_TRUE(UpdateTag(s_tag, vetrel::test::r4(3.0f), 0xC0));
    kept.release();
}

TEST_F(GroupLifetime, EndedGroupsKeepTheirTagCounts)
{
    // Ending a group leaves its items counted on their tag, so the host is never told of them.
    ClientGroup ended = m_client.addGroup("Ended");
    ended.addItem({"Life.Value"});
    ended.release();
    m_client.release();
    auto other = ClientConnection::connect();
    ClientGroup group = other.addGroup("Other");
    const OPCHANDLE item = group.addItem({"Life.Value"});
    auto& host = HostRecorder::start();
    EXPECT_EQ(group.removeItems({item}), std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(host.removals().empty());
}

TEST_F(GroupLifetime, LastReleaseAndRemoveGroupEndTheGroupOnce)
{
    // Whichever of the two comes second ends the group; neither touches it afterwards.
    constexpr int kRounds = 300;
    for (int round = 0; round < kRounds; ++round) {
        OPCHANDLE handle = 0;
        ClientGroup group = m_client.addGroup("Race", {}, &handle);
        std::atomic<bool> go{false};
        std::thread releaser([&] {
            while (!go) std::this_thread::yield();
            group.release();
        });
        std::thread remover([&] {
            while (!go) std::this_thread::yield();
            EXPECT_EQ(m_client.server()->RemoveGroup(handle, round % 2), S_OK);
        });
        go = true;
        releaser.join();
        remover.join();
        ASSERT_TRUE(m_client.groupNames().empty());
    }
}

} // namespace
