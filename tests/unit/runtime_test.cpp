// Start-up, the class object and the server list, as a host and its in-process clients see them.
#include "support/trace_recorder.h"
#include "vetrel/opc.h"
#include "vetrel/vetrel.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using vetrel::test::TraceRecorder;

constexpr CLSID kServerClass = {
    0x6A1D3C42, 0x0F5B, 0x4E1A, {0x9C, 0x21, 0x07, 0x3B, 0x55, 0xE0, 0x10, 0x0A}};

// One runtime per process: every test of this program shares it.
class Runtime : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(InitVetrel(kServerClass, 3));
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED) >= 0, true);
    }

    static HRESULT connect(REFIID riid, void** object)
    {
        return CoCreateInstance(kServerClass, nullptr, CLSCTX_LOCAL_SERVER, riid, object);
    }
};

TEST_F(Runtime, StartsOnlyOnce)
{
    EXPECT_FALSE(InitVetrel(kServerClass, 100));
    BYTE raw[16];
    std::memcpy(raw, &kServerClass, sizeof raw);
    EXPECT_FALSE(InitVetrelB(raw, 100));
}

TEST_F(Runtime, CountsOneServerPerConnection)
{
    auto& trace = TraceRecorder::start();
    ASSERT_EQ(NumbrClientConnections(), 0);
    IUnknown* first = nullptr;
    IUnknown* second = nullptr;
    ASSERT_EQ(connect(IID_IUnknown, reinterpret_cast<void**>(&first)), S_OK);
    ASSERT_EQ(connect(IID_IUnknown, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(NumbrClientConnections(), 2);
    EXPECT_EQ(RequestDisconnect(), 2);
    EXPECT_TRUE(trace.contains("OPCServer::QueryInterface IID_IUnknown"));
    EXPECT_TRUE(trace.contains("OPCServer::AddRef(1)"));

    EXPECT_EQ(first->AddRef(), 2u);
    EXPECT_EQ(first->Release(), 1u);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_TRUE(trace.contains("OPCServer::Release(2)"));
    EXPECT_TRUE(trace.contains("OPCServer::Release(1)"));
    EXPECT_EQ(NumbrClientConnections(), 1);
    EXPECT_EQ(second->Release(), 0u);
    EXPECT_EQ(NumbrClientConnections(), 0);
}

TEST_F(Runtime, RefusedInterfaceLeavesNoServerBehind)
{
    auto& trace = TraceRecorder::start();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(connect(IID_IOPCServerPublicGroups, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(NumbrClientConnections(), 0);
    EXPECT_EQ(connect(IID_IMarshal, &object), E_NOINTERFACE);
    EXPECT_TRUE(trace.contains("OPCServer::QueryInterface IID_IMarshal"));
    EXPECT_EQ(NumbrClientConnections(), 0);
}

TEST_F(Runtime, ClassFactoryRefusesAggregationAndNullOutputs)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(kServerClass, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    IUnknown* outer = factory;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_INVALIDARG);
    EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_INVALIDARG);
    EXPECT_EQ(factory->QueryInterface(IID_IOPCServer, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(NumbrClientConnections(), 0);
    factory->Release();
}

TEST_F(Runtime, ServerQueryInterfaceChecksItsOutput)
{
    IUnknown* server = nullptr;
    ASSERT_EQ(connect(IID_IUnknown, reinterpret_cast<void**>(&server)), S_OK);
    auto& trace = TraceRecorder::start();
    EXPECT_EQ(server->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    EXPECT_TRUE(trace.contains("OPCServer::QueryInterface E_INVALIDARG"));
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(server->QueryInterface(IID_IPersistFile, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(server->Release(), 0u);
}

TEST_F(Runtime, ServerRateChangesAreAccepted)
{
    EXPECT_TRUE(ResetServerRate(5));
    EXPECT_TRUE(ResetServerRate(250));
    EXPECT_TRUE(RefreshAllClients());
}

} // namespace
