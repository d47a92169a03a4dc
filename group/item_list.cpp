#include "group/item_list.h"

#include "group/item_index.h"

#include <algorithm>

namespace vetrel {

OPCItem* ItemList::add(std::unique_ptr<OPCItem> item)
{
    if (m_flagged.capacity() <= m_order.size())
        m_flagged.reserve(std::max<std::size_t>(16, 2 * m_flagged.capacity()));
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
    if (item->m_changed) {
        item->m_changed = false;
        flag(*item);
    }
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
    item.m_flaggedAt = static_cast<std::uint32_t>(m_flagged.size());
    m_flagged.push_back({item.m_position, &item});
}

void ItemList::unflag(OPCItem& item) noexcept
{
    if (!item.m_changed) return;
    item.m_changed = false;
    const Flagged last = m_flagged.back();
    m_flagged[item.m_flaggedAt] = last;
    last.item->m_flaggedAt = item.m_flaggedAt;
    m_flagged.pop_back();
}

void ItemList::collectFlagged(std::vector<OPCItem*>& scratch)
{
    const auto byPosition = [](const Flagged& a, const Flagged& b) {
        return a.position < b.position;
    };
    // Items flagged as the host updates them in order need no sort.
    if (!std::is_sorted(m_flagged.begin(), m_flagged.end(), byPosition))
        std::sort(m_flagged.begin(), m_flagged.end(), byPosition);
    scratch.resize(m_flagged.size());
    // The report reads every item next: fetching a few ahead overlaps their cache misses.
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = 0; i < m_flagged.size(); ++i) {
        if (i + kAhead < m_flagged.size()) prefetchForReport(m_flagged[i + kAhead].item);
        OPCItem* item = m_flagged[i].item;
        item->m_flaggedAt = static_cast<std::uint32_t>(i);
        scratch[i] = item;
    }
}

void ItemList::unflagReported(std::span<OPCItem* const> reported) noexcept
{
    if (reported.size() != m_flagged.size()) {
        for (OPCItem* item : reported) unflag(*item);
        return;
    }
    for (const Flagged& flagged : m_flagged) flagged.item->m_changed = false;
    m_flagged.clear();
}

void ItemList::stopFollowing() noexcept
{
    if (!m_following) return;
    m_order.forEach([this](OPCItem& item) { m_index.unfollow(item); });
    m_following = false;
}

} // namespace vetrel
