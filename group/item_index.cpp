#include "group/item_index.h"

#include "comkit/runtime_lock.h"
#include "tags/tag_tree.h"

namespace vetrel {

void ItemIndex::follow(OPCItem& item)
{
    const auto [entry, added] = m_followers.try_emplace({item.tagName()});
    if (added) {
        if (OPCTag* tag = tagTree().find(item.tagName())) tag->m_followers = &entry->second;
    }
    entry->second.items.pushBack(item);
}

void ItemIndex::unfollow(OPCItem& item) noexcept
{
    const auto found = m_followers.find({item.tagName()});
    found->second.items.erase(item);
    if (!found->second.items.empty()) {
        if (found->first.text.data() == item.tagName().data())
            found->first.text = found->second.items.front()->tagName();
        return;
    }
    if (OPCTag* tag = tagTree().find(item.tagName())) tag->m_followers = nullptr;
    m_followers.erase(found);
}

void ItemIndex::linkTag(OPCTag& tag) noexcept
{
    const auto found = m_followers.find({tag.name()});
    tag.m_followers = found == m_followers.end() ? nullptr : &found->second;
}

ItemIndex& followers() noexcept
{
    assertLockHeld();
    static ItemIndex index;
    return index;
}

} // namespace vetrel
