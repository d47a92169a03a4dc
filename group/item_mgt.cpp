#include "group/item_mgt.h"

#include "group/item_enumerator.h"
#include "group/item_validation.h"
#include "group/per_item.h"

#include <new>

namespace vetrel {

namespace {

// One definition of AddItems (add) or ValidateItems: its error, and its result entry filled
// when it passed.
HRESULT checkItem(OPCGroup& group, const OPCITEMDEF& definition, RuntimeHold& lock, bool add,
                  OPCITEMRESULT& result)
{
    ValidatedItem validated;
    const HRESULT hr = validateItemDef(definition, lock, validated);
    if (FAILED(hr)) return hr;
    const VARTYPE canonicalType = validated.value.type();
    const DWORD accessRights = validated.accessRights;
    OPCHANDLE serverHandle = 0;
    if (add) {
        // The lock was released around the host's unknown item callback.
        if (group.inert()) return E_FAIL;
        try {
            OPCTag* tag = validated.tag;
            const OPCItem* item = group.addItem(makeItem(definition, std::move(validated)), tag);
            if (!item) return E_OUTOFMEMORY;
            serverHandle = item->m_serverHandle;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    result.hServer = serverHandle;
    result.vtCanonicalDataType = canonicalType;
    result.dwAccessRights = accessRights;
    return S_OK;
}

} // namespace

HRESULT IOPCItemMgtObject::checkItems(DWORD dwCount, OPCITEMDEF* pItemArray,
                                      OPCITEMRESULT** ppResults, HRESULT** ppErrors,
                                      bool add) noexcept
{
    clearOutput(ppResults);
    clearOutput(ppErrors);
    if (dwCount == 0 || !pItemArray || !ppResults || !ppErrors) return E_INVALIDARG;
    auto results = allocateCleared<OPCITEMRESULT>(dwCount);
    if (!results) return E_OUTOFMEMORY;
    auto errors = allocateCleared<HRESULT>(dwCount);
    if (!errors) return E_OUTOFMEMORY;
    bool allPassed = true;
    const HRESULT hr = lockedBoundary(owner(), [&](auto& lock) -> HRESULT {
        for (DWORD i = 0; i < dwCount; ++i) {
            errors[i] = checkItem(owner(), pItemArray[i], lock, add, results[i]);
            allPassed = allPassed && errors[i] == S_OK;
        }
        return S_OK;
    });
    if (FAILED(hr)) return hr;
    *ppResults = results.release();
    *ppErrors = errors.release();
    return allPassed ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE IOPCItemMgtObject::AddItems(DWORD dwCount, OPCITEMDEF* pItemArray,
                                                      OPCITEMRESULT** ppAddResults,
                                                      HRESULT** ppErrors) noexcept
{
    trace("IOPCItemMgt::AddItems");
    return checkItems(dwCount, pItemArray, ppAddResults, ppErrors, true);
}

// Blobs are neither kept nor returned, so bBlobUpdate changes nothing.
HRESULT STDMETHODCALLTYPE IOPCItemMgtObject::ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray,
                                                           BOOL,
                                                           OPCITEMRESULT** ppValidationResults,
                                                           HRESULT** ppErrors) noexcept
{
    trace("IOPCItemMgt::ValidateItems");
    return checkItems(dwCount, pItemArray, ppValidationResults, ppErrors, false);
}

HRESULT STDMETHODCALLTYPE IOPCItemMgtObject::RemoveItems(DWORD dwCount, OPCHANDLE* phServer,
                                                         HRESULT** ppErrors) noexcept
{
    trace("IOPCItemMgt::RemoveItems");
    std::vector<ItemRemovalNotice> notices;
    OPCGroup& group = owner();
    const HRESULT hr = forEachHandle(group, dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD) {
        group.removeItem(item.m_serverHandle, notices);
        return S_OK;
    });
    tellHostOfRemovals(notices);
    return hr;
}

HRESULT STDMETHODCALLTYPE IOPCItemMgtObject::SetActiveState(DWORD dwCount, OPCHANDLE* phServer,
                                                            BOOL bActive,
                                                            HRESULT** ppErrors) noexcept
{
    trace("IOPCItemMgt::SetActiveState");
    // An item's values and changed flag stay as they are: activating it reports nothing new.
    return forEachHandle(owner(), dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD) {
        item.m_active = bActive;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCItemMgtObject::SetClientHandles(DWORD dwCount, OPCHANDLE* phServer,
                                                              OPCHANDLE* phClient,
                                                              HRESULT** ppErrors) noexcept
{
    trace("IOPCItemMgt::SetClientHandles");
    if (!phClient) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    return forEachHandle(owner(), dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD i) {
        item.m_clientHandle = phClient[i];
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCItemMgtObject::SetDatatypes(DWORD dwCount, OPCHANDLE* phServer,
                                                          VARTYPE* pRequestedDatatypes,
                                                          HRESULT** ppErrors) noexcept
{
    trace("IOPCItemMgt::SetDatatypes");
    if (!pRequestedDatatypes) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    // A type the item's value cannot take would fail every later read of it. A value merely
    // too large for the type may fit once it changes, so that type is taken.
    return forEachHandle(owner(), dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD i) {
        const HRESULT tried = tryRequestedType(item.m_value.get(), pRequestedDatatypes[i]);
        if (FAILED(tried) && tried != DISP_E_OVERFLOW) return OPC_E_BADTYPE;
        item.m_requestedDataType = pRequestedDatatypes[i];
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCItemMgtObject::CreateEnumerator(REFIID riid,
                                                              IUnknown** ppUnk) noexcept
{
    trace("IOPCItemMgt::CreateEnumerator");
    clearOutput(ppUnk);
    if (!ppUnk || !IsEqualIID(riid, IID_IEnumOPCItemAttributes)) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        return IOPCItemEnumerator::create(owner().items(), riid, ppUnk);
    });
}

} // namespace vetrel
