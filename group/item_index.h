// The items of every group of every server: their server handles, and the items that follow
// each tag name, so that a tag update reaches the items of that tag without visiting any other
// item.
#pragma once

#include "comkit/handle_table.h"
#include "comkit/intrusive_list.h"
#include "group/opc_item.h"
#include "tags/opc_tag.h"

#include <string_view>
#include <unordered_map>

namespace vetrel {

class OPCTag;

struct TagFollowers
{
    IntrusiveList<OPCItem, &OPCItem::m_tagHook> items;
};

// The caller holds the runtime lock.
class ItemIndex
{
public:
    static constexpr OPCHANDLE kNoHandle = HandleTable<OPCItem>::kInvalid;

    ItemIndex() = default;
    ItemIndex(const ItemIndex&) = delete;
    ItemIndex& operator=(const ItemIndex&) = delete;

    // A server handle for item that no other live item of any group holds, so a clone's items
    // and the items of other groups never share one; kNoHandle when none is left. Throws
    // std::bad_alloc.
    OPCHANDLE issue(OPCItem& item) { return m_handles.add(&item); }
    // The live item of handle, whichever group it belongs to; null for any other value.
    OPCItem* find(OPCHANDLE handle) const noexcept { return m_handles.find(handle); }
    // The item of handle is gone: its handle names nothing from now on.
    void retire(OPCHANDLE handle) noexcept { m_handles.remove(handle); }

    // item follows the tag named by its tag name from now on. Throws std::bad_alloc.
    void follow(OPCItem& item);
    // item must be following.
    void unfollow(OPCItem& item) noexcept;
    // A new tag finds the items that already follow its name. Items follow tags by name, so a
    // tag created later under a removed name feeds them again.
    void linkTag(OPCTag& tag) noexcept;

private:
    // A followed name, viewed in the tag name of one of its items, so that the index keeps no
    // copy of it; the view moves to another item when that one stops following. Moving it
    // changes neither hash nor equality.
    struct FollowedName
    {
        mutable std::string_view text;
        bool operator==(const FollowedName& other) const noexcept { return text == other.text; }
    };
    struct NameHash
    {
        size_t operator()(const FollowedName& name) const noexcept
        {
            return std::hash<std::string_view>()(name.text);
        }
    };

    HandleTable<OPCItem> m_handles;
    // Nodes stay where they are while listed: the tags point into them.
    std::unordered_map<FollowedName, TagFollowers, NameHash> m_followers;
};

template <typename Visit> void forEachFollower(const OPCTag& tag, Visit&& visit)
{
    if (tag.m_followers) tag.m_followers->items.forEach(visit);
}

// The index of every item of the runtime. The caller holds the runtime lock.
ItemIndex& followers() noexcept;

} // namespace vetrel
