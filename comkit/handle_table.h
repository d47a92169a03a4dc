// 32-bit handles for objects that clients and hosts name by number: a slot index and a
// generation count. A stale or forged handle is rejected, never dereferenced, and lookups are
// O(1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace vetrel {

template <typename T> class HandleTable
{
public:
    static constexpr uint32_t kInvalid = 0xFFFFFFFF;

    // Issues a handle for object, kInvalid when the table is full. Never issues 0 or kInvalid.
    uint32_t add(T* object)
    {
        uint32_t index;
        if (m_freeSlots.size() > kReuseDelay || m_slots.size() >= kMaxSlots) {
            if (m_freeSlots.empty()) return kInvalid;
            index = m_freeSlots.front();
            m_freeSlots.pop_front();
        } else {
            index = static_cast<uint32_t>(m_slots.size());
            m_slots.push_back(Slot{nullptr, 1});
        }
        Slot& slot = m_slots[index];
        slot.object = object;
        ++m_count;
        return compose(index, slot.generation);
    }

    T* find(uint32_t handle) const noexcept
    {
        const uint32_t index = handle & kIndexMask;
        if (index >= m_slots.size()) return nullptr;
        const Slot& slot = m_slots[index];
        return slot.object && slot.generation == (handle >> kIndexBits) ? slot.object : nullptr;
    }

    // Forgets handle; returns the object it named, or null for a stale or unknown handle.
    T* remove(uint32_t handle)
    {
        T* object = find(handle);
        if (!object) return nullptr;
        const uint32_t index = handle & kIndexMask;
        Slot& slot = m_slots[index];
        slot.object = nullptr;
        slot.generation = slot.generation == kMaxGeneration ? 1 : slot.generation + 1;
        m_freeSlots.push_back(index);
        --m_count;
        return object;
    }

    std::size_t size() const noexcept { return m_count; }

    template <typename F> void forEach(F&& visit) const
    {
        for (const Slot& slot : m_slots)
            if (slot.object) visit(slot.object);
    }

private:
    static constexpr uint32_t kIndexBits = 22;
    static constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
    static constexpr uint32_t kMaxGeneration = (1u << (32 - kIndexBits)) - 1;
    // The last slot index with the highest generation would compose kInvalid.
    static constexpr std::size_t kMaxSlots = kIndexMask;
    // Freed slots wait in a queue before reuse, so a stale handle only aliases a new object
    // after its slot went round every generation.
    static constexpr std::size_t kReuseDelay = 1024;

    struct Slot
    {
        T* object;
        uint32_t generation;
    };

    static uint32_t compose(uint32_t index, uint32_t generation) noexcept
    {
        return (generation << kIndexBits) | index;
    }

    std::vector<Slot> m_slots;
    std::deque<uint32_t> m_freeSlots;
    std::size_t m_count = 0;
};

} // namespace vetrel
