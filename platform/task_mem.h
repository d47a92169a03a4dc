// TaskMem<T>: owns a block of the COM task allocator, the memory COM hands across to clients.
#pragma once

#include "vetrel/com.h"

#include <cstddef>
#include <limits>
#include <type_traits>
#include <utility>

namespace vetrel {

template <typename T> class TaskMem
{
    static_assert(std::is_trivially_destructible_v<T>,
                  "task memory is freed without running destructors");

public:
    TaskMem() noexcept = default;
    TaskMem(const TaskMem&) = delete;
    TaskMem& operator=(const TaskMem&) = delete;
    TaskMem(TaskMem&& other) noexcept
        : m_block(std::exchange(other.m_block, nullptr)), m_count(std::exchange(other.m_count, 0))
    {}
    TaskMem& operator=(TaskMem&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_block = std::exchange(other.m_block, nullptr);
            m_count = std::exchange(other.m_count, 0);
        }
        return *this;
    }
    ~TaskMem() { reset(); }

    // Room for count elements, uninitialised; empty when the allocator refuses.
    static TaskMem allocate(size_t count) noexcept
    {
        TaskMem result;
        if (count > std::numeric_limits<SIZE_T>::max() / sizeof(T)) return result;
        result.m_block = static_cast<T*>(CoTaskMemAlloc(count * sizeof(T)));
        if (result.m_block) result.m_count = count;
        return result;
    }

    // Takes over a block allocated by someone else, a client for instance.
    static TaskMem adopt(T* block, size_t count) noexcept
    {
        TaskMem result;
        result.m_block = block;
        result.m_count = block ? count : 0;
        return result;
    }

    T* get() const noexcept { return m_block; }
    size_t size() const noexcept { return m_count; }
    T& operator[](size_t index) const noexcept { return m_block[index]; }
    explicit operator bool() const noexcept { return m_block != nullptr; }

    // Hands the block to its new owner, typically a client's out parameter.
    T* release() noexcept
    {
        m_count = 0;
        return std::exchange(m_block, nullptr);
    }

    void reset() noexcept { CoTaskMemFree(release()); }

private:
    T* m_block = nullptr;
    size_t m_count = 0;
};

} // namespace vetrel
