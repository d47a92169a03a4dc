#include "group/opc_group.h"

#include "comkit/host_callbacks.h"
#include "comkit/query_interface.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "group/item_index.h"
#include "tags/tag_tree.h"

namespace vetrel {

void tellHostOfRemovals(std::vector<ItemRemovalNotice>& notices) noexcept
{
    assertLockNotHeld();
    const auto itemRemoval = hostCallbacks().itemRemoval.load();
    if (!itemRemoval) return;
    // From copies: the host may call the tag functions, which change the tags.
    for (ItemRemovalNotice& notice : notices) {
        char noAccessPath[] = "";
        itemRemoval(notice.tagHandle, noAccessPath, notice.tagName.data());
    }
}

OPCGroup::OPCGroup(GroupOwner& server, std::string name, const GroupState& state)
    : m_server(&server), m_name(std::move(name)), m_state(state), m_items(followers(), *this)
{}

HRESULT STDMETHODCALLTYPE OPCGroup::QueryInterface(REFIID riid, void** object) noexcept
{
    // The container and the data object are made at the client's first request for them.
    IUnknown* container = !m_inert && IsEqualIID(riid, IID_IConnectionPointContainer)
                              ? m_connections.obtain()
                              : nullptr;
    IUnknown* dataObject =
        !m_inert && IsEqualIID(riid, IID_IDataObject) ? m_dataObject.obtain(*this) : nullptr;
    const InterfaceRow rows[] = {
        {IID_IUnknown, " IID_IUnknown", static_cast<IUnknown*>(this)},
        {IID_IOPCGroupStateMgt, " IID_IOPCGroupStateMgt", &m_stateMgt},
        {IID_IOPCPublicGroupStateMgt, " IID_IOPCPublicGroupStateMgt", nullptr},
        {IID_IOPCSyncIO, " IID_IOPCSyncIO", &m_syncIO},
        {IID_IOPCAsyncIO, " IID_IOPCAsyncIO", &m_asyncIO},
        {IID_IOPCAsyncIO2, " IID_IOPCAsyncIO2", &m_asyncIO2},
        {IID_IConnectionPointContainer, " IID_IConnectionPointContainer", container},
        {IID_IOPCItemMgt, " IID_IOPCItemMgt", &m_itemMgt},
        {IID_IDataObject, " IID_IDataObject", dataObject},
        {IID_IOPCSyncIO2, " IID_IOPCSyncIO2", &m_syncIO2},
        {IID_IOPCAsyncIO3, " IID_IOPCAsyncIO3", &m_asyncIO3},
        {IID_IOPCGroupStateMgt2, " IID_IOPCGroupStateMgt2", &m_stateMgt2},
        {IID_IOPCItemDeadbandMgt, " IID_IOPCItemDeadbandMgt", &m_itemDeadbandMgt},
    };
    const HRESULT hr =
        answerQueryInterface("OPCGroup::QueryInterface", rows, riid, object, *this, m_inert);
    // A part that could not be made is a lack of memory, not an interface the group refuses.
    const bool unmade = (IsEqualIID(riid, IID_IConnectionPointContainer) && !container) ||
                        (IsEqualIID(riid, IID_IDataObject) && !dataObject);
    return hr == E_NOINTERFACE && object && !m_inert && unmade ? E_OUTOFMEMORY : hr;
}

ULONG STDMETHODCALLTYPE OPCGroup::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace("OPCGroup::AddRef(%d)", static_cast<int>(count));
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE OPCGroup::Release() noexcept
{
    // Under the lock, so that this Release and a RemoveGroup agree on which of them ends the
    // group.
    auto held = holdRuntimeLock();
    trace("OPCGroup::Release(%d)", static_cast<int>(m_refCount.load()));
    return static_cast<ULONG>(releaseReference());
}

LONG OPCGroup::releaseReference() noexcept
{
    const LONG count = m_refCount.fetch_sub(1) - 1;
    // A group still in its server's list stays there, scanned, at a count of 0.
    if (count == 0 && m_detached) delete this;
    return count;
}

void OPCGroup::retain() noexcept
{
    m_refCount.fetch_add(1);
}

void OPCGroup::drop() noexcept
{
    auto held = holdRuntimeLock();
    releaseReference();
}

OPCItem* OPCGroup::addItem(std::unique_ptr<OPCItem> item, OPCTag* tag)
{
    assertLockHeld();
    OPCItem* added = m_items.add(std::move(item));
    if (!added) return nullptr;
    if (tag) ++tag->m_itemRefCount;
    return added;
}

bool OPCGroup::removeItem(OPCHANDLE serverHandle, std::vector<ItemRemovalNotice>& notices)
{
    assertLockHeld();
    const OPCItem* item = m_items.find(serverHandle);
    if (!item) return false;
    if (OPCTag* tag = tagTree().find(item->tagName())) {
        // The notice is made before anything changes, so running out of memory here leaves
        // the item and the count as they were.
        if (tag->m_itemRefCount <= 1 && hostCallbacks().itemRemoval.load())
            notices.push_back({tag->m_tagHandle, std::string(tag->name())});
        --tag->m_itemRefCount;
    }
    m_itemDeadbands.erase(serverHandle);
    m_items.remove(serverHandle);
    return true;
}

void OPCGroup::removeAllItems(std::vector<ItemRemovalNotice>& notices) noexcept
{
    m_items.forEach([&](const OPCItem& item) {
        try {
            removeItem(item.m_serverHandle, notices);
        } catch (const std::bad_alloc&) {
            // The item stays as it was.
        }
    });
}

std::vector<std::unique_ptr<OPCItem>> OPCGroup::copyItems() const
{
    std::vector<std::unique_ptr<OPCItem>> copies;
    copies.reserve(m_items.size());
    m_items.forEach([&copies](const OPCItem& item) { copies.push_back(item.copy()); });
    return copies;
}

void OPCGroup::detach(bool force, PendingDisconnects& disconnects) noexcept
{
    assertLockHeld();
    m_server = nullptr;
    m_detached = true;
    if (m_refCount == 0) {
        delete this;
        return;
    }
    if (!force) {
        m_items.stopFollowing();
        return;
    }
    m_inert = true;
    m_items.clear();
    disconnects.add(*this);
}

} // namespace vetrel
