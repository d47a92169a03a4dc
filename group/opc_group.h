// OPCGroup: a client's group of items, the COM identity behind the group interfaces.
#pragma once

#include "comkit/client_delivery.h"
#include "comkit/connection_point.h"
#include "comkit/intrusive_list.h"
#include "comkit/on_demand.h"
#include "comkit/pending_disconnects.h"
#include "group/async_io.h"
#include "group/async_io2.h"
#include "group/async_io3.h"
#include "group/data_object.h"
#include "group/group_owner.h"
#include "group/group_state_mgt.h"
#include "group/group_state_mgt2.h"
#include "group/item_deadband_mgt.h"
#include "group/item_list.h"
#include "group/item_mgt.h"
#include "group/request_queue.h"
#include "group/sync_io.h"
#include "group/sync_io2.h"
#include "vetrel/opc.h"

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace vetrel {

// What the client sets and reads through IOPCGroupStateMgt.
struct GroupState
{
    DWORD updateRate = 0;
    BOOL active = FALSE;
    FLOAT percentDeadband = 0.0f;
    DWORD lcid = 0;
    LONG timeBias = 0;
    OPCHANDLE clientHandle = 0;
};

// The host hears of an item's removal after the runtime lock is released, from these copies.
struct ItemRemovalNotice
{
    DWORD tagHandle;
    std::string tagName;
};

// Tells the host, with the runtime lock released, of the removal of the last item of each tag.
void tellHostOfRemovals(std::vector<ItemRemovalNotice>& notices) noexcept;

class OPCGroup final : public IUnknown, public Detachable
{
public:
    // A group of server, not yet listed and not yet referenced.
    OPCGroup(GroupOwner& server, std::string name, const GroupState& state);
    OPCGroup(const OPCGroup&) = delete;
    OPCGroup& operator=(const OPCGroup&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // Everything below: the caller holds the runtime lock.

    // Ended by a forced removal or its server's destruction: every call answers an error.
    bool inert() const noexcept { return m_inert; }
    // The owning server while the group is in its list.
    GroupOwner* server() const noexcept { return m_server; }
    const std::string& name() const noexcept { return m_name; }
    void setName(std::string name) noexcept { m_name = std::move(name); }
    GroupState& state() noexcept { return m_state; }
    const GroupState& state() const noexcept { return m_state; }
    OPCHANDLE serverHandle() const noexcept { return m_serverHandle; }
    void setServerHandle(OPCHANDLE handle) noexcept { m_serverHandle = handle; }

    const ItemList& items() const noexcept { return m_items; }
    OPCItem* findItem(OPCHANDLE serverHandle) const noexcept { return m_items.find(serverHandle); }
    // The add-item step: the item joins the list, gets its server handle and counts on tag,
    // the tag of its name as the caller found it (null when there is none). Null when no
    // handle is left. Throws std::bad_alloc, keeping nothing.
    OPCItem* addItem(std::unique_ptr<OPCItem> item, OPCTag* tag);
    // The remove-item step; false for a handle that names no item of the group. The notice
    // for the host is added when the item was the last of its tag.
    bool removeItem(OPCHANDLE serverHandle, std::vector<ItemRemovalNotice>& notices);
    // Every item, as RemoveItems would remove them. Without memory for a notice the item
    // stays, for a forced removal to end.
    void removeAllItems(std::vector<ItemRemovalNotice>& notices) noexcept;
    // Copies of every item, in list order, for a clone. Throws std::bad_alloc.
    std::vector<std::unique_ptr<OPCItem>> copyItems() const;

    // The percent deadband a tag update of item is judged by: its own, else the group's.
    FLOAT deadbandOf(const OPCItem& item) const noexcept
    {
        return item.m_ownDeadband ? m_itemDeadbands.find(item.m_serverHandle)->second
                                  : m_state.percentDeadband;
    }
    // The item's own deadband, when it has one.
    std::optional<FLOAT> ownDeadband(const OPCItem& item) const noexcept
    {
        return item.m_ownDeadband ? std::optional(deadbandOf(item)) : std::nullopt;
    }
    // Throws std::bad_alloc, changing nothing.
    void setOwnDeadband(OPCItem& item, FLOAT deadband)
    {
        m_itemDeadbands.insert_or_assign(item.m_serverHandle, deadband);
        item.m_ownDeadband = true;
    }
    void clearOwnDeadband(OPCItem& item) noexcept
    {
        m_itemDeadbands.erase(item.m_serverHandle);
        item.m_ownDeadband = false;
    }

    // Asynchronous requests waiting for the next tick.
    RequestQueue& requests() noexcept { return m_requests; }
    const RequestQueue& requests() const noexcept { return m_requests; }

    // The client's IOPCDataCallback connection, once the client asked for the container.
    const ConnectionPointHome& connections() const noexcept { return m_connections; }

    // The 2.0 interfaces the 3.0 ones extend.
    IOPCSyncIOObject& syncIO() noexcept { return m_syncIO; }
    IOPCAsyncIO2Object& asyncIO2() noexcept { return m_asyncIO2; }
    IOPCGroupStateMgtObject& stateMgt() noexcept { return m_stateMgt; }

    // Milliseconds without a data change after which the scan tells an advised callback that
    // the server lives with an empty one; 0 when off.
    DWORD keepAlive() const noexcept { return m_keepAlive; }
    // The count starts afresh.
    void setKeepAlive(DWORD keepAlive) noexcept
    {
        m_keepAlive = keepAlive;
        m_sinceDataChange = 0;
    }

    // The OPC 1.0 data object, or null while no client has asked for it.
    IOPCDataObject* dataObject() const noexcept { return m_dataObject.get(); }

    // The items whose changed flag is set, in list order, into scratch.
    void collectChangedItems(std::vector<OPCItem*>& scratch) { m_items.collectFlagged(scratch); }
    // item, of this group, is flagged for the next report; the reported ones no longer are.
    void flagItem(OPCItem& item) noexcept { m_items.flag(item); }
    void unflagItems(std::span<OPCItem* const> reported) noexcept
    {
        m_items.unflagReported(reported);
    }

    // One tick of the runtime's timer (every group due when forced): an active group counts
    // the server rate towards its update rate and, when due, prepares the report of its
    // changed items. scratch is room the caller lends for the item list.
    void scan(DWORD serverRate, bool force, std::vector<OPCItem*>& scratch, ClientDeliveries& due);

    // The server has taken the group out of its list. An unreferenced group goes at once; a
    // forced removal ends a referenced one (it turns inert and goes at its last Release);
    // otherwise it keeps serving its client, unscanned, until its last Release.
    void detach(bool force, PendingDisconnects& disconnects) noexcept;

    // Place in the server's group list.
    ListHook<OPCGroup> m_listHook;

private:
    friend class OPCServer;
    ~OPCGroup() = default;

    IUnknown* identity() noexcept override { return this; }
    void disconnectParts() noexcept override { m_connections.disconnect(); }
    void retain() noexcept override;
    void drop() noexcept override;
    // Takes one reference off; destroys a group that has left its server at the last one.
    LONG releaseReference() noexcept;
    // The changed items to the advised callback, their flags cleared; nothing while reports
    // are disabled, and the flags stay set while no callback is advised.
    void sendDataChange(std::vector<OPCItem*>& scratch, ClientDeliveries& due);
    // An empty data change once the keep-alive time has passed without one.
    void sendKeepAlive(ClientDeliveries& due);

    GroupOwner* m_server;
    std::string m_name;
    std::atomic<LONG> m_refCount{0};
    // Out of its server's list: it goes at its last Release.
    bool m_detached = false;
    std::atomic<bool> m_inert{false};
    GroupState m_state;
    OPCHANDLE m_serverHandle = 0;
    IOPCItemMgtObject m_itemMgt{*this};
    IOPCItemDeadbandMgtObject m_itemDeadbandMgt{*this};
    IOPCSyncIOObject m_syncIO{*this};
    IOPCSyncIO2Object m_syncIO2{*this};
    IOPCAsyncIO2Object m_asyncIO2{*this};
    IOPCAsyncIO3Object m_asyncIO3{*this};
    IOPCAsyncIOObject m_asyncIO{*this};
    IOPCGroupStateMgtObject m_stateMgt{*this};
    IOPCGroupStateMgt2Object m_stateMgt2{*this};
    ConnectionPointHome m_connections{*this, kGroupConnectionTraces};
    OnDemand<IOPCDataObject> m_dataObject;
    // Server-rate time since the last due scan, counted while the group is active.
    DWORD m_tickAccumulator = 0;
    DWORD m_keepAlive = 0;
    // Server-rate time since the callback last received a data change, counted while a
    // keep-alive time is set.
    DWORD m_sinceDataChange = 0;
    // Dropped with the group, unanswered.
    RequestQueue m_requests;
    ItemList m_items;
    // The deadbands of the few items that have their own, by server handle, so that the
    // records of the others stay small.
    std::unordered_map<OPCHANDLE, FLOAT> m_itemDeadbands;
};

} // namespace vetrel
