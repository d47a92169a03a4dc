// SinkObject: the COM identity of a callback object the probe hands to a server. It counts its
// references atomically, since servers call and release it on threads of their choosing, and
// answers IUnknown and its one callback interface.
#pragma once

#include "vetrel/com.h"

#include <atomic>

namespace opcprobe {

template <typename Interface> class SinkObject : public Interface
{
public:
    SinkObject(const SinkObject&) = delete;
    SinkObject& operator=(const SinkObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, m_iid)) return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override
    {
        return static_cast<ULONG>(m_references.fetch_add(1) + 1);
    }
    ULONG STDMETHODCALLTYPE Release() noexcept override
    {
        const LONG left = m_references.fetch_sub(1) - 1;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    explicit SinkObject(const IID& iid) noexcept : m_iid(iid) {}
    virtual ~SinkObject() = default;

private:
    const IID& m_iid;
    std::atomic<LONG> m_references{0};
};

} // namespace opcprobe
