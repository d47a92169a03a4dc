// The servers of the client connections the runtime serves, in the order they connected. The
// caller holds the runtime lock.
#pragma once

#include "vetrel/com.h"

#include <span>
#include <vector>

namespace vetrel {

class OPCServer;

class ServerList
{
public:
    ServerList() = default;
    ServerList(const ServerList&) = delete;
    ServerList& operator=(const ServerList&) = delete;

    // Throws std::bad_alloc, listing nothing.
    void add(OPCServer& server) { m_servers.push_back(&server); }
    // False when server is not listed: the runtime has dropped it already.
    bool remove(OPCServer& server) noexcept;
    // The listed server of a connection number, or null.
    OPCServer* find(unsigned connection) const noexcept;
    std::span<OPCServer* const> all() const noexcept { return m_servers; }
    void clear() noexcept { m_servers.clear(); }

private:
    std::vector<OPCServer*> m_servers;
};

// The runtime's servers. The caller holds the runtime lock.
ServerList& listedServers() noexcept;

// The connection numbered connection ends, for the reason given, as if its client had removed
// everything and released the server: the host's count of connections drops. Nothing when it
// already ended. The references a frozen client holds are let go on a thread of their own,
// which that client may hold up. The caller does not hold the runtime lock.
void dropConnection(unsigned connection, const char* reason, bool frozen = false) noexcept;

} // namespace vetrel
