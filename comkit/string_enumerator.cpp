#include "comkit/string_enumerator.h"

#include "comkit/client_text.h"
#include "comkit/com_boundary.h"
#include "comkit/query_interface.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "platform/task_mem.h"

namespace vetrel {

ComPtr<IOPCEnumString> IOPCEnumString::create()
{
    return ComPtr<IOPCEnumString>(new IOPCEnumString);
}

HRESULT STDMETHODCALLTYPE IOPCEnumString::QueryInterface(REFIID riid, void** object) noexcept
{
    const InterfaceRow rows[] = {
        {IID_IUnknown, " IID_IUnknown", this},
        {IID_IEnumString, " IID_IEnumString", this},
    };
    return answerQueryInterface("IOPCEnumString::QueryInterface", rows, riid, object, *this);
}

ULONG STDMETHODCALLTYPE IOPCEnumString::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace("IOPCEnumString::AddRef(%d)", static_cast<int>(count));
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE IOPCEnumString::Release() noexcept
{
    trace("IOPCEnumString::Release(%d)", static_cast<int>(m_refCount.load()));
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE IOPCEnumString::Next(ULONG celt, LPOLESTR* rgelt,
                                               ULONG* pceltFetched) noexcept
{
    trace("IOPCEnumString::Next");
    if (!rgelt && celt != 0) return E_INVALIDARG;
    return comBoundary([&] {
        auto held = holdRuntimeLock();
        size_t count = 0;
        const HRESULT hr = m_cursor.next(m_snapshot.size(), celt, pceltFetched, count);
        if (hr != S_OK) return hr;
        // All or nothing: a client told of no memory owns no strings, and the position stays
        // where it was so that it can ask again.
        std::vector<TaskMem<WCHAR>> texts(count);
        for (size_t i = 0; i < count; ++i) {
            const std::string& text = m_snapshot[m_cursor.position() + i];
            texts[i] = TaskMem<WCHAR>::adopt(toClientText(text), text.size() + 1);
            if (!texts[i]) return E_OUTOFMEMORY;
        }
        for (size_t i = 0; i < count; ++i) rgelt[i] = texts[i].release();
        return m_cursor.advance(count, celt, pceltFetched);
    });
}

HRESULT STDMETHODCALLTYPE IOPCEnumString::Skip(ULONG celt) noexcept
{
    trace("IOPCEnumString::Skip");
    auto held = holdRuntimeLock();
    return m_cursor.skip(m_snapshot.size(), celt);
}

HRESULT STDMETHODCALLTYPE IOPCEnumString::Reset() noexcept
{
    trace("IOPCEnumString::Reset");
    auto held = holdRuntimeLock();
    m_cursor.reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE IOPCEnumString::Clone(IEnumString** ppEnum) noexcept
{
    trace("IOPCEnumString::Clone");
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    return comBoundary([&] {
        auto held = holdRuntimeLock();
        ComPtr<IOPCEnumString> clone = create();
        clone->m_snapshot = m_snapshot;
        clone->m_cursor = m_cursor;
        *ppEnum = clone.detach();
        return S_OK;
    });
}

} // namespace vetrel
