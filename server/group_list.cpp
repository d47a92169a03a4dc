#include "server/group_list.h"

#include "comkit/runtime_lock.h"

namespace vetrel {

HandleTable<OPCGroup>& groupHandles() noexcept
{
    assertLockHeld();
    static HandleTable<OPCGroup> handles;
    return handles;
}

bool GroupList::append(OPCGroup& group)
{
    const std::uint64_t position = m_nextPosition;
    m_names.add(group, group.name(), position);
    HandleTable<OPCGroup>& handles = groupHandles();
    const OPCHANDLE handle = handles.add(&group);
    if (handle == HandleTable<OPCGroup>::kInvalid) {
        m_names.remove(group, group.name());
        return false;
    }
    try {
        m_byHandle.emplace(handle, Listed{&group, position});
    } catch (...) {
        handles.remove(handle);
        m_names.remove(group, group.name());
        throw;
    }
    ++m_nextPosition;
    group.setServerHandle(handle);
    m_order.pushBack(group);
    return true;
}

void GroupList::remove(OPCGroup& group) noexcept
{
    m_names.remove(group, group.name());
    groupHandles().remove(group.serverHandle());
    m_byHandle.erase(group.serverHandle());
    m_order.erase(group);
}

void GroupList::rename(OPCGroup& group, std::string name)
{
    if (name == group.name()) return;
    m_names.add(group, name, m_byHandle.at(group.serverHandle()).position);
    m_names.remove(group, group.name());
    group.setName(std::move(name));
}

OPCGroup* GroupList::find(OPCHANDLE serverHandle) const noexcept
{
    const auto found = m_byHandle.find(serverHandle);
    return found == m_byHandle.end() ? nullptr : found->second.group;
}

OPCGroup* GroupList::findByName(std::string_view name) const noexcept
{
    return m_names.first(name);
}

} // namespace vetrel
