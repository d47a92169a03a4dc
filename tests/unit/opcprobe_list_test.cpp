// opcprobe list from the registry's component categories, as it reads them where no server list
// is registered: which classes count as servers, and how they are shown.
#include "comkit/guid_text.h"
#include "discovery.h"
#include "session.h"
#include "support/registry_keys.h"
#include "vetrel/opc.h"

#include <gtest/gtest.h>

namespace {

using namespace opcprobe;
using vetrel::formatGuid;

constexpr GUID kOwnCategory = {
    0x7A41D2E0, 0x13C5, 0x4E9B, {0xB8, 0x6F, 0x20, 0x5D, 0x91, 0xC4, 0x3A, 0x01}};

struct Registered
{
    CLSID clsid;
    const char* progId;
    std::vector<GUID> implemented;
    std::vector<GUID> required;
    // What the listing shows it implementing; nothing for a class it leaves out.
    std::vector<std::string> implements;
};

// The classes of the test's own, told apart by their last byte.
constexpr CLSID ownClass(unsigned char last)
{
    return {0x7A41D2E0, 0x13C5, 0x4E9B, {0xB8, 0x6F, 0x20, 0x5D, 0x91, 0xC4, 0x3A, last}};
}

const Registered kClasses[] = {
    {ownClass(0x11),
     "List.Zeta",
     {CATID_OPCDAServer20, CATID_OPCAEServer10},
     {},
     {"DA 2.0", "AE 1.0"}},
    {ownClass(0x12),
     "List.Alpha",
     {CATID_OPCDAServer30, CATID_OPCDAServer10},
     {},
     {"DA 1.0", "DA 3.0"}},
    // A server that needs what no client offers, and a class of no OPC category.
    {ownClass(0x13), "List.Needy", {CATID_OPCDAServer20}, {kOwnCategory}, {}},
    {ownClass(0x14), "List.Other", {kOwnCategory}, {}, {}},
};

void registerClasses()
{
    using vetrel::test::createKey;
    const auto setKey = [](const std::string& path, const std::string& text) {
        HKEY key = createKey(HKEY_CLASSES_ROOT, path);
        ASSERT_TRUE(key) << path;
        if (!text.empty()) vetrel::test::setValue(key, nullptr, REG_SZ, vetrel::test::sz(text));
        RegCloseKey(key);
    };
    for (const Registered& registered : kClasses) {
        const std::string key = "CLSID\\" + formatGuid(registered.clsid);
        setKey(key, std::string(registered.progId) + " class");
        setKey(key + "\\ProgID", registered.progId);
        for (const GUID& category : registered.implemented)
            setKey(key + "\\Implemented Categories\\" + formatGuid(category), "");
        for (const GUID& category : registered.required)
            setKey(key + "\\Required Categories\\" + formatGuid(category), "");
    }
}

TEST(OpcProbeList, ListsTheServersOfTheRegistrysCategories)
{
    registerClasses();
    const ServerListing listing = listServers(DiscoveryRoute::Registry);
    EXPECT_FALSE(listing.throughServerList);
    // The registry may hold other servers: only the test's own are looked at.
    std::vector<ListedServer> own;
    for (const ListedServer& server : listing.servers)
        if (formatGuid(server.clsid).starts_with("{7A41D2E0-")) own.push_back(server);
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own[0].progId, "List.Alpha");
    EXPECT_EQ(own[0].description, "List.Alpha class");
    EXPECT_EQ(own[0].implements, kClasses[1].implements);
    EXPECT_EQ(own[1].progId, "List.Zeta");
    EXPECT_EQ(own[1].implements, kClasses[0].implements);

    const ServerListing shown{true, own};
    EXPECT_EQ(listText(shown), "through the server list OPC.ServerList:\n"
                               "List.Alpha\n"
                               "  class:       {7A41D2E0-13C5-4E9B-B86F-205D91C43A12}\n"
                               "  description: List.Alpha class\n"
                               "  implements:  DA 1.0, DA 3.0\n"
                               "List.Zeta\n"
                               "  class:       {7A41D2E0-13C5-4E9B-B86F-205D91C43A11}\n"
                               "  description: List.Zeta class\n"
                               "  implements:  DA 2.0, AE 1.0\n");
    EXPECT_EQ(listJson(shown), nlohmann::json::parse(R"({"route": "server list", "servers": [
        {"progId": "List.Alpha", "clsid": "{7A41D2E0-13C5-4E9B-B86F-205D91C43A12}",
         "description": "List.Alpha class", "implements": ["DA 1.0", "DA 3.0"]},
        {"progId": "List.Zeta", "clsid": "{7A41D2E0-13C5-4E9B-B86F-205D91C43A11}",
         "description": "List.Zeta class", "implements": ["DA 2.0", "AE 1.0"]}]})"));
    EXPECT_EQ(listText(ServerListing{}),
              "through the registry's component categories:\nno OPC server is registered\n");

    for (const Registered& registered : kClasses)
        vetrel::test::deleteTree(HKEY_CLASSES_ROOT, "CLSID\\" + formatGuid(registered.clsid));
    // No server list is registered in the test's registry: asked for, it is a failure.
    EXPECT_THROW(listServers(DiscoveryRoute::ServerList), ProbeFailure);
}

} // namespace
