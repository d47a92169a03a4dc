#include "server/opc_server.h"

#include "runtime/trace.h"
#include "runtime/vetrel_app.h"
#include "server/interface_names.h"

namespace vetrel {

OPCServer::OPCServer()
{
    CoFileTimeNow(&m_creationTime);
}

HRESULT STDMETHODCALLTYPE OPCServer::QueryInterface(REFIID riid, void** object) noexcept
{
    if (!object) {
        trace("OPCServer::QueryInterface E_INVALIDARG");
        return E_INVALIDARG;
    }
    *object = nullptr;
    if (m_detached) {
        trace("OPCServer::QueryInterface%s", unansweredInterfaceSuffix(riid));
        return E_NOINTERFACE;
    }
    if (IsEqualIID(riid, IID_IUnknown)) {
        trace("OPCServer::QueryInterface IID_IUnknown");
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    trace("OPCServer::QueryInterface%s", unansweredInterfaceSuffix(riid));
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE OPCServer::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace("OPCServer::AddRef(%d)", static_cast<int>(count));
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE OPCServer::Release() noexcept
{
    const LONG before = m_refCount.fetch_sub(1);
    trace("OPCServer::Release(%d)", static_cast<int>(before));
    // A listed server leaves the list and is destroyed by the runtime; one that the unload
    // detached is no longer listed and goes here.
    if (before == 1 && !CVetrelApp::instance().removeServer(this)) delete this;
    return static_cast<ULONG>(before - 1);
}

void OPCServer::detach() noexcept
{
    m_detached = true;
}

} // namespace vetrel
