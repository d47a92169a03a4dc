#include "group/async_io2.h"

#include "group/request_intake.h"

namespace vetrel {
HRESULT STDMETHODCALLTYPE IOPCAsyncIO2Object::Read(DWORD dwCount, OPCHANDLE* phServer,
                                                   DWORD dwTransactionID, DWORD* pdwCancelID,
                                                   HRESULT** ppErrors) noexcept
{
    trace("IOPCASyncIO2::Read");
    clearOutput(ppErrors);
    if (dwCount == 0 || !phServer || !pdwCancelID || !ppErrors) return E_INVALIDARG;
    // The values are read at completion time, so the request needs nothing more now.
    return queueItemRequest(
        owner(), callbackIntake(RequestKind::Read, CheckOrder::ConnectionFirst, dwTransactionID),
        dwCount, phServer, pdwCancelID, ppErrors, [](OPCRequest&) {});
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO2Object::Write(DWORD dwCount, OPCHANDLE* phServer,
                                                    VARIANT* pItemValues, DWORD dwTransactionID,
                                                    DWORD* pdwCancelID, HRESULT** ppErrors) noexcept
{
    trace("IOPCASyncIO2::Write");
    clearOutput(ppErrors);
    if (dwCount == 0 || !phServer || !pItemValues || !pdwCancelID || !ppErrors) return E_INVALIDARG;
    OPCGroup& group = owner();
    // The writes happen now, on the client's thread; only their outcome waits for the tick.
    return queueItemRequest(
        group, callbackIntake(RequestKind::Write, CheckOrder::RoomFirst, dwTransactionID), dwCount,
        phServer, pdwCancelID, ppErrors,
        [&](OPCRequest& request) { carryOutWrites(group, request, pItemValues); });
}

// The source is not interpreted, and an inactive group is refreshed like an active one.
HRESULT STDMETHODCALLTYPE IOPCAsyncIO2Object::Refresh2(OPCDATASOURCE, DWORD dwTransactionID,
                                                       DWORD* pdwCancelID) noexcept
{
    trace("IOPCASyncIO2::Refresh2");
    if (!pdwCancelID) return E_INVALIDARG;
    return queueRefresh(
        owner(), callbackIntake(RequestKind::Refresh, CheckOrder::RoomFirst, dwTransactionID),
        pdwCancelID);
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO2Object::Cancel2(DWORD dwCancelID) noexcept
{
    trace("IOPCASyncIO2::Cancel2");
    OPCGroup& group = owner();
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        // A request already completed has left the queue: too late to cancel it.
        return group.requests().cancel(dwCancelID) ? S_OK : E_FAIL;
    });
}

// The flag gates the group's data-change reports only; completions go out whatever it says.
HRESULT STDMETHODCALLTYPE IOPCAsyncIO2Object::SetEnable(BOOL bEnable) noexcept
{
    OPCGroup& group = owner();
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        if (ConnectionPoint* point = group.connections().point()) point->setEnabled(bEnable);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIO2Object::GetEnable(BOOL* pbEnable) noexcept
{
    if (!pbEnable) return E_INVALIDARG;
    OPCGroup& group = owner();
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        // Before the client asked for the container there is no point to be enabled.
        const ConnectionPoint* point = group.connections().point();
        *pbEnable = point ? point->enabled() : FALSE;
        return S_OK;
    });
}

} // namespace vetrel
