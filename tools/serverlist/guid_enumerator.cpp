#include "guid_enumerator.h"

#include "comkit/com_boundary.h"
#include "server_lifetime.h"

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
{
    holdProcess();
}

GuidEnumerator::~GuidEnumerator()
{
    releaseProcess();
}

HRESULT STDMETHODCALLTYPE GuidEnumerator::QueryInterface(REFIID riid, void** object) noexcept
{
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumGUID))
        *object = static_cast<IEnumGUID*>(this);
    else if (IsEqualIID(riid, IID_IOPCEnumGUID))
        *object = static_cast<IOPCEnumGUID*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE GuidEnumerator::AddRef() noexcept
{
    return static_cast<ULONG>(m_refCount.fetch_add(1) + 1);
}

ULONG STDMETHODCALLTYPE GuidEnumerator::Release() noexcept
{
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
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
