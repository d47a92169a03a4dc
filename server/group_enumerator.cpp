#include "server/group_enumerator.h"

#include "comkit/com_boundary.h"
#include "comkit/query_interface.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "server/opc_server.h"

namespace vetrel {

ComPtr<OPCGroupEnumerator> OPCGroupEnumerator::create(OPCServer& server, bool listGroups)
{
    ComPtr<OPCGroupEnumerator> enumerator(new OPCGroupEnumerator(server));
    if (listGroups) {
        enumerator->m_snapshot.reserve(server.groups().size());
        server.groups().forEach(
            [&enumerator](OPCGroup& group) { enumerator->m_snapshot.emplace_back(&group); });
    }
    return enumerator;
}

HRESULT STDMETHODCALLTYPE OPCGroupEnumerator::QueryInterface(REFIID riid, void** object) noexcept
{
    const InterfaceRow rows[] = {
        {IID_IUnknown, " IID_IUnknown", this},
        {IID_IEnumUnknown, " IID_IEnumUnknown", this},
    };
    return answerQueryInterface("OPCGroupEnumerator::QueryInterface", rows, riid, object, *this);
}

ULONG STDMETHODCALLTYPE OPCGroupEnumerator::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace("OPCGroupEnumerator::AddRef(%d)", static_cast<int>(count));
    m_server.AddRef();
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE OPCGroupEnumerator::Release() noexcept
{
    trace("OPCGroupEnumerator::Release(%d)", static_cast<int>(m_refCount.load()));
    m_server.Release();
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE OPCGroupEnumerator::Next(ULONG celt, IUnknown** rgelt,
                                                   ULONG* pceltFetched) noexcept
{
    trace("OPCGroupEnumerator::Next");
    if (!rgelt && celt != 0) return E_INVALIDARG;
    auto held = holdRuntimeLock();
    size_t count = 0;
    const HRESULT hr = m_cursor.next(m_snapshot.size(), celt, pceltFetched, count);
    if (hr != S_OK) return hr;
    for (size_t i = 0; i < count; ++i) {
        OPCGroup* group = m_snapshot[m_cursor.position() + i].get();
        group->AddRef();
        rgelt[i] = group;
    }
    return m_cursor.advance(count, celt, pceltFetched);
}

HRESULT STDMETHODCALLTYPE OPCGroupEnumerator::Skip(ULONG celt) noexcept
{
    trace("OPCGroupEnumerator::Skip");
    auto held = holdRuntimeLock();
    return m_cursor.skip(m_snapshot.size(), celt);
}

HRESULT STDMETHODCALLTYPE OPCGroupEnumerator::Reset() noexcept
{
    trace("OPCGroupEnumerator::Reset");
    auto held = holdRuntimeLock();
    m_cursor.reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OPCGroupEnumerator::Clone(IEnumUnknown** ppEnum) noexcept
{
    trace("OPCGroupEnumerator::Clone");
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    return comBoundary([&] {
        auto held = holdRuntimeLock();
        ComPtr<OPCGroupEnumerator> clone(new OPCGroupEnumerator(m_server));
        clone->m_snapshot = m_snapshot;
        clone->m_cursor = m_cursor;
        *ppEnum = clone.detach();
        return S_OK;
    });
}

} // namespace vetrel
