#include "server/item_properties.h"

#include "comkit/client_arrays.h"
#include "comkit/client_text.h"
#include "comkit/locked_boundary.h"
#include "server/opc_server.h"
#include "server/property_table.h"

#include <array>
#include <string_view>

namespace vetrel {

HRESULT STDMETHODCALLTYPE IOPCItemPropertiesObject::QueryAvailableProperties(
    LPWSTR szItemID, DWORD* pdwCount, DWORD** ppPropertyIDs, LPWSTR** ppDescriptions,
    VARTYPE** ppvtDataTypes) noexcept
{
    trace("CIOPCItemProperties::QueryAvailableProperties");
    clearOutput(pdwCount);
    clearOutput(ppPropertyIDs);
    clearOutput(ppDescriptions);
    clearOutput(ppvtDataTypes);
    if (!pdwCount || !ppPropertyIDs || !ppDescriptions || !ppvtDataTypes) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        if (!propertyHolder(szItemID)) return OPC_E_UNKNOWNITEMID;
        constexpr size_t count = kItemProperties.size();
        auto ids = allocateCleared<DWORD>(count);
        auto types = allocateCleared<VARTYPE>(count);
        auto descriptions = allocateCleared<LPWSTR>(count);
        if (!ids || !types || !descriptions) return E_OUTOFMEMORY;
        // A successful answer never carries a missing description for a client to print:
        // without memory for all of them there is no answer.
        std::array<TaskMem<WCHAR>, count> texts;
        for (size_t i = 0; i < count; ++i) {
            const std::string_view text = kItemProperties[i].description;
            texts[i] = TaskMem<WCHAR>::adopt(toClientText(text), text.size() + 1);
            if (!texts[i]) return E_OUTOFMEMORY;
        }
        for (size_t i = 0; i < count; ++i) {
            ids[i] = kItemProperties[i].id;
            types[i] = kItemProperties[i].type;
            descriptions[i] = texts[i].release();
        }
        *pdwCount = static_cast<DWORD>(count);
        *ppPropertyIDs = ids.release();
        *ppvtDataTypes = types.release();
        *ppDescriptions = descriptions.release();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCItemPropertiesObject::GetItemProperties(LPWSTR szItemID,
                                                                      DWORD dwCount,
                                                                      DWORD* pdwPropertyIDs,
                                                                      VARIANT** ppvData,
                                                                      HRESULT** ppErrors) noexcept
{
    trace("CIOPCItemProperties::GetItemProperties");
    clearOutput(ppvData);
    clearOutput(ppErrors);
    if (!ppvData || !ppErrors || (dwCount != 0 && !pdwPropertyIDs)) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        const OPCTag* tag = propertyHolder(szItemID);
        if (!tag) return OPC_E_UNKNOWNITEMID;
        // Cleared: an entry without a value is VT_EMPTY.
        auto values = allocateCleared<VARIANT>(dwCount);
        auto errors = allocateCleared<HRESULT>(dwCount);
        if (!values || !errors) return E_OUTOFMEMORY;
        for (DWORD i = 0; i < dwCount; ++i) {
            // A value that does not fit in memory fails its own entry, not the others.
            Variant value;
            errors[i] = comBoundary([&] { return propertyValue(*tag, pdwPropertyIDs[i], value); });
            if (SUCCEEDED(errors[i])) values[i] = value.detach();
        }
        *ppvData = values.release();
        *ppErrors = errors.release();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCItemPropertiesObject::LookupItemIDs(LPWSTR, DWORD, DWORD*,
                                                                  LPWSTR** ppszNewItemIDs,
                                                                  HRESULT** ppErrors) noexcept
{
    trace("CIOPCItemProperties::LookupItemIDs");
    clearOutput(ppszNewItemIDs);
    clearOutput(ppErrors);
    return E_NOTIMPL;
}

} // namespace vetrel
