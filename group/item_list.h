// A group's items: owned, in the order they were added, found by server handle in O(1).
#pragma once

#include "comkit/intrusive_list.h"
#include "group/opc_item.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vetrel {

class ItemIndex;
class OPCGroup;

// The caller holds the runtime lock.
class ItemList
{
public:
    // The items of group. Their handles come from the runtime's index; while following, the
    // items receive tag updates through it.
    ItemList(ItemIndex& index, OPCGroup& group) noexcept : m_index(index), m_group(group) {}
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    ~ItemList() { clear(); }

    // Appends item and gives it its server handle; null when no handle is left. Throws
    // std::bad_alloc, keeping nothing.
    OPCItem* add(std::unique_ptr<OPCItem> item);
    // The item of this list with serverHandle; null for the handles of other groups' items too.
    OPCItem* find(OPCHANDLE serverHandle) const noexcept;
    // Takes the item out; null for a handle that names no item of this list.
    std::unique_ptr<OPCItem> remove(OPCHANDLE serverHandle) noexcept;
    void clear() noexcept;

    // The group has left its server: its items receive no more tag updates.
    void stopFollowing() noexcept;

    // item, of this list, is flagged for the next report.
    void flag(OPCItem& item) noexcept;
    void unflag(OPCItem& item) noexcept;
    // The flagged items in list order, into scratch.
    void collectFlagged(std::vector<OPCItem*>& scratch);
    // reported, collected from this list, are no longer flagged.
    void unflagReported(std::span<OPCItem* const> reported) noexcept;

    template <typename Visit> void forEach(Visit&& visit) const { m_order.forEach(visit); }
    std::size_t size() const noexcept { return m_order.size(); }

private:
    ItemIndex& m_index;
    OPCGroup& m_group;
    bool m_following = true;
    IntrusiveList<OPCItem, &OPCItem::m_groupHook> m_order;
    // The flagged items with their positions, so that putting them in list order reads no
    // item. Room for every item of the list is kept, so that flagging never allocates.
    struct Flagged
    {
        std::uint64_t position;
        OPCItem* item;
    };
    std::vector<Flagged> m_flagged;
    std::uint64_t m_nextPosition = 0;
};

} // namespace vetrel
