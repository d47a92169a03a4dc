// The task allocator: the one process-wide IMalloc behind CoTaskMemAlloc and CoGetMalloc.
#include "platform/posix/task_allocator_hook.h"
#include "vetrel/com.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

// Blocks are recorded under a disguised address so that the leak checker still reports a block
// a client forgot to free, instead of finding it reachable through this table.
uintptr_t disguise(const void* block) noexcept
{
    return reinterpret_cast<uintptr_t>(block) ^ static_cast<uintptr_t>(0xA5A5A5A5A5A5A5A5ULL);
}

class TaskAllocator final : public IMalloc
{
public:
    void failNth(unsigned n) noexcept { m_failCountdown.store(n); }

    void* allocate(SIZE_T cb) noexcept
    {
        if (consumeInjectedFailure()) return nullptr;
        void* block = std::malloc(cb ? cb : 1);
        if (!block) return nullptr;
        if (!record(block, cb)) {
            std::free(block);
            return nullptr;
        }
        return block;
    }

    void* reallocate(void* pv, SIZE_T cb) noexcept
    {
        if (!pv) return allocate(cb);
        if (cb == 0) {
            release(pv);
            return nullptr;
        }
        if (consumeInjectedFailure()) return nullptr;
        std::lock_guard lock(m_mutex);
        auto found = m_blocks.find(disguise(pv));
        if (found == m_blocks.end()) return nullptr;
        void* moved = std::realloc(pv, cb);
        if (!moved) return nullptr;
        if (moved == pv) {
            found->second = cb;
            return moved;
        }
        // The node is reused for the new address, so recording it cannot fail.
        auto node = m_blocks.extract(found);
        node.key() = disguise(moved);
        node.mapped() = cb;
        m_blocks.insert(std::move(node));
        return moved;
    }

    void release(void* pv) noexcept
    {
        if (!pv) return;
        {
            std::lock_guard lock(m_mutex);
            // A pointer this allocator never handed out is ignored rather than corrupting the heap.
            if (m_blocks.erase(disguise(pv)) == 0) return;
        }
        std::free(pv);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (!ppvObject) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMalloc) {
            *ppvObject = static_cast<IMalloc*>(this);
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    // The allocator lives as long as the process: its reference count is fixed.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    void* STDMETHODCALLTYPE Alloc(SIZE_T cb) override { return allocate(cb); }
    void* STDMETHODCALLTYPE Realloc(void* pv, SIZE_T cb) override { return reallocate(pv, cb); }
    void STDMETHODCALLTYPE Free(void* pv) override { release(pv); }

    SIZE_T STDMETHODCALLTYPE GetSize(void* pv) override
    {
        std::lock_guard lock(m_mutex);
        auto found = pv ? m_blocks.find(disguise(pv)) : m_blocks.end();
        return found == m_blocks.end() ? static_cast<SIZE_T>(-1) : found->second;
    }

    int STDMETHODCALLTYPE DidAlloc(void* pv) override
    {
        if (!pv) return -1;
        std::lock_guard lock(m_mutex);
        return m_blocks.count(disguise(pv)) ? 1 : 0;
    }

    void STDMETHODCALLTYPE HeapMinimize() override {}

private:
    bool consumeInjectedFailure() noexcept
    {
        unsigned remaining = m_failCountdown.load();
        while (remaining != 0) {
            if (m_failCountdown.compare_exchange_weak(remaining, remaining - 1))
                return remaining == 1;
        }
        return false;
    }

    bool record(void* block, SIZE_T cb) noexcept
    {
        try {
            std::lock_guard lock(m_mutex);
            m_blocks[disguise(block)] = cb;
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    std::mutex m_mutex;
    std::unordered_map<uintptr_t, SIZE_T> m_blocks;
    std::atomic<unsigned> m_failCountdown{0};
};

// Never destroyed: clients may free task memory from static destructors of their own.
TaskAllocator& taskAllocator()
{
    static TaskAllocator* const allocator = new TaskAllocator;
    return *allocator;
}

} // namespace

extern "C" void vetrel_fail_nth_task_allocation(unsigned n)
{
    taskAllocator().failNth(n);
}

STDAPI CoGetMalloc(DWORD dwMemContext, LPMALLOC* ppMalloc)
{
    if (!ppMalloc) return E_INVALIDARG;
    if (dwMemContext != MEMCTX_TASK) {
        *ppMalloc = nullptr;
        return E_INVALIDARG;
    }
    *ppMalloc = &taskAllocator();
    return S_OK;
}

STDAPI_(LPVOID) CoTaskMemAlloc(SIZE_T cb)
{
    return taskAllocator().allocate(cb);
}

STDAPI_(LPVOID) CoTaskMemRealloc(LPVOID pv, SIZE_T cb)
{
    return taskAllocator().reallocate(pv, cb);
}

STDAPI_(void) CoTaskMemFree(LPVOID pv)
{
    taskAllocator().release(pv);
}
