// The IOPCEventSubscriptionMgt object of an event subscription. Filters, returned attributes,
// refresh and state are not offered: every method answers E_NOTIMPL (E_FAIL once the
// subscription has ended), without a trace line.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class COPCEventSubscription;

inline constexpr ForwardingTraces kSubscriptionMgtTraces{
    "IOPCEventSubscriptionMgt::AddRef() [defered to OPCEventSubscription]",
    "IOPCEventSubscriptionMgt::Release() [defered to OPCEventSubscription]",
    "IOPCEventSubscriptionMgt::QueryInterface() [defered to OPCEventSubscription]",
};

class IOPCEventSubscriptionMgtObject final
    : public InterfaceObject<IOPCEventSubscriptionMgt, COPCEventSubscription,
                             kSubscriptionMgtTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE SetFilter(DWORD dwEventType, DWORD dwNumCategories,
                                        DWORD* pdwEventCategories, DWORD dwLowSeverity,
                                        DWORD dwHighSeverity, DWORD dwNumAreas, LPWSTR* pszAreaList,
                                        DWORD dwNumSources,
                                        LPWSTR* pszSourceList) noexcept override;
    HRESULT STDMETHODCALLTYPE GetFilter(DWORD* pdwEventType, DWORD* pdwNumCategories,
                                        DWORD** ppdwEventCategories, DWORD* pdwLowSeverity,
                                        DWORD* pdwHighSeverity, DWORD* pdwNumAreas,
                                        LPWSTR** ppszAreaList, DWORD* pdwNumSources,
                                        LPWSTR** ppszSourceList) noexcept override;
    HRESULT STDMETHODCALLTYPE SelectReturnedAttributes(DWORD dwEventCategory, DWORD dwCount,
                                                       DWORD* dwAttributeIDs) noexcept override;
    HRESULT STDMETHODCALLTYPE GetReturnedAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                    DWORD** ppdwAttributeIDs) noexcept override;
    HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection) noexcept override;
    HRESULT STDMETHODCALLTYPE CancelRefresh(DWORD dwConnection) noexcept override;
    HRESULT STDMETHODCALLTYPE GetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                       OPCHANDLE* phClientSubscription) noexcept override;
    HRESULT STDMETHODCALLTYPE SetState(BOOL* pbActive, DWORD* pdwBufferTime, DWORD* pdwMaxSize,
                                       OPCHANDLE hClientSubscription, DWORD* pdwRevisedBufferTime,
                                       DWORD* pdwRevisedMaxSize) noexcept override;

private:
    // E_NOTIMPL, or E_FAIL for a subscription that has ended.
    HRESULT notOffered() const noexcept;
};

} // namespace vetrel
