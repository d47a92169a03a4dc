#include "group/item_list.h"

#include "group/item_index.h"

namespace vetrel {

OPCItem* ItemList::add(std::unique_ptr<OPCItem> item)
{
    const OPCHANDLE handle = m_index.issue(*item);
    if (handle == ItemIndex::kNoHandle) return nullptr;
    item->m_group = &m_group;
    if (m_following) {
        try {
            m_index.follow(*item);
        } catch (...) {
            m_index.retire(handle);
            throw;
        }
    }
    item->m_serverHandle = handle;
    m_order.pushBack(*item);
    return item.release();
}

OPCItem* ItemList::find(OPCHANDLE serverHandle) const noexcept
{
    OPCItem* item = m_index.find(serverHandle);
    return item && item->m_group == &m_group ? item : nullptr;
}

std::unique_ptr<OPCItem> ItemList::remove(OPCHANDLE serverHandle) noexcept
{
    std::unique_ptr<OPCItem> item(find(serverHandle));
    if (!item) return nullptr;
    m_index.retire(serverHandle);
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
