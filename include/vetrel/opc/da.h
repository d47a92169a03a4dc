// OPC Data Access 1.0a and 2.0 interfaces. Method order is vtable order and never changes.
//
// Memory: arrays and strings returned through pointer-to-pointer outputs are allocated by the
// callee with CoTaskMemAlloc and freed by the caller with CoTaskMemFree; the caller also clears
// every VARIANT in them. Inputs stay owned by the caller.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/da_types.h"
#include "vetrel/opc/types.h"

struct IOPCServer : public IUnknown
{
    // pTimeBias and pPercentDeadband may be null: the server picks its defaults.
    virtual HRESULT STDMETHODCALLTYPE AddGroup(LPCWSTR szName, BOOL bActive,
                                               DWORD dwRequestedUpdateRate, OPCHANDLE hClientGroup,
                                               LONG* pTimeBias, FLOAT* pPercentDeadband,
                                               DWORD dwLCID, OPCHANDLE* phServerGroup,
                                               DWORD* pRevisedUpdateRate, REFIID riid,
                                               IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LCID dwLocale,
                                                     LPWSTR* ppString) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGroupByName(LPCWSTR szName, REFIID riid,
                                                     IUnknown** ppUnk) = 0;
    // One callee-allocated structure; its szVendorInfo is a second allocation.
    virtual HRESULT STDMETHODCALLTYPE GetStatus(OPCSERVERSTATUS** ppServerStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid,
                                                            IUnknown** ppUnk) = 0;
};

struct IOPCServerPublicGroups : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetPublicGroupByName(LPCWSTR szName, REFIID riid,
                                                           IUnknown** ppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePublicGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;
};

struct IOPCBrowseServerAddressSpace : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection,
                                                           LPCWSTR szString) = 0;
    virtual HRESULT STDMETHODCALLTYPE BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType,
                                                       LPCWSTR szFilterCriteria,
                                                       VARTYPE vtDataTypeFilter,
                                                       DWORD dwAccessRightsFilter,
                                                       IEnumString** ppIEnumString) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) = 0;
    virtual HRESULT STDMETHODCALLTYPE BrowseAccessPaths(LPCWSTR szItemID,
                                                        IEnumString** ppIEnumString) = 0;
};

struct IOPCGroupStateMgt : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName,
                                               LONG* pTimeBias, FLOAT* pPercentDeadband,
                                               DWORD* pLCID, OPCHANDLE* phClientGroup,
                                               OPCHANDLE* phServerGroup) = 0;
    // Every input pointer may be null, leaving that setting unchanged.
    virtual HRESULT STDMETHODCALLTYPE SetState(DWORD* pRequestedUpdateRate,
                                               DWORD* pRevisedUpdateRate, BOOL* pActive,
                                               LONG* pTimeBias, FLOAT* pPercentDeadband,
                                               DWORD* pLCID, OPCHANDLE* phClientGroup) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetName(LPCWSTR szName) = 0;
    virtual HRESULT STDMETHODCALLTYPE CloneGroup(LPCWSTR szName, REFIID riid, IUnknown** ppUnk) = 0;
};

struct IOPCPublicGroupStateMgt : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetState(BOOL* pPublic) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveToPublic() = 0;
};

struct IOPCSyncIO : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Read(OPCDATASOURCE dwSource, DWORD dwCount,
                                           OPCHANDLE* phServer, OPCITEMSTATE** ppItemValues,
                                           HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwCount, OPCHANDLE* phServer,
                                            VARIANT* pItemValues, HRESULT** ppErrors) = 0;
};

// The 1.0a asynchronous interface. dwConnection is the number IDataObject::DAdvise on the same
// group returned; completions arrive as data streams on that advise connection.
struct IOPCAsyncIO : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwConnection, OPCDATASOURCE dwSource,
                                           DWORD dwCount, OPCHANDLE* phServer,
                                           DWORD* pTransactionID, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwConnection, DWORD dwCount, OPCHANDLE* phServer,
                                            VARIANT* pItemValues, DWORD* pTransactionID,
                                            HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection, OPCDATASOURCE dwSource,
                                              DWORD* pTransactionID) = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel(DWORD dwTransactionID) = 0;
};

struct IOPCItemMgt : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE AddItems(DWORD dwCount, OPCITEMDEF* pItemArray,
                                               OPCITEMRESULT** ppAddResults,
                                               HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray,
                                                    BOOL bBlobUpdate,
                                                    OPCITEMRESULT** ppValidationResults,
                                                    HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveItems(DWORD dwCount, OPCHANDLE* phServer,
                                                  HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetActiveState(DWORD dwCount, OPCHANDLE* phServer,
                                                     BOOL bActive, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientHandles(DWORD dwCount, OPCHANDLE* phServer,
                                                       OPCHANDLE* phClient, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDatatypes(DWORD dwCount, OPCHANDLE* phServer,
                                                   VARTYPE* pRequestedDatatypes,
                                                   HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateEnumerator(REFIID riid, IUnknown** ppUnk) = 0;
};

struct IEnumOPCItemAttributes : public IUnknown
{
    // Unlike the standard enumerators, the callee allocates the array: *pceltFetched entries.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray,
                                           ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) = 0;
};

// Implemented by the client; the server calls it through the group's connection point. Every
// array holds dwCount entries and stays owned by the server.
struct IOPCDataCallback : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE OnDataChange(DWORD dwTransid, OPCHANDLE hGroup,
                                                   HRESULT hrMasterquality, HRESULT hrMastererror,
                                                   DWORD dwCount, OPCHANDLE* phClientItems,
                                                   VARIANT* pvValues, WORD* pwQualities,
                                                   FILETIME* pftTimeStamps, HRESULT* pErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup,
                                                     HRESULT hrMasterquality, HRESULT hrMastererror,
                                                     DWORD dwCount, OPCHANDLE* phClientItems,
                                                     VARIANT* pvValues, WORD* pwQualities,
                                                     FILETIME* pftTimeStamps, HRESULT* pErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup,
                                                      HRESULT hrMastererr, DWORD dwCount,
                                                      OPCHANDLE* pClienthandles,
                                                      HRESULT* pErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) = 0;
};

struct IOPCAsyncIO2 : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwCount, OPCHANDLE* phServer,
                                           DWORD dwTransactionID, DWORD* pdwCancelID,
                                           HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(DWORD dwCount, OPCHANDLE* phServer,
                                            VARIANT* pItemValues, DWORD dwTransactionID,
                                            DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
    // Named Refresh2 so that one class can implement this and IOPCAsyncIO side by side.
    virtual HRESULT STDMETHODCALLTYPE Refresh2(OPCDATASOURCE dwSource, DWORD dwTransactionID,
                                               DWORD* pdwCancelID) = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel2(DWORD dwCancelID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEnable(BOOL bEnable) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnable(BOOL* pbEnable) = 0;
};

struct IOPCItemProperties : public IUnknown
{
    // The three arrays hold *pdwCount entries.
    virtual HRESULT STDMETHODCALLTYPE QueryAvailableProperties(LPWSTR szItemID, DWORD* pdwCount,
                                                               DWORD** ppPropertyIDs,
                                                               LPWSTR** ppDescriptions,
                                                               VARTYPE** ppvtDataTypes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemProperties(LPWSTR szItemID, DWORD dwCount,
                                                        DWORD* pdwPropertyIDs, VARIANT** ppvData,
                                                        HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE LookupItemIDs(LPWSTR szItemID, DWORD dwCount,
                                                    DWORD* pdwPropertyIDs, LPWSTR** ppszNewItemIDs,
                                                    HRESULT** ppErrors) = 0;
};
