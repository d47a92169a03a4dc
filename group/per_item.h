// The shape every per-item method of a group shares: a client's array of server handles in,
// an array of per-item results out.
#pragma once

#include "comkit/client_arrays.h"
#include "comkit/locked_boundary.h"
#include "group/opc_group.h"

namespace vetrel {

// Checks the handles and the output, allocates the cleared result array, then, under the
// runtime lock, looks each handle up: visit(item, i) gives the result of an item the group
// has, OPC_E_INVALIDHANDLE goes to the others. A count of 0 or an absent array is
// E_INVALIDARG. The call itself answers S_OK whatever the items' results.
template <typename Visit>
HRESULT forEachHandle(OPCGroup& group, DWORD count, const OPCHANDLE* handles, HRESULT** ppErrors,
                      Visit&& visit) noexcept
{
    clearOutput(ppErrors);
    if (count == 0 || !handles || !ppErrors) return E_INVALIDARG;
    auto errors = allocateCleared<HRESULT>(count);
    if (!errors) return E_OUTOFMEMORY;
    const HRESULT hr = lockedBoundary(group, [&](auto&) -> HRESULT {
        for (DWORD i = 0; i < count; ++i) {
            OPCItem* item = group.findItem(handles[i]);
            errors[i] = item ? visit(*item, i) : OPC_E_INVALIDHANDLE;
        }
        return S_OK;
    });
    if (SUCCEEDED(hr)) *ppErrors = errors.release();
    return hr;
}

// The answer of a per-item call that tells partial failure, once its items are done: S_FALSE
// when any of them failed.
inline HRESULT withItemOutcome(HRESULT call, DWORD count, HRESULT* const* ppErrors) noexcept
{
    if (call != S_OK) return call;
    for (DWORD i = 0; i < count; ++i)
        if (FAILED((*ppErrors)[i])) return S_FALSE;
    return S_OK;
}

} // namespace vetrel
