// A server's groups: in the order they were added, found by server handle or by name in O(1).
#pragma once

#include "comkit/handle_table.h"
#include "comkit/intrusive_list.h"
#include "group/opc_group.h"
#include "server/group_names.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vetrel {

// The caller holds the runtime lock.
class GroupList
{
public:
    GroupList() = default;
    GroupList(const GroupList&) = delete;
    GroupList& operator=(const GroupList&) = delete;

    // Appends group and gives it its server handle, which no other live group of the process
    // bears; false when no handle is left. Throws std::bad_alloc, keeping nothing.
    bool append(OPCGroup& group);
    void remove(OPCGroup& group) noexcept;
    // group, listed here, bears name from now on. Throws std::bad_alloc, keeping the old name.
    void rename(OPCGroup& group, std::string name);

    // A group of this list only: the handle of another server's group names nothing here.
    OPCGroup* find(OPCHANDLE serverHandle) const noexcept;
    // The first group, in list order, whose name is exactly name.
    OPCGroup* findByName(std::string_view name) const noexcept;
    // "Group n" with the smallest n no listed group bears. Throws std::bad_alloc.
    std::string defaultName() { return m_names.defaultName(); }

    OPCGroup* front() const noexcept { return m_order.front(); }
    template <typename Visit> void forEach(Visit&& visit) const { m_order.forEach(visit); }
    std::size_t size() const noexcept { return m_order.size(); }

private:
    IntrusiveList<OPCGroup, &OPCGroup::m_listHook> m_order;
    struct Listed
    {
        OPCGroup* group;
        // Larger for groups listed later: the order among groups of one name.
        std::uint64_t position;
    };
    std::unordered_map<OPCHANDLE, Listed> m_byHandle;
    GroupNames m_names;
    std::uint64_t m_nextPosition = 0;
};

// One table for the groups of every server: a handle is a group's identity in the process.
// The caller holds the runtime lock.
HandleTable<OPCGroup>& groupHandles() noexcept;

} // namespace vetrel
