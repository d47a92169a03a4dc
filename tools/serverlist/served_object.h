// What every object the service hands to clients shares: its reference count, and its hold on
// the process, which serves for as long as a client holds one of them.
#pragma once

#include "server_lifetime.h"
#include "vetrel/com.h"

#include <atomic>

namespace serverlist {

template <typename... Interfaces> class ServedObject : public Interfaces...
{
public:
    ServedObject(const ServedObject&) = delete;
    ServedObject& operator=(const ServedObject&) = delete;

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
    ServedObject() noexcept { holdProcess(); }
    virtual ~ServedObject() { releaseProcess(); }

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

} // namespace serverlist
