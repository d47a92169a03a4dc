// RefCounted: the reference count of a COM object with one or more interfaces, counted
// atomically, since clients call and release it on threads of their choosing. The object goes
// with its last reference.
#pragma once

#include "vetrel/com.h"

#include <atomic>

namespace vetrel {

template <typename... Interfaces> class RefCounted : public Interfaces...
{
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() noexcept override
    {
        return static_cast<ULONG>(m_refCount.fetch_add(1) + 1);
    }

    ULONG STDMETHODCALLTYPE Release() noexcept override
    {
        const LONG count = m_refCount.fetch_sub(1) - 1;
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }

protected:
    RefCounted() noexcept = default;
    virtual ~RefCounted() = default;

    // QueryInterface's answer once the object has looked up the interface: found is null for
    // one it does not have.
    HRESULT answer(void* found, void** object) noexcept
    {
        if (!object) return E_POINTER;
        *object = found;
        if (!found) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

private:
    std::atomic<LONG> m_refCount{0};
};

} // namespace vetrel
