// regsvr32 of our proxy/stub DLL makes COM marshal every OPC interface through it, with the
// method count of the published interface.
#include "classes_registry.h"
#include "vetrel/opc.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using e2e::classesValue;
using e2e::guidText;

struct MarshalledInterface
{
    const char* name;
    const IID& iid;
    int methods; // IUnknown's three included
};

const MarshalledInterface kInterfaces[] = {
    {"IOPCServer", IID_IOPCServer, 9},
    {"IOPCServerPublicGroups", IID_IOPCServerPublicGroups, 5},
    {"IOPCBrowseServerAddressSpace", IID_IOPCBrowseServerAddressSpace, 8},
    {"IOPCGroupStateMgt", IID_IOPCGroupStateMgt, 7},
    {"IOPCPublicGroupStateMgt", IID_IOPCPublicGroupStateMgt, 5},
    {"IOPCSyncIO", IID_IOPCSyncIO, 5},
    {"IOPCAsyncIO", IID_IOPCAsyncIO, 7},
    {"IOPCItemMgt", IID_IOPCItemMgt, 10},
    {"IEnumOPCItemAttributes", IID_IEnumOPCItemAttributes, 7},
    {"IOPCDataCallback", IID_IOPCDataCallback, 7},
    {"IOPCAsyncIO2", IID_IOPCAsyncIO2, 9},
    {"IOPCItemProperties", IID_IOPCItemProperties, 6},
    {"IOPCCommon", IID_IOPCCommon, 8},
    {"IOPCShutdown", IID_IOPCShutdown, 4},
    {"IOPCServerList", IID_IOPCServerList, 6},
    {"IOPCEnumGUID", IID_IOPCEnumGUID, 7},
    {"IOPCServerList2", IID_IOPCServerList2, 6},
    {"IOPCEventServer", IID_IOPCEventServer, 19},
    {"IOPCEventSubscriptionMgt", IID_IOPCEventSubscriptionMgt, 11},
    {"IOPCEventAreaBrowser", IID_IOPCEventAreaBrowser, 7},
    {"IOPCEventSink", IID_IOPCEventSink, 4},
};

TEST(ProxyRegistration, EveryOpcInterfaceIsMarshalledByOurDll)
{
    std::string proxyClass;
    for (const MarshalledInterface& marshalled : kInterfaces) {
        const std::string key = "Interface\\" + guidText(marshalled.iid);
        EXPECT_EQ(classesValue(key), marshalled.name);
        EXPECT_EQ(classesValue(key + "\\NumMethods"), std::to_string(marshalled.methods))
            << marshalled.name;
        const std::string stubClass = classesValue(key + "\\ProxyStubClsid32");
        ASSERT_FALSE(stubClass.empty()) << marshalled.name;
        if (proxyClass.empty()) proxyClass = stubClass;
        EXPECT_EQ(stubClass, proxyClass) << marshalled.name << " goes to another DLL";
    }
    const std::string dll = classesValue("CLSID\\" + proxyClass + "\\InprocServer32");
    EXPECT_NE(dll.find("VetrelProxy.dll"), std::string::npos) << dll;
}

} // namespace
