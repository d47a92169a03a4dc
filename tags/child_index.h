// The children of a node that has many, found by exact name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace vetrel {

class OPCTag;

// Open addressing over the child pointers themselves, so that a lookup reads one slot and the
// child it finds. Each slot also keeps the top 16 bits of its name's hash in the pointer's unused
// high bits: a probe reads a child only when that child very likely has the name.
class ChildIndex
{
public:
    bool empty() const noexcept { return m_count == 0; }
    OPCTag* find(std::string_view name) const noexcept;
    // child's name is in no other entry. Throws std::bad_alloc, keeping the index unchanged.
    void insert(OPCTag* child);
    // Removes child's entry, if it has one.
    void erase(const OPCTag* child) noexcept;

private:
    using Slot = std::uintptr_t;
    static_assert(sizeof(Slot) == 8, "the hash bits live in the top of a 64-bit pointer");
    static constexpr int kTagShift = 48;

    static Slot slotOf(OPCTag* child, std::size_t hash) noexcept;
    static OPCTag* childOf(Slot slot) noexcept;
    // The hash of the name of the child in slot.
    static std::size_t slotHash(Slot slot) noexcept;
    void place(Slot slot, std::size_t hash) noexcept;
    std::size_t home(Slot slot) const noexcept;

    std::unique_ptr<Slot[]> m_slots;
    // Capacity minus one; the capacity is a power of two, at least twice the count.
    std::size_t m_mask = 0;
    std::size_t m_count = 0;
};

} // namespace vetrel
