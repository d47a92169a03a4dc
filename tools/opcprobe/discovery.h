// `opcprobe list`: the OPC servers of this machine, found by the component categories they
// implement, through the server-list service (OPC.ServerList) or in the registry directly.
#pragma once

#include "vetrel/com.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace opcprobe {

enum class DiscoveryRoute
{
    // The server-list service when it is registered, else the registry.
    Automatic,
    ServerList,
    Registry,
};

struct ListedServer
{
    CLSID clsid{};
    std::string progId;
    // The user type: the default value of the class's key.
    std::string description;
    // "DA 1.0", "DA 2.0", "DA 3.0", "AE 1.0": the categories it implements, in that order.
    std::vector<std::string> implements{};
};

struct ServerListing
{
    // Whether the server-list service answered, rather than the registry read by the probe.
    bool throughServerList = false;
    // By ProgID, then by class.
    std::vector<ListedServer> servers;
};

// Throws ProbeFailure when the route chosen cannot be taken or the service fails a call.
ServerListing listServers(DiscoveryRoute route);

// Throws ProbeFailure naming what when result is a failure.
void throwIfFailed(HRESULT result, const std::string& what);

// Every class the enumerator (IEnumGUID or IOPCEnumGUID) has left, a few at a time. Throws
// ProbeFailure when Next fails.
template <typename Enumerator> std::vector<CLSID> remainingClasses(Enumerator* classes)
{
    std::vector<CLSID> found;
    for (;;) {
        GUID batch[16];
        ULONG fetched = 0;
        const HRESULT hr = classes->Next(16, batch, &fetched);
        throwIfFailed(hr, "Next of the server list's enumerator");
        found.insert(found.end(), batch, batch + std::min<ULONG>(fetched, 16));
        if (hr != S_OK) return found;
    }
}

// A line naming the route, then per server its ProgID and indented lines of its class,
// description and categories.
std::string listText(const ServerListing& listing);
// {"route": "server list" or "registry", "servers": [{"progId", "clsid", "description",
// "implements": [...]}]}.
nlohmann::json listJson(const ServerListing& listing);

} // namespace opcprobe
