// The items of every group of every server: their server handles, and the items that follow
// each tag name, so that a tag update reaches the items of that tag without visiting any other
// item.
#pragma once

#include "comkit/handle_table.h"
#include "comkit/intrusive_list.h"
#include "group/opc_item.h"

#include <string>
#include <unordered_map>

namespace vetrel {

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

    // Items follow tags by name, so a tag created later under a removed name feeds them again.
    template <typename Visit> void forEachFollower(const std::string& tagName, Visit&& visit) const
    {
        const auto found = m_followers.find(tagName);
        if (found != m_followers.end()) found->second.forEach(visit);
    }

private:
    using Followers = IntrusiveList<OPCItem, &OPCItem::m_tagHook>;
    HandleTable<OPCItem> m_handles;
    std::unordered_map<std::string, Followers> m_followers;
};

// The index of every item of the runtime. The caller holds the runtime lock.
ItemIndex& followers() noexcept;

} // namespace vetrel
