#include "runtime/class_factory.h"

#include "server/opc_server.h"

namespace vetrel {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** object) noexcept
{
    if (!object) return E_INVALIDARG;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() noexcept
{
    return static_cast<ULONG>(m_refCount.fetch_add(1) + 1);
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() noexcept
{
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID riid,
                                                       void** object) noexcept
{
    if (object) *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    // A missing output is the new server's to refuse, with its own trace line.
    return OPCServer::serveNewClient(riid, object);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) noexcept
{
    // Counted, as clients expect, but it keeps nothing alive: the host decides when to end.
    if (lock)
        ++m_lockCount;
    else
        --m_lockCount;
    return S_OK;
}

} // namespace vetrel
