// The calls a group makes on its client's IOPCDataCallback: data changes and read, write and
// cancel completions. Each is prepared with the runtime lock held and made after it is
// released; the sink carries its own reference throughout.
#pragma once

#include "comkit/client_delivery.h"
#include "group/opc_item.h"
#include "platform/com_ptr.h"

#include <span>

namespace vetrel {

enum class CallbackKind
{
    DataChange,
    ReadComplete,
};

// OnDataChange or OnReadComplete carrying the values of items, in the given order, as the
// item read serves them now. A non-zero mergeKey makes it a data-change report that a newer
// one may merge into while it waits. Nothing is added when the callback's block cannot be
// allocated. Throws std::bad_alloc.
void prepareDataCallback(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                         CallbackKind kind, std::uint64_t mergeKey, std::span<OPCItem* const> items,
                         ClientDeliveries& due);

// OnWriteComplete with one client handle and one result per written item. Nothing is added
// when the block cannot be allocated. Throws std::bad_alloc.
void prepareWriteComplete(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                          std::span<const OPCHANDLE> clientHandles,
                          std::span<const HRESULT> results, ClientDeliveries& due);

// OnCancelComplete. Throws std::bad_alloc.
void prepareCancelComplete(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle,
                           DWORD transactionId, ClientDeliveries& due);

} // namespace vetrel
