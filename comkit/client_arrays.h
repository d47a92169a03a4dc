// Arrays handed to clients: task memory sized by our own definitions for this build, and
// cleared, so that no entry a call leaves without data carries stale memory.
#pragma once

#include "platform/task_mem.h"

#include <cstring>

namespace vetrel {

// Empty when the allocator refuses or count elements would not fit in memory.
template <typename T> TaskMem<T> allocateCleared(size_t count) noexcept
{
    auto block = TaskMem<T>::allocate(count);
    if (block) std::memset(static_cast<void*>(block.get()), 0, count * sizeof(T));
    return block;
}

// Clears a client's output pointer when the client passed one.
template <typename T> void clearOutput(T* output) noexcept
{
    if (output) *output = T{};
}

} // namespace vetrel
