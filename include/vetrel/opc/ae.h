// OPC Alarms and Events 1.0 interfaces, and the 1.10 extensions derived from them.
// Callee-allocated outputs follow the rule of da.h.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/ae_types.h"
#include "vetrel/opc/types.h"

struct IOPCEventServer : public IUnknown
{
    // One callee-allocated structure; its szVendorInfo is a second allocation.
    virtual HRESULT STDMETHODCALLTYPE GetStatus(OPCEVENTSERVERSTATUS** ppEventServerStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateEventSubscription(
        BOOL bActive, DWORD dwBufferTime, DWORD dwMaxSize, OPCHANDLE hClientSubscription,
        REFIID riid, IUnknown** ppUnk, DWORD* pdwRevisedBufferTime, DWORD* pdwRevisedMaxSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryAvailableFilters(DWORD* pdwFilterMask) = 0;
    // The arrays of the Query methods hold *pdwCount entries.
    virtual HRESULT STDMETHODCALLTYPE QueryEventCategories(DWORD dwEventType, DWORD* pdwCount,
                                                           DWORD** ppdwEventCategories,
                                                           LPWSTR** ppszEventCategoryDescs) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryConditionNames(DWORD dwEventCategory, DWORD* pdwCount,
                                                          LPWSTR** ppszConditionNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE QuerySubConditionNames(LPWSTR szConditionName,
                                                             DWORD* pdwCount,
                                                             LPWSTR** ppszSubConditionNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE QuerySourceConditions(LPWSTR szSource, DWORD* pdwCount,
                                                            LPWSTR** ppszConditionNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryEventAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                           DWORD** ppdwAttrIDs,
                                                           LPWSTR** ppszAttrDescs,
                                                           VARTYPE** ppvtAttrTypes) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    TranslateToItemIDs(LPWSTR szSource, DWORD dwEventCategory, LPWSTR szConditionName,
                       LPWSTR szSubconditionName, DWORD dwCount, DWORD* pdwAssocAttrIDs,
                       LPWSTR** ppszAttrItemIDs, LPWSTR** ppszNodeNames, CLSID** ppCLSIDs) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConditionState(LPWSTR szSource, LPWSTR szConditionName,
                                                        DWORD dwNumEventAttrs,
                                                        DWORD* pdwAttributeIDs,
                                                        OPCCONDITIONSTATE** ppConditionState) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableConditionByArea(DWORD dwNumAreas, LPWSTR* pszAreas) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableConditionBySource(DWORD dwNumSources,
                                                              LPWSTR* pszSources) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableConditionByArea(DWORD dwNumAreas,
                                                             LPWSTR* pszAreas) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableConditionBySource(DWORD dwNumSources,
                                                               LPWSTR* pszSources) = 0;
    // The four input arrays hold dwCount entries.
    virtual HRESULT STDMETHODCALLTYPE AckCondition(DWORD dwCount, LPWSTR szAcknowledgerID,
                                                   LPWSTR szComment, LPWSTR* pszSource,
                                                   LPWSTR* pszConditionName,
                                                   FILETIME* pftActiveTime, DWORD* pdwCookie,
                                                   HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAreaBrowser(REFIID riid, IUnknown** ppUnk) = 0;
};

struct IOPCEventSubscriptionMgt : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE SetFilter(DWORD dwEventType, DWORD dwNumCategories,
                                                DWORD* pdwEventCategories, DWORD dwLowSeverity,
                                                DWORD dwHighSeverity, DWORD dwNumAreas,
                                                LPWSTR* pszAreaList, DWORD dwNumSources,
                                                LPWSTR* pszSourceList) = 0;
    // Each array's count comes back in the output just before it.
    virtual HRESULT STDMETHODCALLTYPE GetFilter(DWORD* pdwEventType, DWORD* pdwNumCategories,
                                                DWORD** ppdwEventCategories, DWORD* pdwLowSeverity,
                                                DWORD* pdwHighSeverity, DWORD* pdwNumAreas,
                                                LPWSTR** ppszAreaList, DWORD* pdwNumSources,
                                                LPWSTR** ppszSourceList) = 0;
    virtual HRESULT STDMETHODCALLTYPE SelectReturnedAttributes(DWORD dwEventCategory, DWORD dwCount,
                                                               DWORD* dwAttributeIDs) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReturnedAttributes(DWORD dwEventCategory, DWORD* pdwCount,
                                                            DWORD** ppdwAttributeIDs) = 0;
    // dwConnection is the cookie IConnectionPoint::Advise returned for the client's sink.
    virtual HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE CancelRefresh(DWORD dwConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetState(BOOL* pbActive, DWORD* pdwBufferTime,
                                               DWORD* pdwMaxSize,
                                               OPCHANDLE* phClientSubscription) = 0;
    // pbActive, pdwBufferTime and pdwMaxSize may be null, leaving that setting unchanged.
    virtual HRESULT STDMETHODCALLTYPE SetState(BOOL* pbActive, DWORD* pdwBufferTime,
                                               DWORD* pdwMaxSize, OPCHANDLE hClientSubscription,
                                               DWORD* pdwRevisedBufferTime,
                                               DWORD* pdwRevisedMaxSize) = 0;
};

struct IOPCEventAreaBrowser : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCAEBROWSEDIRECTION dwBrowseDirection,
                                                           LPCWSTR szString) = 0;
    virtual HRESULT STDMETHODCALLTYPE BrowseOPCAreas(OPCAEBROWSETYPE dwBrowseFilterType,
                                                     LPCWSTR szFilterCriteria,
                                                     IEnumString** ppIEnumString) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetQualifiedAreaName(LPCWSTR szAreaName,
                                                           LPWSTR* pszQualifiedAreaName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetQualifiedSourceName(LPCWSTR szSourceName,
                                                             LPWSTR* pszQualifiedSourceName) = 0;
};

// Implemented by the client; the server calls it through the subscription's connection point.
struct IOPCEventSink : public IUnknown
{
    // pEvents holds dwCount events and stays owned by the server.
    virtual HRESULT STDMETHODCALLTYPE OnEvent(OPCHANDLE hClientSubscription, BOOL bRefresh,
                                              BOOL bLastRefresh, DWORD dwCount,
                                              ONEVENTSTRUCT* pEvents) = 0;
};

// 1.10: per-condition enabling by area or source, each with an error per entry.
struct IOPCEventServer2 : public IOPCEventServer
{
    virtual HRESULT STDMETHODCALLTYPE EnableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas,
                                                             HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableConditionBySource2(DWORD dwNumSources,
                                                               LPWSTR* pszSources,
                                                               HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableConditionByArea2(DWORD dwNumAreas, LPWSTR* pszAreas,
                                                              HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableConditionBySource2(DWORD dwNumSources,
                                                                LPWSTR* pszSources,
                                                                HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnableStateByArea(DWORD dwNumAreas, LPWSTR* pszAreas,
                                                           BOOL** pbEnabled,
                                                           BOOL** pbEffectivelyEnabled,
                                                           HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnableStateBySource(DWORD dwNumSources, LPWSTR* pszSources,
                                                             BOOL** pbEnabled,
                                                             BOOL** pbEffectivelyEnabled,
                                                             HRESULT** ppErrors) = 0;
};

// 1.10: keep-alive callbacks on an otherwise quiet subscription.
struct IOPCEventSubscriptionMgt2 : public IOPCEventSubscriptionMgt
{
    virtual HRESULT STDMETHODCALLTYPE SetKeepAlive(DWORD dwKeepAliveTime,
                                                   DWORD* pdwRevisedKeepAliveTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetKeepAlive(DWORD* pdwKeepAliveTime) = 0;
};
