// The class object clients activate: one OPCServer per CreateInstance.
#pragma once

#include "vetrel/com.h"

#include <atomic>

namespace vetrel {

class ClassFactory final : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    // The runtime holds a reference from start to unload, so only a client that keeps the
    // factory past the unload sees it go at its own last Release.
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                             void** object) noexcept override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    std::atomic<LONG> m_refCount{0};
    std::atomic<LONG> m_lockCount{0};
};

} // namespace vetrel
