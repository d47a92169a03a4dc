#include "server/event_server.h"

#include "comkit/client_arrays.h"
#include "comkit/client_text.h"
#include "comkit/locked_boundary.h"
#include "events/event_categories.h"
#include "events/event_subscription.h"
#include "server/opc_server.h"
#include "server/runtime_status.h"

#include <algorithm>
#include <new>

namespace vetrel {

HRESULT IOPCEventServerObject::unlessDetached(HRESULT result) const noexcept
{
    return owner().inert() ? E_FAIL : result;
}

HRESULT STDMETHODCALLTYPE
IOPCEventServerObject::GetStatus(OPCEVENTSERVERSTATUS** ppEventServerStatus) noexcept
{
    trace("IOPCEventServer::GetStatus");
    clearOutput(ppEventServerStatus);
    if (!ppEventServerStatus) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        auto status = allocateCleared<OPCEVENTSERVERSTATUS>(1);
        if (!status) return E_OUTOFMEMORY;
        const RuntimeStatus& runtime = runtimeStatus();
        OPCEVENTSERVERSTATUS& filled = status[0];
        filled.ftStartTime = runtime.startTime;
        CoFileTimeNow(&filled.ftCurrentTime);
        filled.ftLastUpdateTime = owner().creationTime();
        filled.dwServerState = OPCAE_STATUS_RUNNING;
        filled.szVendorInfo = toClientText(runtime.vendorText);
        *ppEventServerStatus = status.release();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::CreateEventSubscription(
    BOOL, DWORD, DWORD, OPCHANDLE hClientSubscription, REFIID riid, IUnknown** ppUnk,
    DWORD* pdwRevisedBufferTime, DWORD* pdwRevisedMaxSize) noexcept
{
    clearOutput(ppUnk);
    if (!ppUnk || !pdwRevisedBufferTime || !pdwRevisedMaxSize) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        auto* subscription =
            new (std::nothrow) COPCEventSubscription(owner().subscriptions(), hClientSubscription);
        if (!subscription) return E_FAIL;
        owner().subscriptions().append(*subscription);
        subscription->AddRef();
        // The caller gets the interface it asked for, so that an in-process caller never
        // calls through a pointer of the wrong type.
        IUnknown* answer = subscription->creatorInterface(riid);
        if (!answer) {
            subscription->Release();
            return E_OUTOFMEMORY;
        }
        *pdwRevisedBufferTime = COPCEventSubscription::kRevisedBufferTime;
        *pdwRevisedMaxSize = COPCEventSubscription::kRevisedMaxSize;
        *ppUnk = answer;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE
IOPCEventServerObject::QueryAvailableFilters(DWORD* pdwFilterMask) noexcept
{
    if (!pdwFilterMask) return E_INVALIDARG;
    *pdwFilterMask = 0;
    return unlessDetached(S_OK);
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::QueryEventCategories(
    DWORD dwEventType, DWORD* pdwCount, DWORD** ppdwEventCategories,
    LPWSTR** ppszEventCategoryDescs) noexcept
{
    clearOutput(pdwCount);
    clearOutput(ppdwEventCategories);
    clearOutput(ppszEventCategoryDescs);
    if (!pdwCount || !ppdwEventCategories || !ppszEventCategoryDescs) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        DWORD ids[std::size(kEventCategories)];
        const char* descriptions[std::size(kEventCategories)];
        size_t count = 0;
        for (const EventCategory& category : kEventCategories) {
            if (!(dwEventType & category.eventType)) continue;
            ids[count] = category.id;
            descriptions[count] = category.description;
            ++count;
        }
        if (count == 0) return S_OK;
        auto idArray = TaskMem<DWORD>::allocate(count);
        if (!idArray) return E_OUTOFMEMORY;
        const HRESULT hr = handOutTexts({descriptions, count}, pdwCount, ppszEventCategoryDescs);
        if (FAILED(hr)) return hr;
        std::copy_n(ids, count, idArray.get());
        *ppdwEventCategories = idArray.release();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::QueryConditionNames(
    DWORD dwEventCategory, DWORD* pdwCount, LPWSTR** ppszConditionNames) noexcept
{
    clearOutput(pdwCount);
    clearOutput(ppszConditionNames);
    if (!pdwCount || !ppszConditionNames) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        const EventCategory* category = findEventCategory(dwEventCategory);
        if (!category) return E_INVALIDARG;
        const char* const names[] = {category->conditionName};
        return handOutTexts(names, pdwCount, ppszConditionNames);
    });
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::QuerySubConditionNames(
    LPWSTR szConditionName, DWORD* pdwCount, LPWSTR** ppszSubConditionNames) noexcept
{
    clearOutput(pdwCount);
    clearOutput(ppszSubConditionNames);
    if (!pdwCount || !ppszSubConditionNames) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        // Only the level alarm has sub-conditions; any other name has none.
        if (fromClientText(szConditionName) != kLevelAlarmCondition) return S_OK;
        return handOutTexts(kLevelAlarmSubconditions, pdwCount, ppszSubConditionNames);
    });
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::QuerySourceConditions(
    LPWSTR, DWORD* pdwCount, LPWSTR** ppszConditionNames) noexcept
{
    clearOutput(pdwCount);
    clearOutput(ppszConditionNames);
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::QueryEventAttributes(
    DWORD, DWORD* pdwCount, DWORD** ppdwAttrIDs, LPWSTR** ppszAttrDescs,
    VARTYPE** ppvtAttrTypes) noexcept
{
    clearOutput(pdwCount);
    clearOutput(ppdwAttrIDs);
    clearOutput(ppszAttrDescs);
    clearOutput(ppvtAttrTypes);
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::TranslateToItemIDs(LPWSTR, DWORD, LPWSTR, LPWSTR,
                                                                    DWORD, DWORD*,
                                                                    LPWSTR** ppszAttrItemIDs,
                                                                    LPWSTR** ppszNodeNames,
                                                                    CLSID** ppCLSIDs) noexcept
{
    clearOutput(ppszAttrItemIDs);
    clearOutput(ppszNodeNames);
    clearOutput(ppCLSIDs);
    return unlessDetached(E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::GetConditionState(
    LPWSTR, LPWSTR, DWORD, DWORD*, OPCCONDITIONSTATE** ppConditionState) noexcept
{
    clearOutput(ppConditionState);
    return unlessDetached(E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::EnableConditionByArea(DWORD, LPWSTR*) noexcept
{
    return unlessDetached(E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::EnableConditionBySource(DWORD, LPWSTR*) noexcept
{
    return unlessDetached(E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::DisableConditionByArea(DWORD, LPWSTR*) noexcept
{
    return unlessDetached(E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::DisableConditionBySource(DWORD, LPWSTR*) noexcept
{
    return unlessDetached(E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::AckCondition(DWORD dwCount, LPWSTR, LPWSTR,
                                                              LPWSTR*, LPWSTR*, FILETIME*, DWORD*,
                                                              HRESULT** ppErrors) noexcept
{
    clearOutput(ppErrors);
    if (!ppErrors) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        // No condition takes acknowledgements: each one asked for is refused.
        if (dwCount == 0) return S_FALSE;
        auto errors = TaskMem<HRESULT>::allocate(dwCount);
        if (!errors) return E_OUTOFMEMORY;
        std::fill_n(errors.get(), dwCount, E_INVALIDARG);
        *ppErrors = errors.release();
        return S_FALSE;
    });
}

HRESULT STDMETHODCALLTYPE IOPCEventServerObject::CreateAreaBrowser(REFIID,
                                                                   IUnknown** ppUnk) noexcept
{
    clearOutput(ppUnk);
    return unlessDetached(E_NOTIMPL);
}

} // namespace vetrel
