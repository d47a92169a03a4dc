// OPCServer: the object one client connection receives from the class factory. It owns the
// client's groups and hands out the server's interfaces as interface objects.
#pragma once

#include "comkit/client_lane.h"
#include "comkit/connection_point.h"
#include "comkit/pending_disconnects.h"
#include "events/subscription_list.h"
#include "server/browse.h"
#include "server/common_interface.h"
#include "server/event_server.h"
#include "server/group_list.h"
#include "server/item_properties.h"
#include "server/opc_browse.h"
#include "server/server_interface.h"
#include "server/server_item_io.h"
#include "vetrel/opc.h"

#include <atomic>
#include <string>

namespace vetrel {

class OPCServer final : public IUnknown, public Detachable, public GroupOwner
{
public:
    OPCServer();
    OPCServer(const OPCServer&) = delete;
    OPCServer& operator=(const OPCServer&) = delete;

    // The class factory's work: a new server, listed, whose interface riid goes to object.
    static HRESULT serveNewClient(REFIID riid, void** object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // Everything below: the caller holds the runtime lock.

    // Detached by the unload, or dropped with its client gone: every call answers an error.
    bool inert() const noexcept { return m_inert; }
    // The number of the connection in the process, for trace lines.
    unsigned connectionNumber() const noexcept { return m_connectionNumber; }
    // Every call into this server's client goes through it.
    ClientLane& lane() noexcept { return m_lane; }
    FILETIME creationTime() const noexcept { return m_creationTime; }
    const GroupList& groups() const noexcept { return m_groups; }
    SubscriptionList& subscriptions() noexcept { return m_subscriptions; }
    const SubscriptionList& subscriptions() const noexcept { return m_subscriptions; }

    // A new group of this server: the client's interface riid of it goes to ppUnk, then it
    // joins the end of the list. On failure (the group's QueryInterface result, or
    // E_OUTOFMEMORY) nothing is left behind.
    HRESULT addGroup(std::string name, const GroupState& state, REFIID riid, IUnknown** ppUnk,
                     OPCGroup*& added);
    // An empty name becomes the next default name; OPC_E_DUPLICATENAME when a listed group
    // bears it already, else S_OK. Throws std::bad_alloc.
    HRESULT claimGroupName(std::string& name);
    HRESULT addNamedGroup(std::string name, const GroupState& state, REFIID riid, IUnknown** ppUnk,
                          OPCGroup*& added) override;
    void renameGroup(OPCGroup& group, std::string name) override
    {
        m_groups.rename(group, std::move(name));
    }
    void removeGroup(OPCGroup& group, bool force, PendingDisconnects& disconnects) noexcept;

    // One tick of the runtime's timer over the groups, in list order; the calls it prepares
    // go to the lane, and waits, when given, learns what to wait for.
    void scan(DWORD serverRate, bool force, std::vector<OPCItem*>& scratch,
              DeliveryWaits* waits) noexcept;
    // The client's IOPCShutdown sink, with a reference for the caller; empty when none.
    ComPtr<IOPCShutdown> shutdownSink() const { return m_connections.sink<IOPCShutdown>(); }

    // The runtime has taken the server out of its list (it unloads, or the client is gone):
    // the server stops calling its client, ends its groups and subscriptions and answers
    // errors from now on; its memory goes at the client's last Release. removals, when given,
    // receives the host's notices of the client's items, as if the client had removed them.
    void detach(PendingDisconnects& disconnects,
                std::vector<ItemRemovalNotice>* removals = nullptr) noexcept;

private:
    ~OPCServer() = default;

    IUnknown* identity() noexcept override { return this; }
    void disconnectParts() noexcept override { m_connections.disconnect(); }
    void retain() noexcept override;
    void drop() noexcept override;
    LONG releaseReference(PendingDisconnects& disconnects) noexcept;
    // Ends every listed group, whatever its references.
    void endGroups(PendingDisconnects& disconnects) noexcept;

    std::atomic<LONG> m_refCount{0};
    const unsigned m_connectionNumber;
    FILETIME m_creationTime{};
    std::atomic<bool> m_inert{false};
    IOPCServerObject m_serverObject{*this};
    IOPCBrowseServerAddressSpaceObject m_browseObject{*this};
    IOPCItemPropertiesObject m_itemPropertiesObject{*this};
    IOPCCommonObject m_commonObject{*this};
    IOPCEventServerObject m_eventServerObject{*this};
    IOPCItemIOObject m_itemIOObject{*this};
    IOPCBrowseObject m_opcBrowseObject{*this};
    ConnectionPointHome m_connections{*this, kServerConnectionTraces};
    GroupList m_groups;
    SubscriptionList m_subscriptions;
    // Last, so that it closes first: calls still waiting are made after the server is gone.
    ClientLane m_lane;
};

} // namespace vetrel
