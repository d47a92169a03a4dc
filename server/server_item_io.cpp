#include "server/server_item_io.h"

#include "comkit/client_text.h"
#include "group/item_io.h"
#include "group/per_item.h"
#include "group/read_arrays.h"
#include "server/opc_server.h"
#include "tags/tag_tree.h"

namespace vetrel {
namespace {

// Checks the IDs and the output, allocates the cleared result array, then, under the runtime
// lock, finds the tag each ID names by its full name: visit(tag, i) gives the result of a tag
// that exists, OPC_E_UNKNOWNITEMID goes to the others. S_FALSE when any item failed.
template <typename Visit>
HRESULT forEachItemID(const OPCServer& server, DWORD count, const LPCWSTR* itemIDs,
                      HRESULT** ppErrors, Visit&& visit) noexcept
{
    clearOutput(ppErrors);
    if (count == 0 || !itemIDs || !ppErrors) return E_INVALIDARG;
    auto errors = allocateCleared<HRESULT>(count);
    if (!errors) return E_OUTOFMEMORY;
    const HRESULT hr = lockedBoundary(server, [&](auto&) -> HRESULT {
        for (DWORD i = 0; i < count; ++i) {
            // Looked up afresh for each item: the host's write notification may change the tags.
            const OPCTag* tag = tagTree().find({}, fromClientText(itemIDs[i]));
            errors[i] = tag ? visit(*tag, i) : OPC_E_UNKNOWNITEMID;
        }
        return S_OK;
    });
    if (SUCCEEDED(hr)) *ppErrors = errors.release();
    return withItemOutcome(hr, count, ppErrors);
}

} // namespace

// The tag holds the host's latest value, which meets every max age.
HRESULT STDMETHODCALLTYPE IOPCItemIOObject::Read(DWORD dwCount, LPCWSTR* pszItemIDs,
                                                 DWORD* pdwMaxAge, VARIANT** ppvValues,
                                                 WORD** ppwQualities, FILETIME** ppftTimeStamps,
                                                 HRESULT** ppErrors) noexcept
{
    trace("IOPCItemIO::Read");
    ReadArrays arrays(dwCount);
    const HRESULT accepted =
        arrays.accept(pdwMaxAge, ppvValues, ppwQualities, ppftTimeStamps, ppErrors);
    if (FAILED(accepted)) return accepted;
    const HRESULT hr =
        forEachItemID(owner(), dwCount, pszItemIDs, ppErrors, [&](const OPCTag& tag, DWORD i) {
            return readTagValue(tag, arrays.value(i), arrays.quality(i), arrays.timestamp(i));
        });
    if (SUCCEEDED(hr)) arrays.handOut(ppvValues, ppwQualities, ppftTimeStamps);
    return hr;
}

HRESULT STDMETHODCALLTYPE IOPCItemIOObject::WriteVQT(DWORD dwCount, LPCWSTR* pszItemIDs,
                                                     OPCITEMVQT* pItemVQT,
                                                     HRESULT** ppErrors) noexcept
{
    trace("IOPCItemIO::WriteVQT");
    if (!pItemVQT) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    return forEachItemID(owner(), dwCount, pszItemIDs, ppErrors,
                         [&](const OPCTag& tag, DWORD i) { return writeTagVQT(tag, pItemVQT[i]); });
}

} // namespace vetrel
