#include "group/item_index.h"

#include "comkit/runtime_lock.h"
#include "tags/tag_tree.h"

namespace vetrel {

namespace {

// The live tag of name, if any: the one whose followers a list of that name is.
OPCTag* tagNamed(const std::string& name) noexcept
{
    try {
        return tagTree().find({}, name);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

void ItemIndex::follow(OPCItem& item)
{
    const auto [entry, added] = m_followers.try_emplace(item.m_tagName);
    entry->second.items.pushBack(item);
    if (!added) return;
    if (OPCTag* tag = tagNamed(item.m_tagName)) tag->m_followers = &entry->second;
}

void ItemIndex::unfollow(OPCItem& item) noexcept
{
    const auto found = m_followers.find(item.m_tagName);
    found->second.items.erase(item);
    if (!found->second.items.empty()) return;
    if (OPCTag* tag = tagNamed(item.m_tagName)) tag->m_followers = nullptr;
    m_followers.erase(found);
}

void ItemIndex::linkTag(OPCTag& tag) noexcept
{
    const auto found = m_followers.find(tag.m_name);
    tag.m_followers = found == m_followers.end() ? nullptr : &found->second;
}

ItemIndex& followers() noexcept
{
    assertLockHeld();
    static ItemIndex index;
    return index;
}

} // namespace vetrel
