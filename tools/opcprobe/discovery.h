// `opcprobe list`: the OPC servers of this machine, found by the component categories they
// implement, through the server-list service (OPC.ServerList) or in the registry directly.
#pragma once

#include "vetrel/com.h"

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

// A line naming the route, then per server its ProgID and indented lines of its class,
// description and categories.
std::string listText(const ServerListing& listing);
// {"route": "server list" or "registry", "servers": [{"progId", "clsid", "description",
// "implements": [...]}]}.
nlohmann::json listJson(const ServerListing& listing);

} // namespace opcprobe
