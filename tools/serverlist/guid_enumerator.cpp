#include "guid_enumerator.h"

#include "comkit/com_boundary.h"

namespace serverlist {

using vetrel::comBoundary;
using vetrel::ComPtr;
using vetrel::EnumCursor;

ComPtr<GuidEnumerator> GuidEnumerator::create(std::vector<GUID> snapshot)
{
    return ComPtr<GuidEnumerator>(new GuidEnumerator(std::move(snapshot), EnumCursor{}));
}

GuidEnumerator::GuidEnumerator(std::vector<GUID> snapshot, EnumCursor cursor) noexcept
    : m_snapshot(std::move(snapshot)), m_cursor(cursor)
{}

HRESULT STDMETHODCALLTYPE GuidEnumerator::QueryInterface(REFIID riid, void** object) noexcept
{
    void* found = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumGUID))
        found = static_cast<IEnumGUID*>(this);
    else if (IsEqualIID(riid, IID_IOPCEnumGUID))
        found = static_cast<IOPCEnumGUID*>(this);
    return answer(found, object);
}

HRESULT STDMETHODCALLTYPE GuidEnumerator::Next(ULONG celt, GUID* rgelt,
                                               ULONG* pceltFetched) noexcept
{
    if (!rgelt && celt != 0) return E_POINTER;
    const std::lock_guard lock(m_lock);
    size_t count = 0;
    const HRESULT hr = m_cursor.next(m_snapshot.size(), celt, pceltFetched, count);
    if (hr != S_OK) {
        if (pceltFetched) *pceltFetched = 0;
        return hr;
    }
    std::copy_n(m_snapshot.begin() + static_cast<ptrdiff_t>(m_cursor.position()), count, rgelt);
    return m_cursor.advance(count, celt, pceltFetched);
}

HRESULT STDMETHODCALLTYPE GuidEnumerator::Skip(ULONG celt) noexcept
{
    const std::lock_guard lock(m_lock);
    return m_cursor.skip(m_snapshot.size(), celt);
}

HRESULT STDMETHODCALLTYPE GuidEnumerator::Reset() noexcept
{
    const std::lock_guard lock(m_lock);
    m_cursor.reset();
    return S_OK;
}

template <typename Interface> HRESULT GuidEnumerator::cloneAs(Interface** ppenum) noexcept
{
    if (!ppenum) return E_POINTER;
    *ppenum = nullptr;
    return comBoundary([&] {
        const std::lock_guard lock(m_lock);
        ComPtr<GuidEnumerator> clone(new GuidEnumerator(m_snapshot, m_cursor));
        *ppenum = clone.detach();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE GuidEnumerator::Clone(IEnumGUID** ppenum) noexcept
{
    return cloneAs(ppenum);
}

HRESULT STDMETHODCALLTYPE GuidEnumerator::Clone(IOPCEnumGUID** ppenum) noexcept
{
    return cloneAs(ppenum);
}

} // namespace serverlist
