#include "server/group_list.h"

#include <cstdio>
#include <unordered_set>

namespace vetrel {

bool GroupList::append(OPCGroup& group)
{
    const OPCHANDLE handle = m_handles.add(&group);
    if (handle == HandleTable<OPCGroup>::kInvalid) return false;
    group.setServerHandle(handle);
    m_order.pushBack(group);
    return true;
}

void GroupList::remove(OPCGroup& group) noexcept
{
    m_handles.remove(group.serverHandle());
    m_order.erase(group);
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
