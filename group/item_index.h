// The items that follow each tag name, across every group of every server: a tag update
// reaches the items of that tag without visiting any other item.
#pragma once

#include "group/opc_item.h"
#include "runtime/intrusive_list.h"

#include <string>
#include <unordered_map>

namespace vetrel {

// The caller holds the runtime lock.
class ItemIndex
{
public:
    ItemIndex() = default;
    ItemIndex(const ItemIndex&) = delete;
    ItemIndex& operator=(const ItemIndex&) = delete;

    // item follows the tag named by its tag name from now on. Throws std::bad_alloc.
    void follow(OPCItem& item);
    // item must be following.
    void unfollow(OPCItem& item) noexcept;

    // Items follow tags by name, so a tag created later under a removed name feeds them again.
    template <typename Visit> void forEachFollower(const std::string& tagName, Visit&& visit) const
    {
        const auto found = m_followers.find(tagName);
        if (found != m_followers.end()) found->second.forEach(visit);
    }

private:
    using Followers = IntrusiveList<OPCItem, &OPCItem::m_tagHook>;
    std::unordered_map<std::string, Followers> m_followers;
};

} // namespace vetrel
