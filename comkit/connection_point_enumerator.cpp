#include "comkit/connection_point_enumerator.h"

#include "comkit/query_interface.h"
#include "comkit/trace.h"

#include <new>

namespace vetrel {

ConnectionPointEnumerator*
ConnectionPointEnumerator::create(ConnectionPointContainer& container) noexcept
{
    return new (std::nothrow) ConnectionPointEnumerator(container);
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::QueryInterface(REFIID riid,
                                                                    void** object) noexcept
{
    const InterfaceRow rows[] = {{IID_IUnknown, " IID_IUnknown", this}};
    return answerQueryInterface(m_container.traces().containerQueryInterface, rows, riid, object,
                                *this);
}

ULONG STDMETHODCALLTYPE ConnectionPointEnumerator::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace(m_container.traces().enumeratorAddRef, static_cast<int>(count));
    m_container.AddRef();
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE ConnectionPointEnumerator::Release() noexcept
{
    ConnectionPointContainer& container = m_container;
    trace(container.traces().enumeratorRelease, static_cast<int>(m_refCount.load()));
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    // The container, and perhaps the owner with it, may go with this last call.
    container.Release();
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Next(ULONG cConnections,
                                                          IConnectionPoint** rgpcn,
                                                          ULONG* pcFetched) noexcept
{
    trace("%s", m_container.traces().enumeratorNext);
    if (!pcFetched && cConnections != 1) return E_POINTER;
    if (pcFetched) *pcFetched = 0;
    // Nothing asked for, nowhere to put it, or the one point handed out already.
    if (cConnections == 0) return S_OK;
    if (!rgpcn) return E_POINTER;
    if (m_position.fetch_add(1) > 0) return S_FALSE;
    if (FAILED(m_container.FindConnectionPoint(m_container.traces().sinkIid, rgpcn)))
        return S_FALSE;
    if (pcFetched) *pcFetched = 1;
    // The one point is never a full batch of more.
    return cConnections == 1 ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Skip(ULONG cConnections) noexcept
{
    if (const char* text = m_container.traces().enumeratorSkip) trace("%s", text);
    m_position += cConnections;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Reset() noexcept
{
    if (const char* text = m_container.traces().enumeratorReset) trace("%s", text);
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Clone(IEnumConnectionPoints** ppEnum) noexcept
{
    if (const char* text = m_container.traces().enumeratorClone) trace("%s", text);
    if (!ppEnum) return E_INVALIDARG;
    ConnectionPointEnumerator* clone = create(m_container);
    if (!clone) return E_OUTOFMEMORY;
    clone->AddRef();
    *ppEnum = clone;
    return S_OK;
}

} // namespace vetrel
