// The runtime's table of tags: a tree built from the dot-separated parts of the tag names,
// with the host's tag handles issued from a handle table. The caller holds the runtime lock.
#pragma once

#include "comkit/handle_table.h"
#include "tags/opc_tag.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vetrel {

enum class NameKind
{
    Branch = 1,
    Leaf = 2,
    Flat = 3
};

std::vector<std::string_view> splitTagName(std::string_view name);
std::string joinTagName(std::string_view accessPath, std::string_view itemName);

class TagTree
{
public:
    TagTree() = default;
    TagTree(const TagTree&) = delete;
    TagTree& operator=(const TagTree&) = delete;

    OPCTag& root() noexcept { return m_root; }

    // The live tag of a host handle; null for kNoTag, a removed handle or one never issued.
    OPCTag* fromHandle(DWORD handle) const noexcept;
    // Matches intermediate components branch by branch and the tag by its full name.
    OPCTag* find(std::string_view accessPath, std::string_view itemName) const;
    // The same for a name without access path, which needs no memory.
    OPCTag* find(std::string_view name) const noexcept;
    // A new tag under name; kNoTag when a node of that name exists or memory runs out.
    DWORD add(std::string_view name, const VARIANT& value, WORD quality, bool writable);
    // Removes tag with its subtree and prunes branches left empty, up to the first node that
    // the host created as a tag.
    void remove(OPCTag* tag) noexcept;
    void clear() noexcept;

    // The node a browse position of short names leads to, from the root; null when none.
    OPCTag* findBranch(const std::vector<std::string_view>& components) const;
    // Appends the names of kind below node to names; returns how many were appended.
    size_t listNames(const OPCTag& node, NameKind kind, std::vector<std::string>& names) const;
    bool isHierarchical() const noexcept;
    // Counts every removal of nodes: while it stands still, a node found by its name among its
    // siblings is the very node found by that name before, since additions only append.
    std::uint64_t removals() const noexcept { return m_removals; }

private:
    void forgetHandles(OPCTag& node) noexcept;

    OPCTag m_root;
    HandleTable<OPCTag> m_handles;
    std::uint64_t m_removals = 0;
};

// The runtime's tags. The caller holds the runtime lock.
TagTree& tagTree() noexcept;

// A client's write: the tag's value is replaced and the host notified, all under the runtime
// lock; a name that names no tag changes nothing.
void writeTagByName(std::string_view name, const VARIANT& value);

} // namespace vetrel
