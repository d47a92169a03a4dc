#include "group/async_io.h"

#include "group/request_intake.h"

namespace vetrel {
namespace {

// Reads and refreshes are answered to the data or data-time sink, writes to the write-complete
// sink; a group whose data object was never asked for has neither.
bool dataAdvised(const OPCGroup& group)
{
    const IOPCDataObject* dataObject = group.dataObject();
    return dataObject && dataObject->hasDataAdvise();
}

bool writeAdvised(const OPCGroup& group)
{
    const IOPCDataObject* dataObject = group.dataObject();
    return dataObject && dataObject->hasWriteAdvise();
}

} // namespace

// The connection and the source are not used: every read takes the item's value at completion.
HRESULT STDMETHODCALLTYPE IOPCAsyncIOObject::Read(DWORD, OPCDATASOURCE, DWORD dwCount,
                                                  OPCHANDLE* phServer, DWORD* pTransactionID,
                                                  HRESULT** ppErrors) noexcept
{
    trace("IOPCASyncIO::Read");
    clearOutput(ppErrors);
    if (dwCount == 0 || !phServer || !pTransactionID || !ppErrors) return E_INVALIDARG;
    const Intake intake{RequestKind::Read, CheckOrder::ConnectionFirst, dataAdvised,
                        RequestId::TransactionId};
    return queueItemRequest(owner(), intake, dwCount, phServer, pTransactionID, ppErrors,
                            [](OPCRequest&) {});
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIOObject::Write(DWORD, DWORD dwCount, OPCHANDLE* phServer,
                                                   VARIANT* pItemValues, DWORD* pTransactionID,
                                                   HRESULT** ppErrors) noexcept
{
    trace("IOPCASyncIO::Write");
    clearOutput(ppErrors);
    if (dwCount == 0 || !phServer || !pItemValues || !pTransactionID || !ppErrors)
        return E_INVALIDARG;
    OPCGroup& group = owner();
    const Intake intake{RequestKind::Write, CheckOrder::RoomFirst, writeAdvised,
                        RequestId::TransactionId};
    // The writes happen now, on the client's thread; only their outcome waits for the tick.
    return queueItemRequest(
        group, intake, dwCount, phServer, pTransactionID, ppErrors,
        [&](OPCRequest& request) { carryOutWrites(group, request, pItemValues); });
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIOObject::Refresh(DWORD, OPCDATASOURCE,
                                                     DWORD* pTransactionID) noexcept
{
    trace("IOPCASyncIO::Refresh");
    if (!pTransactionID) return E_INVALIDARG;
    const Intake intake{RequestKind::Refresh, CheckOrder::RoomFirst, dataAdvised,
                        RequestId::TransactionId};
    return queueRefresh(owner(), intake, pTransactionID);
}

HRESULT STDMETHODCALLTYPE IOPCAsyncIOObject::Cancel(DWORD dwTransactionID) noexcept
{
    trace("IOPCASyncIO::Cancel");
    OPCGroup& group = owner();
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        return group.requests().cancelTransaction(dwTransactionID) ? S_OK : E_FAIL;
    });
}

} // namespace vetrel
