#include "server/group_list.h"

#include "comkit/runtime_lock.h"

#include <cstdio>
#include <unordered_set>

namespace vetrel {

HandleTable<OPCGroup>& groupHandles() noexcept
{
    assertLockHeld();
    static HandleTable<OPCGroup> handles;
    return handles;
}

bool GroupList::append(OPCGroup& group)
{
    HandleTable<OPCGroup>& handles = groupHandles();
    const OPCHANDLE handle = handles.add(&group);
    if (handle == HandleTable<OPCGroup>::kInvalid) return false;
    try {
        m_byHandle.emplace(handle, &group);
    } catch (...) {
        handles.remove(handle);
        throw;
    }
    group.setServerHandle(handle);
    m_order.pushBack(group);
    return true;
}

void GroupList::remove(OPCGroup& group) noexcept
{
    groupHandles().remove(group.serverHandle());
    m_byHandle.erase(group.serverHandle());
    m_order.erase(group);
}

OPCGroup* GroupList::find(OPCHANDLE serverHandle) const noexcept
{
    const auto found = m_byHandle.find(serverHandle);
    return found == m_byHandle.end() ? nullptr : found->second;
}

OPCGroup* GroupList::findByName(std::string_view name) const noexcept
{
    for (OPCGroup* group = m_order.front(); group; group = decltype(m_order)::next(*group))
        if (group->name() == name) return group;
    return nullptr;
}

std::string GroupList::defaultName() const
{
    constexpr int kLastCandidate = 0x0FFFFFFF;
    std::unordered_set<std::string_view> taken;
    m_order.forEach([&taken](const OPCGroup& group) { taken.insert(group.name()); });
    // Of the first size + 1 candidates at least one is free.
    char name[32];
    for (int n = 1; n < kLastCandidate; ++n) {
        std::snprintf(name, sizeof name, "Group %d", n);
        if (!taken.contains(name)) return name;
    }
    return "No Default Group Names Available";
}

} // namespace vetrel
