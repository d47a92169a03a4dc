#include "group/item_enumerator.h"

#include "comkit/client_arrays.h"
#include "comkit/client_text.h"
#include "comkit/com_boundary.h"
#include "comkit/query_interface.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "group/item_list.h"

#include <new>

namespace vetrel {

namespace {

void freeStrings(const OPCITEMATTRIBUTES& entry) noexcept
{
    CoTaskMemFree(entry.szAccessPath);
    CoTaskMemFree(entry.szItemID);
}

// False when a string does not fit in task memory; the entry then holds no string.
bool fill(OPCITEMATTRIBUTES& entry, const IOPCItemEnumerator::Attributes& item) noexcept
{
    entry.szAccessPath = toClientText(item.accessPath);
    entry.szItemID = toClientText(item.itemID);
    if (!entry.szAccessPath || !entry.szItemID) {
        freeStrings(entry);
        entry.szAccessPath = entry.szItemID = nullptr;
        return false;
    }
    entry.bActive = item.active;
    entry.hClient = item.clientHandle;
    entry.hServer = item.serverHandle;
    entry.dwAccessRights = item.accessRights;
    entry.dwBlobSize = 0;
    entry.pBlob = nullptr;
    entry.vtRequestedDataType = item.requestedDataType;
    entry.vtCanonicalDataType = item.canonicalDataType;
    entry.dwEUType = OPC_NOENUM;
    VariantInit(&entry.vEUInfo);
    return true;
}

} // namespace

HRESULT IOPCItemEnumerator::create(const ItemList& items, REFIID riid, IUnknown** object)
{
    std::vector<Attributes> snapshot;
    snapshot.reserve(items.size());
    items.forEach([&snapshot](const OPCItem& item) {
        try {
            snapshot.push_back({std::string(item.accessPath()), std::string(item.itemID()),
                                item.m_active, item.m_clientHandle, item.m_serverHandle,
                                item.m_accessRights, item.m_requestedDataType,
                                item.m_canonicalDataType});
        } catch (const std::bad_alloc&) {}
    });
    auto* enumerator = new IOPCItemEnumerator(std::move(snapshot), 0);
    const HRESULT hr = enumerator->QueryInterface(riid, reinterpret_cast<void**>(object));
    if (FAILED(hr)) delete enumerator;
    return hr;
}

HRESULT STDMETHODCALLTYPE IOPCItemEnumerator::QueryInterface(REFIID riid, void** object) noexcept
{
    const InterfaceRow rows[] = {
        {IID_IUnknown, " IID_IUnknown", this},
        {IID_IEnumOPCItemAttributes, " IID_IEnumOPCItemAttributes", this},
    };
    return answerQueryInterface("IOPCItemEnumerator::QueryInterface", rows, riid, object, *this);
}

ULONG STDMETHODCALLTYPE IOPCItemEnumerator::AddRef() noexcept
{
    const LONG count = m_refCount.fetch_add(1) + 1;
    trace("IOPCItemEnumerator::AddRef(%d)", static_cast<int>(count));
    return static_cast<ULONG>(count);
}

ULONG STDMETHODCALLTYPE IOPCItemEnumerator::Release() noexcept
{
    trace("IOPCItemEnumerator::Release(%d)", static_cast<int>(m_refCount.load()));
    const LONG count = m_refCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE IOPCItemEnumerator::Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray,
                                                   ULONG* pceltFetched) noexcept
{
    trace("IOPCItemEnumerator::Next");
    if (!ppItemArray) return E_INVALIDARG;
    auto held = holdRuntimeLock();
    // Room for what is handed out, not for what was asked: celt is the client's number.
    size_t count = 0;
    const HRESULT hr = m_cursor.next(m_snapshot.size(), celt, pceltFetched, count);
    if (hr != S_OK) return hr;
    auto entries = allocateCleared<OPCITEMATTRIBUTES>(count);
    if (!entries) return S_FALSE;
    for (size_t i = 0; i < count; ++i) {
        if (!fill(entries[i], m_snapshot[m_cursor.position() + i])) {
            for (size_t filled = 0; filled < i; ++filled) freeStrings(entries[filled]);
            return S_FALSE;
        }
    }
    *ppItemArray = entries.release();
    return m_cursor.advance(count, celt, pceltFetched);
}

HRESULT STDMETHODCALLTYPE IOPCItemEnumerator::Skip(ULONG celt) noexcept
{
    trace("IOPCItemEnumerator::Skip");
    auto held = holdRuntimeLock();
    return m_cursor.skip(m_snapshot.size(), celt);
}

HRESULT STDMETHODCALLTYPE IOPCItemEnumerator::Reset() noexcept
{
    trace("IOPCItemEnumerator::Reset");
    auto held = holdRuntimeLock();
    m_cursor.reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE IOPCItemEnumerator::Clone(IEnumOPCItemAttributes** ppEnum) noexcept
{
    trace("IOPCItemEnumerator::Clone");
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    return comBoundary([&] {
        auto held = holdRuntimeLock();
        auto* clone = new IOPCItemEnumerator(m_snapshot, m_cursor.position());
        clone->AddRef();
        *ppEnum = clone;
        return S_OK;
    });
}

} // namespace vetrel
