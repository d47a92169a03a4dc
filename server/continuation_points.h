// The continuation points one server has handed out from IOPCBrowse::Browse. A point is an
// opaque text that stands for a cursor kept here: the browse it continues (branch, filter,
// name filter) and the last element returned, by its node name, which is unique among its
// siblings. Continuing goes on after that element wherever it now stands, so tags added
// meanwhile are met in their order; once nodes have been removed, the element must be the same
// tag (same handle) to continue after it, else the point is stale. A text never handed out, or
// forgotten, names no cursor. Guarded by the runtime lock.
#pragma once

#include "vetrel/opc.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace vetrel {

struct BrowseCursor
{
    std::string itemID;
    OPCBROWSEFILTER filter = OPC_BROWSE_FILTER_ALL;
    std::string nameFilter;
    std::string lastName;
    // The last element's tag handle, kNoTag for a branch.
    DWORD lastTag = 0;
    std::uint64_t removals = 0;

    bool continues(const BrowseCursor& other) const noexcept
    {
        return itemID == other.itemID && filter == other.filter && nameFilter == other.nameFilter;
    }
};

class ContinuationPoints
{
public:
    // The text that stands for cursor from now on. Throws std::bad_alloc.
    std::string issue(BrowseCursor cursor);
    // The cursor of text; null when this server never handed it out or has forgotten it.
    const BrowseCursor* find(std::string_view text) const noexcept;
    // Used up: the continuing call hands out a point of its own.
    void forget(std::string_view text) noexcept;

private:
    struct Issued
    {
        std::uint32_t serial;
        BrowseCursor cursor;
    };
    // Clients that stop browsing half-way never give their points back: the oldest go.
    static constexpr size_t kKept = 64;

    std::deque<Issued>::const_iterator at(std::string_view text) const noexcept;

    std::deque<Issued> m_issued;
    std::uint32_t m_lastSerial = 0;
};

} // namespace vetrel
