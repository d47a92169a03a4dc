#include "group/item_index.h"

#include "comkit/runtime_lock.h"

namespace vetrel {

void ItemIndex::follow(OPCItem& item)
{
    m_followers.try_emplace(item.m_tagName).first->second.pushBack(item);
}

void ItemIndex::unfollow(OPCItem& item) noexcept
{
    const auto found = m_followers.find(item.m_tagName);
    found->second.erase(item);
    if (found->second.empty()) m_followers.erase(found);
}

ItemIndex& followers() noexcept
{
    assertLockHeld();
    static ItemIndex index;
    return index;
}

} // namespace vetrel
