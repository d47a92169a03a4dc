#include "server/opc_server.h"

#include "comkit/query_interface.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "server/server_list.h"

#include <cstdio>
#include <new>

namespace vetrel {

namespace {

std::atomic<unsigned> lastConnectionNumber{0};

} // namespace

OPCServer::OPCServer()
    : m_connectionNumber(++lastConnectionNumber),
      m_lane([number = m_connectionNumber](HRESULT hr, const char* method) {
          char reason[80];
          std::snprintf(reason, sizeof reason, "%s answered 0x%08lX", method,
                        static_cast<unsigned long>(hr));
          dropConnection(number, reason);
      })
{
    CoFileTimeNow(&m_creationTime);
}

HRESULT OPCServer::serveNewClient(REFIID riid, void** object)
{
    auto* server = new (std::nothrow) OPCServer;
    if (!server) return E_OUTOFMEMORY;
    const HRESULT hr = server->QueryInterface(riid, object);
    if (FAILED(hr)) {
        delete server;
        return hr;
    }
    try {
        auto held = holdRuntimeLock();
        listedServers().add(*server);
    } catch (const std::bad_alloc&) {
        *object = nullptr;
        delete server;
        return E_OUTOFMEMORY;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE OPCServer::QueryInterface(REFIID riid, void** object) noexcept
{
    // The container is made at the client's first request for it.
    IUnknown* container = !m_inert && IsEqualIID(riid, IID_IConnectionPointContainer)
                              ? m_connections.obtain()
                              : nullptr;
    const InterfaceRow rows[] = {
        {IID_IUnknown, " IID_IUnknown", static_cast<IUnknown*>(this)},
        {IID_IOPCServer, " IID_IOPCServer", &m_serverObject},
        {IID_IOPCServerPublicGroups, " IID_IOPCServerPublicGroups", nullptr},
        {IID_IOPCBrowseServerAddressSpace, " IID_IOPCBrowseServerAddressSpace", &m_browseObject},
        {IID_IOPCItemProperties, " IID_IOPCItemProperties", &m_itemPropertiesObject},
        {IID_IPersistFile, " IID_IPersistFile", nullptr},
        {IID_IPersist, " IID_IPersistFile", nullptr},
        {IID_IConnectionPointContainer, " IID_IConnectionPointContainer", container},
        {IID_IOPCCommon, " IID_IOPCCommon", &m_commonObject},
        {IID_IOPCEventServer, " IID_IOPCEventServer", &m_eventServerObject},
        {IID_IOPCItemIO, " IID_IOPCItemIO", &m_itemIOObject},
        {IID_IOPCBrowse, " IID_IOPCBrowse", &m_opcBrowseObject},
    };
    return answerQueryInterface("OPCServer::QueryInterface", rows, riid, object, *this, m_inert);
}

ULONG STDMETHODCALLTYPE OPCServer::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace("OPCServer::AddRef(%d)", static_cast<int>(count));
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE OPCServer::Release() noexcept
{
    PendingDisconnects disconnects;
    auto held = holdRuntimeLock();
    trace("OPCServer::Release(%d)", static_cast<int>(m_refCount.load()));
    return static_cast<ULONG>(releaseReference(disconnects));
}

LONG OPCServer::releaseReference(PendingDisconnects& disconnects) noexcept
{
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) {
        // A server the unload detached is no longer listed.
        listedServers().remove(*this);
        endGroups(disconnects);
        m_subscriptions.endAll(disconnects);
        delete this;
    }
    return count;
}

void OPCServer::retain() noexcept
{
    m_refCount.fetch_add(1);
}

void OPCServer::drop() noexcept
{
    PendingDisconnects disconnects;
    auto held = holdRuntimeLock();
    releaseReference(disconnects);
}

HRESULT OPCServer::addGroup(std::string name, const GroupState& state, REFIID riid,
                            IUnknown** ppUnk, OPCGroup*& added)
{
    assertLockHeld();
    auto* group = new OPCGroup(*this, std::move(name), state);
    const HRESULT hr = group->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
    if (SUCCEEDED(hr)) {
        try {
            if (m_groups.append(*group)) {
                added = group;
                return hr;
            }
        } catch (const std::bad_alloc&) {}
        // The client never saw the reference QueryInterface took for it.
        *ppUnk = nullptr;
    }
    delete group;
    return SUCCEEDED(hr) ? E_OUTOFMEMORY : hr;
}

HRESULT OPCServer::claimGroupName(std::string& name)
{
    if (name.empty()) name = m_groups.defaultName();
    return m_groups.findByName(name) ? OPC_E_DUPLICATENAME : S_OK;
}

HRESULT OPCServer::addNamedGroup(std::string name, const GroupState& state, REFIID riid,
                                 IUnknown** ppUnk, OPCGroup*& added)
{
    const HRESULT claimed = claimGroupName(name);
    if (FAILED(claimed)) return claimed;
    return addGroup(std::move(name), state, riid, ppUnk, added);
}

void OPCServer::removeGroup(OPCGroup& group, bool force, PendingDisconnects& disconnects) noexcept
{
    assertLockHeld();
    m_groups.remove(group);
    group.detach(force, disconnects);
}

void OPCServer::scan(DWORD serverRate, bool force, std::vector<OPCItem*>& scratch,
                     DeliveryWaits* waits) noexcept
{
    ClientDeliveries due;
    try {
        // Every group's requests are answered before any group of the server reports.
        m_groups.forEach([&](OPCGroup& group) { drainRequests(group, due); });
        m_groups.forEach([&](OPCGroup& group) { group.scan(serverRate, force, scratch, due); });
    } catch (const std::bad_alloc&) {
        // Without memory the scan ends early; what was prepared is still sent.
    }
    m_lane.post(due, waits);
}

void OPCServer::endGroups(PendingDisconnects& disconnects) noexcept
{
    while (OPCGroup* group = m_groups.front()) removeGroup(*group, true, disconnects);
}

void OPCServer::detach(PendingDisconnects& disconnects,
                       std::vector<ItemRemovalNotice>* removals) noexcept
{
    assertLockHeld();
    m_inert = true;
    m_lane.abandon();
    if (removals)
        m_groups.forEach([removals](OPCGroup& group) { group.removeAllItems(*removals); });
    endGroups(disconnects);
    m_subscriptions.endAll(disconnects);
    disconnects.add(*this);
}

} // namespace vetrel
