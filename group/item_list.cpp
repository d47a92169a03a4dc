#include "group/item_list.h"

#include "group/item_index.h"

namespace vetrel {

OPCItem* ItemList::add(std::unique_ptr<OPCItem> item)
{
    const OPCHANDLE handle = m_handles.add(item.get());
    if (handle == HandleTable<OPCItem>::kInvalid) return nullptr;
    if (m_following) {
        try {
            m_index.follow(*item);
        } catch (...) {
            m_handles.remove(handle);
            throw;
        }
    }
    item->m_serverHandle = handle;
    m_order.pushBack(*item);
    return item.release();
}

std::unique_ptr<OPCItem> ItemList::remove(OPCHANDLE serverHandle) noexcept
{
    std::unique_ptr<OPCItem> item(m_handles.remove(serverHandle));
    if (!item) return nullptr;
    m_order.erase(*item);
    if (m_following) m_index.unfollow(*item);
    return item;
}

void ItemList::clear() noexcept
{
    m_order.forEach([this](OPCItem& item) { remove(item.m_serverHandle); });
}

void ItemList::stopFollowing() noexcept
{
    if (!m_following) return;
    m_order.forEach([this](OPCItem& item) { m_index.unfollow(item); });
    m_following = false;
}

} // namespace vetrel
