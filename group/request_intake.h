// Accepting an asynchronous request: the checks and the queueing that the OPC 2.0 and 1.0
// interfaces share. They differ in what counts as connected and in how the request's id is
// handed out.
#pragma once

#include "comkit/client_arrays.h"
#include "comkit/locked_boundary.h"
#include "group/opc_group.h"

namespace vetrel {

// Reads ask for the connection before the queue's room; writes and refreshes the other way
// round.
enum class CheckOrder
{
    ConnectionFirst,
    RoomFirst,
};

// The id a request gets from the group's counter: OPC 2.0 keeps it as the cancel id beside
// the client's own transaction id, OPC 1.0 makes it the transaction id.
enum class RequestId
{
    CancelId,
    TransactionId,
};

struct Intake
{
    RequestKind kind;
    CheckOrder order;
    // Whether the group has the client connection the completion will go to; asked under the
    // runtime lock.
    bool (*connected)(const OPCGroup&);
    RequestId idUse;
    // The client's transaction id, for RequestId::CancelId.
    DWORD clientTransactionId = 0;
};

// The intake of the requests completed through the group's IOPCDataCallback, which need it
// advised: the client's transaction id is kept beside the cancel id it is handed.
Intake callbackIntake(RequestKind kind, CheckOrder order, DWORD transactionId) noexcept;

// Why the group cannot take a request now, or S_OK. The caller holds the runtime lock.
HRESULT refusal(const OPCGroup& group, const Intake& intake);

// A new request whose id is handed to the client in *id. The caller holds the runtime lock.
OPCRequest newRequest(OPCGroup& group, const Intake& intake, DWORD* id);

// Read and Write: a request for the client's handles, queued when every handle names an item
// of the group, after carryOut(request) did what the call itself does. One unknown handle
// drops the whole request; the errors say which, and go to the client either way.
template <typename CarryOut>
HRESULT queueItemRequest(OPCGroup& group, const Intake& intake, DWORD count,
                         const OPCHANDLE* handles, DWORD* id, HRESULT** ppErrors,
                         CarryOut&& carryOut) noexcept
{
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        if (const HRESULT refused = refusal(group, intake); FAILED(refused)) return refused;
        auto errors = allocateCleared<HRESULT>(count);
        if (!errors) return E_OUTOFMEMORY;
        OPCRequest request = newRequest(group, intake, id);
        request.m_serverHandles.assign(handles, handles + count);
        bool allKnown = true;
        for (DWORD i = 0; i < count; ++i) {
            errors[i] = group.findItem(handles[i]) ? S_OK : OPC_E_INVALIDHANDLE;
            allKnown = allKnown && errors[i] == S_OK;
        }
        if (allKnown) {
            RequestQueue& queue = group.requests();
            queue.reserve();
            carryOut(request);
            queue.append(std::move(request));
        }
        *ppErrors = errors.release();
        return allKnown ? S_OK : OPC_E_INVALIDHANDLE;
    });
}

// Refresh: a request without handles, queued at once.
HRESULT queueRefresh(OPCGroup& group, const Intake& intake, DWORD* id) noexcept;

// The writes of a write call, carried out now on the client's thread: write(item, i) writes the
// client's entry i into item. Their outcomes go into the request for the completion.
template <typename Write>
void carryOutWritesWith(OPCGroup& group, OPCRequest& request, Write&& write)
{
    request.m_results.reserve(request.m_serverHandles.size());
    for (size_t i = 0; i < request.m_serverHandles.size(); ++i) {
        // Looked up again: the host's write notification of the previous item ran in between.
        OPCItem* item = group.findItem(request.m_serverHandles[i]);
        request.m_results.push_back(item ? write(*item, i) : OPC_E_INVALIDHANDLE);
    }
}

// The same for the client's values of a Write call.
void carryOutWrites(OPCGroup& group, OPCRequest& request, const VARIANT* values);

} // namespace vetrel
