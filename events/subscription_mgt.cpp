#include "events/subscription_mgt.h"

#include "comkit/client_arrays.h"
#include "events/event_subscription.h"

namespace vetrel {

HRESULT IOPCEventSubscriptionMgtObject::notOffered() const noexcept
{
    return owner().inert() ? E_FAIL : E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::SetFilter(DWORD, DWORD, DWORD*, DWORD,
                                                                    DWORD, DWORD, LPWSTR*, DWORD,
                                                                    LPWSTR*) noexcept
{
    return notOffered();
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::GetFilter(
    DWORD*, DWORD* pdwNumCategories, DWORD** ppdwEventCategories, DWORD*, DWORD*,
    DWORD* pdwNumAreas, LPWSTR** ppszAreaList, DWORD* pdwNumSources,
    LPWSTR** ppszSourceList) noexcept
{
    // No array is handed out: a client that frees what it got frees nothing.
    clearOutput(pdwNumCategories);
    clearOutput(ppdwEventCategories);
    clearOutput(pdwNumAreas);
    clearOutput(ppszAreaList);
    clearOutput(pdwNumSources);
    clearOutput(ppszSourceList);
    return notOffered();
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::SelectReturnedAttributes(DWORD, DWORD,
                                                                                   DWORD*) noexcept
{
    return notOffered();
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::GetReturnedAttributes(
    DWORD, DWORD* pdwCount, DWORD** ppdwAttributeIDs) noexcept
{
    clearOutput(pdwCount);
    clearOutput(ppdwAttributeIDs);
    return notOffered();
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::Refresh(DWORD) noexcept
{
    return notOffered();
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::CancelRefresh(DWORD) noexcept
{
    return notOffered();
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::GetState(BOOL*, DWORD*, DWORD*,
                                                                   OPCHANDLE*) noexcept
{
    return notOffered();
}

HRESULT STDMETHODCALLTYPE IOPCEventSubscriptionMgtObject::SetState(BOOL*, DWORD*, DWORD*, OPCHANDLE,
                                                                   DWORD*, DWORD*) noexcept
{
    return notOffered();
}

} // namespace vetrel
