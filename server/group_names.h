// The names of a server's groups: which group first bears a name in list order, and the default
// name a new unnamed group gets, both without walking the groups.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vetrel {

class OPCGroup;

// The caller holds the runtime lock.
class GroupNames
{
public:
    // group bears name from now on; position is its place in the list, larger for groups
    // listed later. Throws std::bad_alloc, keeping nothing.
    void add(OPCGroup& group, const std::string& name, std::uint64_t position);
    // group no longer bears name.
    void remove(OPCGroup& group, const std::string& name) noexcept;

    // The first group, in list order, whose name is exactly name.
    OPCGroup* first(std::string_view name) const noexcept;
    // "Group n" with the smallest n no group bears. Throws std::bad_alloc.
    std::string defaultName();

private:
    struct Bearer
    {
        OPCGroup* group;
        std::uint64_t position;
    };
    // Names are looked up as they come, without a copy.
    struct NameHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept
        {
            return std::hash<std::string_view>{}(name);
        }
    };

    bool taken(int number) const noexcept;

    // Several groups share a name only through SetName, so a name's list is almost always one
    // group long.
    std::unordered_map<std::string, std::vector<Bearer>, NameHash, std::equal_to<>> m_bearers;
    // Every default number below m_scanned that no group bears; numbers from m_scanned on are
    // looked up by name.
    std::set<int> m_freeNumbers;
    int m_scanned = 1;
};

} // namespace vetrel
