#include "group/sync_io2.h"

#include "group/item_io.h"
#include "group/per_item.h"
#include "group/read_arrays.h"

namespace vetrel {

HRESULT STDMETHODCALLTYPE IOPCSyncIO2Object::Read(OPCDATASOURCE dwSource, DWORD dwCount,
                                                  OPCHANDLE* phServer, OPCITEMSTATE** ppItemValues,
                                                  HRESULT** ppErrors) noexcept
{
    return owner().syncIO().Read(dwSource, dwCount, phServer, ppItemValues, ppErrors);
}

HRESULT STDMETHODCALLTYPE IOPCSyncIO2Object::Write(DWORD dwCount, OPCHANDLE* phServer,
                                                   VARIANT* pItemValues,
                                                   HRESULT** ppErrors) noexcept
{
    return owner().syncIO().Write(dwCount, phServer, pItemValues, ppErrors);
}

// Every max age is met by the item's own copy: tag updates keep it as current as the host's
// value, and no device lies behind the tags to read from instead.
HRESULT STDMETHODCALLTYPE IOPCSyncIO2Object::ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer,
                                                        DWORD* pdwMaxAge, VARIANT** ppvValues,
                                                        WORD** ppwQualities,
                                                        FILETIME** ppftTimeStamps,
                                                        HRESULT** ppErrors) noexcept
{
    trace("IOPCSyncIO2::ReadMaxAge");
    ReadArrays arrays(dwCount);
    const HRESULT accepted =
        arrays.accept(pdwMaxAge, ppvValues, ppwQualities, ppftTimeStamps, ppErrors);
    if (FAILED(accepted)) return accepted;
    const HRESULT hr =
        forEachHandle(owner(), dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD i) {
            return readItemValue(item, arrays.value(i), arrays.quality(i), arrays.timestamp(i));
        });
    if (SUCCEEDED(hr)) arrays.handOut(ppvValues, ppwQualities, ppftTimeStamps);
    return withItemOutcome(hr, dwCount, ppErrors);
}

HRESULT STDMETHODCALLTYPE IOPCSyncIO2Object::WriteVQT(DWORD dwCount, OPCHANDLE* phServer,
                                                      OPCITEMVQT* pItemVQT,
                                                      HRESULT** ppErrors) noexcept
{
    trace("IOPCSyncIO2::WriteVQT");
    if (!pItemVQT) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    const HRESULT hr =
        forEachHandle(owner(), dwCount, phServer, ppErrors,
                      [&](OPCItem& item, DWORD i) { return writeItemVQT(item, pItemVQT[i]); });
    return withItemOutcome(hr, dwCount, ppErrors);
}

} // namespace vetrel
