// The task allocation fault hook on Windows: a malloc spy that turns the chosen allocation into
// a request the heap cannot satisfy.
#include "platform/alloc_fault.h"

#include "vetrel/com.h"

#include <atomic>
#include <mutex>

namespace vetrel::platform {
namespace {

// Large enough that no heap grants it, small enough that no header the allocator adds wraps.
constexpr SIZE_T kUnsatisfiable = static_cast<SIZE_T>(-1) >> 2;

class FailingSpy final : public IMallocSpy
{
public:
    void failNth(unsigned n) { m_countdown.store(n); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
            *ppv = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Registered once and kept for the life of the process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cbRequest) override { return request(cbRequest); }
    void* STDMETHODCALLTYPE PostAlloc(void* pActual) override { return result(pActual); }
    void* STDMETHODCALLTYPE PreFree(void* pRequest, BOOL) override { return pRequest; }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest,
                                        BOOL) override
    {
        *ppNewRequest = pRequest;
        // A reallocation to nothing frees the block: it is no allocation to fail.
        return cbRequest == 0 ? 0 : request(cbRequest);
    }
    void* STDMETHODCALLTYPE PostRealloc(void* pActual, BOOL) override { return result(pActual); }
    void* STDMETHODCALLTYPE PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    SIZE_T request(SIZE_T cb)
    {
        unsigned remaining = m_countdown.load();
        while (remaining != 0) {
            if (!m_countdown.compare_exchange_weak(remaining, remaining - 1)) continue;
            if (remaining != 1) break;
            t_failing = true;
            return kUnsatisfiable;
        }
        return cb;
    }

    // The allocator hands the spy its result on the thread that asked.
    void* result(void* actual)
    {
        if (!t_failing) return actual;
        t_failing = false;
        return nullptr;
    }

    std::atomic<unsigned> m_countdown{0};
    static thread_local bool t_failing;
};

thread_local bool FailingSpy::t_failing = false;

FailingSpy& spy()
{
    static FailingSpy instance;
    static std::once_flag registered;
    std::call_once(registered, [] { CoRegisterMallocSpy(&instance); });
    return instance;
}

} // namespace

void failNthTaskAllocation(unsigned n)
{
    spy().failNth(n);
}

} // namespace vetrel::platform
