#include "server/server_list.h"

#include "comkit/pending_disconnects.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "server/opc_server.h"

#include <algorithm>

namespace vetrel {

bool ServerList::remove(OPCServer& server) noexcept
{
    return std::erase(m_servers, &server) != 0;
}

OPCServer* ServerList::find(unsigned connection) const noexcept
{
    const auto listed = std::find_if(m_servers.begin(), m_servers.end(), [&](OPCServer* server) {
        return server->connectionNumber() == connection;
    });
    return listed == m_servers.end() ? nullptr : *listed;
}

ServerList& listedServers() noexcept
{
    assertLockHeld();
    static ServerList servers;
    return servers;
}

void dropConnection(unsigned connection, const char* reason, bool frozen) noexcept
{
    PendingDisconnects disconnects;
    std::vector<ItemRemovalNotice> removals;
    {
        auto held = holdRuntimeLock();
        OPCServer* server = listedServers().find(connection);
        if (!server) return;
        listedServers().remove(*server);
        trace("Client connection %u dropped: %s", connection, reason);
        server->detach(disconnects, &removals);
    }
    tellHostOfRemovals(removals);
    if (frozen) disconnects.runElsewhere();
}

} // namespace vetrel
