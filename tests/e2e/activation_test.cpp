// A client in its own process activates the example host through COM, and the host serves it
// for as long as it stays connected.
#include "example_tags.h"
#include "host_process.h"
#include "opc_client.h"

#include <gtest/gtest.h>

namespace {

using vetrel::ComPtr;

// Long enough for a host to notice its last client left and to unload under a loaded machine;
// a host that does not exit at all fails the test after it.
constexpr DWORD kExitTimeoutMs = 30000;

class Activation : public ::testing::Test
{
protected:
    // Every case starts the host afresh: the last one must be gone, or a new client could
    // reach a host that is already on its way out.
    void TearDown() override
    {
        for (DWORD host : e2e::hostProcesses())
            EXPECT_EQ(e2e::waitForExit(host, kExitTimeoutMs), 0u);
    }

    e2e::Apartment m_apartment;
};

TEST_F(Activation, ComStartsTheHostAndEveryCallCrossesToIt)
{
    HRESULT hr = E_FAIL;
    ComPtr<IUnknown> server = e2e::activateHost<IUnknown>(IID_IUnknown, &hr);
    ASSERT_EQ(hr, S_OK);
    ASSERT_TRUE(server);
    EXPECT_EQ(e2e::hostProcesses().size(), 1u);

    // COM identity holds across the process boundary.
    ComPtr<IUnknown> again = server.as<IUnknown>(IID_IUnknown);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.get(), server.get());
    EXPECT_GE(server->AddRef(), 2u);
    EXPECT_GE(server->Release(), 1u);

    // A standard interface the server does not implement is refused by the server, not by a
    // missing proxy.
    ComPtr<IUnknown> absent;
    EXPECT_EQ(server->QueryInterface(IID_IClassFactory, absent.putVoid()), E_NOINTERFACE);
    EXPECT_FALSE(absent);
}

TEST_F(Activation, HostServesEveryClientAndExitsWhenTheLastHasLeft)
{
    ComPtr<IUnknown> first = e2e::activateHost<IUnknown>(IID_IUnknown);
    ComPtr<IUnknown> second = e2e::activateHost<IUnknown>(IID_IUnknown);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_NE(first.get(), second.get());
    const std::vector<DWORD> hosts = e2e::hostProcesses();
    ASSERT_EQ(hosts.size(), 1u) << "both clients share one running host";

    first.reset();
    // The host still counts the second client: a call reaches it.
    EXPECT_TRUE(second.as<IUnknown>(IID_IUnknown));
    EXPECT_FALSE(e2e::waitForExit(hosts.front(), 0));

    second.reset();
    const std::optional<DWORD> exitCode = e2e::waitForExit(hosts.front(), kExitTimeoutMs);
    ASSERT_TRUE(exitCode) << "the host kept running after its last client left";
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_TRUE(e2e::hostProcesses().empty());
}

TEST_F(Activation, AClientCanTellTheHostToQuit)
{
    HRESULT hr = E_FAIL;
    ComPtr<IOPCServer> server = e2e::activateHost<IOPCServer>(IID_IOPCServer, &hr);
    ASSERT_EQ(hr, S_OK);
    const std::vector<DWORD> hosts = e2e::hostProcesses();
    ASSERT_EQ(hosts.size(), 1u);
    const e2e::AddedGroup group = e2e::addGroup(server.get(), "Control", 1000, 1);
    ASSERT_TRUE(group.items);
    const std::vector<e2e::AddedItem> quit =
        e2e::addItems(group.items.get(), {example::kQuit}, &hr);
    ASSERT_EQ(quit.size(), 1u);
    ComPtr<IOPCSyncIO> io = group.items.as<IOPCSyncIO>(IID_IOPCSyncIO);
    ASSERT_TRUE(io);

    VARIANT yes;
    VariantInit(&yes);
    yes.vt = VT_BOOL;
    yes.boolVal = VARIANT_TRUE;
    EXPECT_EQ(e2e::writeItems(io.get(), {quit[0].handle}, {yes}, &hr), std::vector<HRESULT>{S_OK});
    // The host ends although this client is still connected.
    EXPECT_EQ(e2e::waitForExit(hosts.front(), kExitTimeoutMs), 0u);
}

} // namespace
