#include "group/async_io3.h"

#include "group/item_io.h"
#include "group/request_intake.h"

namespace vetrel {

HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::Read(DWORD dwCount, OPCHANDLE* phServer,
                                                   DWORD dwTransactionID, DWORD* pdwCancelID,
                                                   HRESULT** ppErrors) noexcept
{
    return owner().asyncIO2().Read(dwCount, phServer, dwTransactionID, pdwCancelID, ppErrors);
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::Write(DWORD dwCount, OPCHANDLE* phServer,
                                                    VARIANT* pItemValues, DWORD dwTransactionID,
                                                    DWORD* pdwCancelID, HRESULT** ppErrors) noexcept
{
    return owner().asyncIO2().Write(dwCount, phServer, pItemValues, dwTransactionID, pdwCancelID,
                                    ppErrors);
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::Refresh2(OPCDATASOURCE dwSource,
                                                       DWORD dwTransactionID,
                                                       DWORD* pdwCancelID) noexcept
{
    return owner().asyncIO2().Refresh2(dwSource, dwTransactionID, pdwCancelID);
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::Cancel2(DWORD dwCancelID) noexcept
{
    return owner().asyncIO2().Cancel2(dwCancelID);
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::SetEnable(BOOL bEnable) noexcept
{
    return owner().asyncIO2().SetEnable(bEnable);
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::GetEnable(BOOL* pbEnable) noexcept
{
    return owner().asyncIO2().GetEnable(pbEnable);
}

// The completion reads the items' own copies, which meet every max age (see IOPCSyncIO2).
HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer,
                                                         DWORD* pdwMaxAge, DWORD dwTransactionID,
                                                         DWORD* pdwCancelID,
                                                         HRESULT** ppErrors) noexcept
{
    trace("IOPCAsyncIO3::ReadMaxAge");
    clearOutput(ppErrors);
    if (dwCount == 0 || !phServer || !pdwMaxAge || !pdwCancelID || !ppErrors) return E_INVALIDARG;
    return queueItemRequest(
        owner(), callbackIntake(RequestKind::Read, CheckOrder::ConnectionFirst, dwTransactionID),
        dwCount, phServer, pdwCancelID, ppErrors, [](OPCRequest&) {});
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::WriteVQT(DWORD dwCount, OPCHANDLE* phServer,
                                                       OPCITEMVQT* pItemVQT, DWORD dwTransactionID,
                                                       DWORD* pdwCancelID,
                                                       HRESULT** ppErrors) noexcept
{
    trace("IOPCAsyncIO3::WriteVQT");
    clearOutput(ppErrors);
    if (dwCount == 0 || !phServer || !pItemVQT || !pdwCancelID || !ppErrors) return E_INVALIDARG;
    OPCGroup& group = owner();
    return queueItemRequest(
        group, callbackIntake(RequestKind::Write, CheckOrder::RoomFirst, dwTransactionID), dwCount,
        phServer, pdwCancelID, ppErrors, [&](OPCRequest& request) {
            carryOutWritesWith(group, request, [pItemVQT](OPCItem& item, size_t i) {
                return writeItemVQT(item, pItemVQT[i]);
            });
        });
}

// Refreshes carry every active item's own copy, which meets every max age.
HRESULT STDMETHODCALLTYPE IOPCAsyncIO3Object::RefreshMaxAge(DWORD, DWORD dwTransactionID,
                                                            DWORD* pdwCancelID) noexcept
{
    trace("IOPCAsyncIO3::RefreshMaxAge");
    if (!pdwCancelID) return E_INVALIDARG;
    return queueRefresh(
        owner(), callbackIntake(RequestKind::Refresh, CheckOrder::RoomFirst, dwTransactionID),
        pdwCancelID);
}

} // namespace vetrel
