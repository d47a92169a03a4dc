// Start-up, the class object and the server list, as a host and its in-process clients see them.
#include "support/trace_recorder.h"
#include "vetrel/opc.h"
#include "vetrel/vetrel.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

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
    // Aggregation is refused before the output is looked at.
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, nullptr), CLASS_E_NOAGGREGATION);
    // Without an output the new server refuses the request itself and is not listed.
    auto& trace = TraceRecorder::start();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_INVALIDARG);
    EXPECT_TRUE(trace.contains("OPCServer::QueryInterface E_INVALIDARG"));
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

// The vendor text a client's server status reports.
std::string statusVendor(IOPCServer* server)
{
    OPCSERVERSTATUS* status = nullptr;
    EXPECT_EQ(server->GetStatus(&status), S_OK);
    if (!status) return "<no status>";
    std::string vendor;
    for (const WCHAR* unit = status->szVendorInfo; unit && *unit; ++unit)
        vendor += static_cast<char>(*unit);
    CoTaskMemFree(status->szVendorInfo);
    CoTaskMemFree(status);
    return vendor;
}

TEST_F(Runtime, VendorTextHasADefaultAndThePlainFormCutsIt)
{
    IOPCServer* server = nullptr;
    ASSERT_EQ(connect(IID_IOPCServer, reinterpret_cast<void**>(&server)), S_OK);
    EXPECT_EQ(statusVendor(server), "Drevik Software Design OPC Server");
    SetVendorInfo(std::string(450, 'v'));
    EXPECT_EQ(statusVendor(server), std::string(399, 'v'));
    SetVendorInfoA("Runtime Vendor");
    EXPECT_EQ(statusVendor(server), "Runtime Vendor");
    server->Release();
}

// A group asking for no particular rate runs at the server rate.
DWORD defaultGroupRate(IOPCServer* server)
{
    static const WCHAR noName[] = {0};
    OPCHANDLE handle = 0;
    DWORD revised = 0;
    IUnknown* group = nullptr;
    EXPECT_EQ(server->AddGroup(noName, TRUE, 0, 1, nullptr, nullptr, 0, &handle, &revised,
                               IID_IUnknown, &group),
              S_OK);
    if (group) group->Release();
    return revised;
}

TEST_F(Runtime, ServerRateNeverFallsBelowTenMilliseconds)
{
    IOPCServer* server = nullptr;
    ASSERT_EQ(connect(IID_IOPCServer, reinterpret_cast<void**>(&server)), S_OK);
    EXPECT_EQ(defaultGroupRate(server), 10u) << "started with 3 ms";
    EXPECT_TRUE(ResetServerRate(250));
    EXPECT_EQ(defaultGroupRate(server), 250u);
    EXPECT_TRUE(ResetServerRate(5));
    EXPECT_EQ(defaultGroupRate(server), 10u);
    EXPECT_TRUE(RefreshAllClients());
    server->Release();
    EXPECT_EQ(NumbrClientConnections(), 0);
}

} // namespace
