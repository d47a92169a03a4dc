#include "group/item_list.h"

#include "group/item_index.h"

#include <algorithm>

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
    item->m_position = m_nextPosition++;
    m_order.pushBack(*item);
    // A new item is reported once, as if it had just changed.
    if (item->m_changed) m_flagged.pushBack(*item);
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
    unflag(*item);
    m_order.erase(*item);
    if (m_following) m_index.unfollow(*item);
    return item;
}

void ItemList::clear() noexcept
{
    m_order.forEach([this](OPCItem& item) { remove(item.m_serverHandle); });
}

void ItemList::flag(OPCItem& item) noexcept
{
    if (item.m_changed) return;
    item.m_changed = true;
    m_flagged.pushBack(item);
}

void ItemList::unflag(OPCItem& item) noexcept
{
    if (!item.m_changed) return;
    item.m_changed = false;
    m_flagged.erase(item);
}

void ItemList::collectFlagged(std::vector<OPCItem*>& scratch) const
{
    scratch.clear();
    // A few flagged items are sorted into list order; when many are, one walk of the list
    // costs less than the sort.
    constexpr std::size_t kSortedShare = 8;
    if (m_flagged.size() * kSortedShare >= m_order.size()) {
        m_order.forEach([&scratch](OPCItem& item) {
            if (item.m_changed) scratch.push_back(&item);
        });
        return;
    }
    scratch.reserve(m_flagged.size());
    m_flagged.forEach([&scratch](OPCItem& item) { scratch.push_back(&item); });
    std::sort(scratch.begin(), scratch.end(),
              [](const OPCItem* a, const OPCItem* b) { return a->m_position < b->m_position; });
}

void ItemList::stopFollowing() noexcept
{
    if (!m_following) return;
    m_order.forEach([this](OPCItem& item) { m_index.unfollow(item); });
    m_following = false;
}

} // namespace vetrel
