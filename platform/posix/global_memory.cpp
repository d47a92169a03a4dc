// Global memory: fixed blocks, whose handle is their address, and moveable blocks, reached
// through a handle and a lock count. Every handle is looked up, so a stale or foreign one
// gives ERROR_INVALID_HANDLE instead of touching memory.
#include "vetrel/com.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

// Handles and addresses are recorded disguised, so that the leak checker still reports a block
// its owner forgot to free.
constexpr uintptr_t kDisguise = static_cast<uintptr_t>(0x5A5A5A5A5A5A5A5AULL);

struct Block
{
    uintptr_t disguisedData; // 0 for a discarded (empty) moveable block
    SIZE_T size;
    bool moveable;
    unsigned lockCount;

    void* data() const
    {
        return disguisedData ? reinterpret_cast<void*>(disguisedData ^ kDisguise) : nullptr;
    }
    void setData(void* data)
    {
        disguisedData = data ? reinterpret_cast<uintptr_t>(data) ^ kDisguise : 0;
    }
};

void* allocateData(SIZE_T bytes, UINT flags)
{
    SIZE_T size = std::max<SIZE_T>(bytes, 1);
    return (flags & GMEM_ZEROINIT) ? std::calloc(size, 1) : std::malloc(size);
}

class GlobalHeap
{
public:
    static GlobalHeap& instance()
    {
        static GlobalHeap* const heap = new GlobalHeap;
        return *heap;
    }

    HGLOBAL allocate(UINT flags, SIZE_T bytes)
    {
        const bool moveable = (flags & GMEM_MOVEABLE) != 0;
        void* data = nullptr;
        if (!moveable || bytes > 0) {
            data = allocateData(bytes, flags);
            if (!data) return failAllocation();
        }
        std::lock_guard lock(m_mutex);
        HGLOBAL handle = moveable ? nextMoveableHandle() : data;
        Block block{0, bytes, moveable, 0};
        block.setData(data);
        try {
            m_blocks.emplace(key(handle), block);
        } catch (const std::bad_alloc&) {
            std::free(data);
            return failAllocation();
        }
        return handle;
    }

    HGLOBAL reallocate(HGLOBAL handle, SIZE_T bytes, UINT flags)
    {
        std::lock_guard lock(m_mutex);
        auto found = m_blocks.find(key(handle));
        if (found == m_blocks.end()) return failHandle();
        if (flags & GMEM_MODIFY) return handle;
        Block& block = found->second;
        // A block keeps its address unless the caller lets it move; an unlocked moveable one
        // has no address anybody holds.
        const bool mayMove =
            (flags & GMEM_MOVEABLE) != 0 || (block.moveable && block.lockCount == 0);
        if (bytes <= block.size && block.data()) {
            block.size = bytes;
            return handle;
        }
        if (!mayMove) return failAllocation();
        void* data = block.data() ? std::realloc(block.data(), std::max<SIZE_T>(bytes, 1))
                                  : allocateData(bytes, flags);
        if (!data) return failAllocation();
        if (flags & GMEM_ZEROINIT)
            std::memset(static_cast<char*>(data) + block.size, 0, bytes - block.size);
        block.setData(data);
        block.size = bytes;
        if (block.moveable) return handle;
        // The node is reused for the new address, so recording it cannot fail.
        auto node = m_blocks.extract(found);
        node.key() = key(data);
        m_blocks.insert(std::move(node));
        return data;
    }

    HGLOBAL release(HGLOBAL handle)
    {
        if (!handle) return nullptr;
        void* data;
        {
            std::lock_guard lock(m_mutex);
            auto found = m_blocks.find(key(handle));
            if (found == m_blocks.end()) {
                failHandle();
                return handle;
            }
            data = found->second.data();
            m_blocks.erase(found);
        }
        std::free(data);
        return nullptr;
    }

    void* lock(HGLOBAL handle)
    {
        std::lock_guard lock(m_mutex);
        Block* block = find(handle);
        if (!block) return failHandle();
        if (block->moveable && block->data() && block->lockCount < GMEM_LOCKCOUNT)
            ++block->lockCount;
        return block->data();
    }

    BOOL unlock(HGLOBAL handle)
    {
        std::lock_guard lock(m_mutex);
        Block* block = find(handle);
        if (!block) {
            failHandle();
            return FALSE;
        }
        if (!block->moveable) return TRUE;
        if (block->lockCount == 0) {
            SetLastError(ERROR_NOT_LOCKED);
            return FALSE;
        }
        if (--block->lockCount > 0) return TRUE;
        SetLastError(ERROR_SUCCESS);
        return FALSE;
    }

    SIZE_T size(HGLOBAL handle)
    {
        std::lock_guard lock(m_mutex);
        Block* block = find(handle);
        if (!block) {
            failHandle();
            return 0;
        }
        return block->size;
    }

    UINT flags(HGLOBAL handle)
    {
        std::lock_guard lock(m_mutex);
        Block* block = find(handle);
        if (!block) {
            failHandle();
            return GMEM_INVALID_HANDLE;
        }
        if (!block->moveable) return 0;
        return block->lockCount | (block->data() ? 0 : GMEM_DISCARDED);
    }

private:
    static uintptr_t key(HGLOBAL handle) { return reinterpret_cast<uintptr_t>(handle) ^ kDisguise; }

    static std::nullptr_t failHandle()
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }

    static std::nullptr_t failAllocation()
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

    Block* find(HGLOBAL handle)
    {
        auto found = m_blocks.find(key(handle));
        return found == m_blocks.end() ? nullptr : &found->second;
    }

    // Moveable handles are never 16-byte aligned, so they cannot equal the address of a fixed
    // block, which malloc aligns.
    HGLOBAL nextMoveableHandle()
    {
        m_lastMoveable += 16;
        return reinterpret_cast<HGLOBAL>(m_lastMoveable + 8);
    }

    std::mutex m_mutex;
    std::unordered_map<uintptr_t, Block> m_blocks;
    uintptr_t m_lastMoveable = 0x10000;
};

} // namespace

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    return GlobalHeap::instance().allocate(uFlags, dwBytes);
}

extern "C" HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    return GlobalHeap::instance().reallocate(hMem, dwBytes, uFlags);
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL hMem)
{
    return GlobalHeap::instance().release(hMem);
}

extern "C" LPVOID WINAPI GlobalLock(HGLOBAL hMem)
{
    return GlobalHeap::instance().lock(hMem);
}

extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL hMem)
{
    return GlobalHeap::instance().unlock(hMem);
}

extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL hMem)
{
    return GlobalHeap::instance().size(hMem);
}

extern "C" UINT WINAPI GlobalFlags(HGLOBAL hMem)
{
    return GlobalHeap::instance().flags(hMem);
}
