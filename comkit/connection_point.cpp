#include "comkit/connection_point.h"

#include "comkit/connection_point_enumerator.h"
#include "comkit/query_interface.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"

namespace vetrel {

HRESULT STDMETHODCALLTYPE ConnectionPoint::QueryInterface(REFIID riid, void** object) noexcept
{
    const InterfaceRow rows[] = {
        {IID_IUnknown, " IID_IUnknown", this},
        {IID_IConnectionPoint, " IID_IConnectionPoint", this},
    };
    return answerQueryInterface(m_traces.pointQueryInterface, rows, riid, object, *this);
}

ConnectionPoint::~ConnectionPoint()
{
    RuntimeLock::releaseAfterUnlock(m_sink.detach());
}

ULONG STDMETHODCALLTYPE ConnectionPoint::AddRef() noexcept
{
    trace("%s", m_traces.pointAddRef);
    return m_container.AddRef();
}

ULONG STDMETHODCALLTYPE ConnectionPoint::Release() noexcept
{
    trace("%s", m_traces.pointRelease);
    return m_container.Release();
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionInterface(IID* pIID) noexcept
{
    if (!pIID) {
        trace("%s E_INVALIDARG", m_traces.getConnectionInterface);
        return E_INVALIDARG;
    }
    trace("%s%s", m_traces.getConnectionInterface, m_traces.connectionInterfaceSuffix);
    *pIID = m_traces.sinkIid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE
ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) noexcept
{
    if (!ppCPC) {
        trace("%s E_INVALIDARG", m_traces.getConnectionPointContainer);
        return E_INVALIDARG;
    }
    trace("%s", m_traces.getConnectionPointContainer);
    m_container.AddRef();
    *ppCPC = &m_container;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) noexcept
{
    const auto answer = [this](const char* suffix, HRESULT hr) {
        trace("%s%s", m_traces.advise, suffix);
        return hr;
    };
    if (!pUnkSink || !pdwCookie) return answer(" E_POINTER", E_POINTER);
    if (connected()) return answer(m_traces.adviseLimitSuffix, CONNECT_E_ADVISELIMIT);

    // The client's QueryInterface may be a call into another process: not under the lock.
    assertLockNotHeld();
    ComPtr<IUnknown> sink;
    if (FAILED(pUnkSink->QueryInterface(m_traces.sinkIid, sink.putVoid())) || !sink)
        return answer(" CONNECT_E_CANNOTCONNECT", CONNECT_E_CANNOTCONNECT);
    {
        std::lock_guard held(m_sinkLock);
        // Another Advise won meanwhile; the reference taken here goes with sink.
        if (m_sink) return answer(m_traces.adviseLimitSuffix, CONNECT_E_ADVISELIMIT);
        m_sink = std::move(sink);
    }
    *pdwCookie = 1;
    return answer(" S_OK", S_OK);
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Unadvise(DWORD dwCookie) noexcept
{
    ComPtr<IUnknown> released;
    {
        std::lock_guard held(m_sinkLock);
        if (dwCookie == 1) released = std::move(m_sink);
    }
    if (!released) {
        trace("%s", m_traces.unadviseFailure);
        return CONNECT_E_NOCONNECTION;
    }
    if (m_traces.unadviseSuccess) trace("%s", m_traces.unadviseSuccess);
    // The client's Release runs here, outside the lock; a delivery in progress holds its own
    // reference.
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::EnumConnections(IEnumConnections** ppEnum) noexcept
{
    if (m_traces.enumConnections) trace("%s", m_traces.enumConnections);
    if (ppEnum) *ppEnum = nullptr;
    return E_NOTIMPL;
}

bool ConnectionPoint::connected() const
{
    std::lock_guard held(m_sinkLock);
    return static_cast<bool>(m_sink);
}

void ConnectionPointHome::disconnect() noexcept
{
    ConnectionPointContainer* container = m_container.get();
    if (!container) return;
    CoDisconnectObject(container, 0);
    CoDisconnectObject(&container->point(), 0);
}

HRESULT STDMETHODCALLTYPE ConnectionPointContainer::QueryInterface(REFIID riid,
                                                                   void** object) noexcept
{
    const InterfaceRow rows[] = {{IID_IUnknown, " IID_IUnknown", this}};
    return answerQueryInterface(m_traces.containerQueryInterface, rows, riid, object, *this);
}

ULONG STDMETHODCALLTYPE ConnectionPointContainer::AddRef() noexcept
{
    trace("%s", m_traces.containerAddRef);
    return m_owner.AddRef();
}

ULONG STDMETHODCALLTYPE ConnectionPointContainer::Release() noexcept
{
    trace("%s", m_traces.containerRelease);
    return m_owner.Release();
}

HRESULT STDMETHODCALLTYPE
ConnectionPointContainer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) noexcept
{
    if (!ppEnum) {
        trace("%s E_INVALIDARG", m_traces.enumConnectionPoints);
        return E_INVALIDARG;
    }
    ConnectionPointEnumerator* enumerator = ConnectionPointEnumerator::create(*this);
    if (!enumerator) {
        trace("%s E_OUTOFMEMORY", m_traces.enumConnectionPoints);
        return E_OUTOFMEMORY;
    }
    trace("%s S_OK", m_traces.enumConnectionPoints);
    enumerator->AddRef();
    *ppEnum = enumerator;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE
ConnectionPointContainer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) noexcept
{
    if (!ppCP) {
        trace("%s E_INVALIDARG", m_traces.findConnectionPoint);
        return E_INVALIDARG;
    }
    if (!IsEqualIID(riid, m_traces.sinkIid)) {
        trace("%s E_NOINTERFACE", m_traces.findConnectionPoint);
        return E_NOINTERFACE;
    }
    trace("%s%s", m_traces.findConnectionPoint, m_traces.sinkSuffix);
    m_point.AddRef();
    *ppCP = &m_point;
    return S_OK;
}

} // namespace vetrel
