#include "group/sync_io.h"

#include "group/item_io.h"
#include "group/per_item.h"

namespace vetrel {

// Both sources read the item's own copy, which tag updates keep current: there is no device
// behind the tags to read from.
HRESULT STDMETHODCALLTYPE IOPCSyncIOObject::Read(OPCDATASOURCE, DWORD dwCount, OPCHANDLE* phServer,
                                                 OPCITEMSTATE** ppItemValues,
                                                 HRESULT** ppErrors) noexcept
{
    trace("IOPCSyncIO::Read");
    clearOutput(ppItemValues);
    if (!ppItemValues) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    // Cleared: an entry of an unknown handle carries no data, and no stale memory either.
    auto states = allocateCleared<OPCITEMSTATE>(dwCount);
    if (!states) {
        clearOutput(ppErrors);
        return E_OUTOFMEMORY;
    }
    const HRESULT hr =
        forEachHandle(owner(), dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD i) {
            OPCITEMSTATE& state = states[i];
            state.hClient = item.m_clientHandle;
            return readItemValue(item, state.vDataValue, state.wQuality, state.ftTimeStamp);
        });
    if (SUCCEEDED(hr)) *ppItemValues = states.release();
    return hr;
}

HRESULT STDMETHODCALLTYPE IOPCSyncIOObject::Write(DWORD dwCount, OPCHANDLE* phServer,
                                                  VARIANT* pItemValues, HRESULT** ppErrors) noexcept
{
    trace("IOPCSyncIO::Write");
    if (!pItemValues) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    return forEachHandle(owner(), dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD i) {
        return SUCCEEDED(writeItemValue(item, pItemValues[i])) ? S_OK : OPC_E_BADTYPE;
    });
}

} // namespace vetrel
