// Many clients at once: client threads add, use and remove groups and items, two of them on
// each connection, ending each other's groups, while a host thread updates, removes and
// recreates tags and the timer scans. Run under the sanitizers, it finds races and lifetime
// faults; the checks here say every call kept to its contract.
#include "fixtures/opc_client.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using vetrel::Variant;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::ItemDef;

constexpr int kTags = 8;
constexpr int kConnections = 2;
constexpr int kThreadsPerConnection = 2;
constexpr int kRounds = 100;

std::string tagName(int n)
{
    return "Stress." + std::to_string(n);
}

bool succeededOrEnded(HRESULT hr)
{
    // A partner thread may end the group at any moment: E_FAIL is then the only answer.
    return SUCCEEDED(hr) || hr == E_FAIL;
}

// One client thread's work on its share of a connection.
void useConnection(const ClientConnection& client, int thread)
{
    ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0);
    std::vector<ItemDef> items;
    for (int n = 0; n <= kTags; ++n) items.push_back({tagName(n), "", VT_BSTR});
    items.push_back({"Stress.Missing"});
    for (int round = 0; round < kRounds; ++round) {
        // The partner may end the group before this thread asks for its interfaces.
        const auto name =
            vetrel::test::wide("T" + std::to_string(thread) + "-" + std::to_string(round));
        OPCHANDLE handle = 0;
        DWORD rate = 0;
        ComPtr<IUnknown> added;
        ASSERT_EQ(client.server()->AddGroup(name.c_str(), TRUE, 10, 0, nullptr, nullptr, 0, &handle,
                                            &rate, IID_IUnknown, added.put()),
                  S_OK);
        ClientGroup group(added.get());
        if (!group.complete()) continue;

        HRESULT hr = S_OK;
        const auto results = group.addItems(items, &hr);
        EXPECT_TRUE(hr == S_FALSE || hr == E_FAIL) << std::hex << hr;
        std::vector<OPCHANDLE> handles;
        for (const auto& item : results)
            if (item.error == S_OK) handles.push_back(item.serverHandle);
        if (!handles.empty()) {
            group.read(handles, OPC_DS_DEVICE, &hr);
            EXPECT_TRUE(succeededOrEnded(hr));
            group.write({handles[0]}, {Variant(vetrel::test::r4(static_cast<float>(round)))}, &hr);
            EXPECT_TRUE(succeededOrEnded(hr));
        }
        ComPtr<IUnknown> clone;
        hr = group.state()->CloneGroup(nullptr, IID_IUnknown, clone.put());
        EXPECT_TRUE(succeededOrEnded(hr)) << std::hex << hr;
        ComPtr<IUnknown> enumerator;
        hr = group.items()->CreateEnumerator(IID_IEnumOPCItemAttributes, enumerator.put());
        EXPECT_TRUE(succeededOrEnded(hr));
        if (!handles.empty()) {
            handles.resize(handles.size() / 2);
            group.removeItems(handles, &hr);
            EXPECT_TRUE(succeededOrEnded(hr));
        }

        // End whatever groups this connection lists, the partner's included, now and then
        // by force while their owners still use them.
        const bool force = round % 3 == 0;
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(
            client.server()->CreateGroupEnumerator(OPC_ENUM_ALL, IID_IEnumUnknown, unknown.put()),
            S_OK);
        auto listed = unknown.as<IEnumUnknown>(IID_IEnumUnknown);
        IUnknown* next = nullptr;
        while (listed->Next(1, &next, nullptr) == S_OK) {
            OPCHANDLE listedHandle = 0;
            DWORD rate = 0;
            BOOL active = FALSE;
            LPWSTR listedName = nullptr;
            LONG bias = 0;
            FLOAT deadband = 0;
            DWORD lcid = 0;
            OPCHANDLE clientHandle = 0;
            auto state = ComPtr<IUnknown>(next).as<IOPCGroupStateMgt>(IID_IOPCGroupStateMgt);
            next->Release();
            if (state && state->GetState(&rate, &active, &listedName, &bias, &deadband, &lcid,
                                         &clientHandle, &listedHandle) == S_OK) {
                CoTaskMemFree(listedName);
                const HRESULT removed = client.server()->RemoveGroup(listedHandle, force);
                EXPECT_TRUE(removed == S_OK || removed == E_FAIL);
            }
        }
        hr = group.state()->SetState(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_TRUE(succeededOrEnded(hr));
    }
    CoUninitialize();
}

TEST(ServerStress, ClientsAndHostWorkConcurrentlyAndLeaveNothingBehind)
{
    vetrel::test::startRuntime(10);
    std::vector<DWORD> tags;
    for (int n = 0; n < kTags; ++n)
        tags.push_back(CreateTagA(tagName(n).c_str(), vetrel::test::r4(0.0f), 0xC0, TRUE));

    std::atomic<bool> stop{false};
    std::thread host([&] {
        for (int tick = 0; !stop; ++tick) {
            for (const DWORD tag : tags)
                EXPECT_TRUE(UpdateTag(tag, vetrel::test::r4(static_cast<float>(tick)), 0xC0));
            EXPECT_TRUE(UpdateTagByNameA(tagName(0).c_str(), vetrel::test::i4(tick), 0x40));
            // A tag that comes and goes under the items that follow it.
            const DWORD volatileTag =
                CreateTagA(tagName(kTags).c_str(), vetrel::test::i4(tick), 0xC0, TRUE);
            UpdateTag(volatileTag, vetrel::test::i4(-tick), 0xC0);
            RemoveTag(volatileTag);
            RefreshAllClients();
            std::this_thread::yield();
        }
    });

    {
        std::vector<ClientConnection> connections;
        for (int c = 0; c < kConnections; ++c) connections.push_back(ClientConnection::connect());
        std::vector<std::thread> clients;
        for (int t = 0; t < kConnections * kThreadsPerConnection; ++t)
            clients.emplace_back(useConnection, std::cref(connections[t / kThreadsPerConnection]),
                                 t);
        for (auto& client : clients) client.join();
        EXPECT_EQ(NumbrClientConnections(), kConnections);
    }
    stop = true;
    host.join();
    EXPECT_EQ(NumbrClientConnections(), 0);
    for (const DWORD tag : tags) EXPECT_TRUE(RemoveTag(tag));
}

} // namespace
