// The IOPCEventServer object of a server: the server's status for event clients, event
// subscriptions, and what the server says about the events it sends. Areas, sources,
// conditions and their state are not offered. Only GetStatus sends a trace line.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCServer;

inline constexpr ForwardingTraces kEventServerTraces{
    "IOPCEventServer::AddRef() [defered to OPCServer]",
    "IOPCEventServer::Release() [defered to OPCServer]",
    "IOPCEventServer::QueryInterface()  [defered to OPCServer]",
};

class IOPCEventServerObject final
    : public InterfaceObject<IOPCEventServer, OPCServer, kEventServerTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE
    GetStatus(OPCEVENTSERVERSTATUS** ppEventServerStatus) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateEventSubscription(BOOL bActive, DWORD dwBufferTime,
                                                      DWORD dwMaxSize,
                                                      OPCHANDLE hClientSubscription, REFIID riid,
                                                      IUnknown** ppUnk, DWORD* pdwRevisedBufferTime,
                                                      DWORD* pdwRevisedMaxSize) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryAvailableFilters(DWORD* pdwFilterMask) noexcept override;
    HRESULT STDMETHODCALLTYPE
    QueryEventCategories(DWORD dwEventType, DWORD* pdwCount, DWORD** ppdwEventCategories,
                         LPWSTR** ppszEventCategoryDescs) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount,
                                                  LPWSTR** ppszConditionNames) noexcept override;
    HRESULT STDMETHODCALLTYPE QuerySubConditionNames(
        LPWSTR szConditionName, DWORD* pdwCount, LPWSTR** ppszSubConditionNames) noexcept override;
    HRESULT STDMETHODCALLTYPE QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount,
                                                    LPWSTR** ppszConditionNames) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                   DWORD** ppdwAttrIDs, LPWSTR** ppszAttrDescs,
                                                   VARTYPE** ppvtAttrTypes) noexcept override;
    HRESULT STDMETHODCALLTYPE TranslateToItemIDs(LPWSTR szSource, DWORD dwEventCategory,
                                                 LPWSTR szConditionName, LPWSTR szSubconditionName,
                                                 DWORD dwCount, DWORD* pdwAssocAttrIDs,
                                                 LPWSTR** ppszAttrItemIDs, LPWSTR** ppszNodeNames,
                                                 CLSID** ppCLSIDs) noexcept override;
    HRESULT STDMETHODCALLTYPE GetConditionState(
        LPWSTR szSource, LPWSTR szConditionName, DWORD dwNumEventAttrs, DWORD* pdwAttributeIDs,
        OPCCONDITIONSTATE** ppConditionState) noexcept override;
    HRESULT STDMETHODCALLTYPE EnableConditionByArea(DWORD dwNumAreas,
                                                    LPWSTR* pszAreas) noexcept override;
    HRESULT STDMETHODCALLTYPE EnableConditionBySource(DWORD dwNumSources,
                                                      LPWSTR* pszSources) noexcept override;
    HRESULT STDMETHODCALLTYPE DisableConditionByArea(DWORD dwNumAreas,
                                                     LPWSTR* pszAreas) noexcept override;
    HRESULT STDMETHODCALLTYPE DisableConditionBySource(DWORD dwNumSources,
                                                       LPWSTR* pszSources) noexcept override;
    HRESULT STDMETHODCALLTYPE AckCondition(DWORD dwCount, LPWSTR szAcknowledgerID, LPWSTR szComment,
                                           LPWSTR* pszSource, LPWSTR* pszConditionName,
                                           FILETIME* pftActiveTime, DWORD* pdwCookie,
                                           HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateAreaBrowser(REFIID riid, IUnknown** ppUnk) noexcept override;

private:
    // result, or E_FAIL once the server has been detached.
    HRESULT unlessDetached(HRESULT result) const noexcept;
};

} // namespace vetrel
