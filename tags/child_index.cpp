#include "tags/child_index.h"

#include "tags/opc_tag.h"

#include <functional>
#include <utility>

namespace vetrel {
namespace {

constexpr std::size_t kFirstCapacity = 32;

std::size_t hashOf(std::string_view name) noexcept
{
    return std::hash<std::string_view>()(name);
}

} // namespace

ChildIndex::Slot ChildIndex::slotOf(OPCTag* child, std::size_t hash) noexcept
{
    return reinterpret_cast<Slot>(child) | (static_cast<Slot>(hash >> kTagShift) << kTagShift);
}

OPCTag* ChildIndex::childOf(Slot slot) noexcept
{
    return reinterpret_cast<OPCTag*>(slot & ((Slot{1} << kTagShift) - 1));
}

std::size_t ChildIndex::slotHash(Slot slot) noexcept
{
    return hashOf(childOf(slot)->name());
}

std::size_t ChildIndex::home(Slot slot) const noexcept
{
    return slotHash(slot) & m_mask;
}

OPCTag* ChildIndex::find(std::string_view name) const noexcept
{
    if (!m_slots) return nullptr;
    const std::size_t hash = hashOf(name);
    const Slot tag = hash >> kTagShift;
    for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
        const Slot slot = m_slots[i];
        if (slot == 0) return nullptr;
        if (slot >> kTagShift == tag && childOf(slot)->name() == name) return childOf(slot);
    }
}

void ChildIndex::place(Slot slot, std::size_t hash) noexcept
{
    std::size_t i = hash & m_mask;
    while (m_slots[i] != 0) i = (i + 1) & m_mask;
    m_slots[i] = slot;
}

void ChildIndex::insert(OPCTag* child)
{
    if ((m_count + 1) * 2 > m_mask + 1) {
        const std::size_t capacity = m_slots ? (m_mask + 1) * 2 : kFirstCapacity;
        std::unique_ptr<Slot[]> old = std::exchange(m_slots, std::make_unique<Slot[]>(capacity));
        const std::size_t oldCapacity = old ? m_mask + 1 : 0;
        m_mask = capacity - 1;
        for (std::size_t i = 0; i < oldCapacity; ++i)
            if (old[i] != 0) place(old[i], slotHash(old[i]));
    }
    const std::size_t hash = hashOf(child->name());
    place(slotOf(child, hash), hash);
    ++m_count;
}

void ChildIndex::erase(const OPCTag* child) noexcept
{
    if (!m_slots) return;
    std::size_t hole = hashOf(child->name()) & m_mask;
    while (childOf(m_slots[hole]) != child) {
        if (m_slots[hole] == 0) return;
        hole = (hole + 1) & m_mask;
    }
    // Shift back the entries after the hole that may not live before their home slot, so that
    // every lookup still meets its entry before an empty slot.
    for (std::size_t next = (hole + 1) & m_mask; m_slots[next] != 0; next = (next + 1) & m_mask) {
        const std::size_t wanted = home(m_slots[next]);
        const bool wantedInGap =
            hole <= next ? (wanted > hole && wanted <= next) : (wanted > hole || wanted <= next);
        if (wantedInGap) continue;
        m_slots[hole] = m_slots[next];
        hole = next;
    }
    m_slots[hole] = 0;
    --m_count;
}

} // namespace vetrel
