// OPC Data Access 3.0 interfaces. Three extend a 2.0 interface and continue its vtable; the
// others start after IUnknown. Method order is vtable order and never changes.
//
// Memory as for the 2.0 interfaces: what comes back through pointer-to-pointer outputs,
// strings and VARIANTs inside returned structures included, is the caller's to free.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/da.h"
#include "vetrel/opc/da3_types.h"
#include "vetrel/opc/types.h"

struct IOPCItemDeadbandMgt : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE SetItemDeadband(DWORD dwCount, OPCHANDLE* phServer,
                                                      FLOAT* pPercentDeadband,
                                                      HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemDeadband(DWORD dwCount, OPCHANDLE* phServer,
                                                      FLOAT** ppPercentDeadband,
                                                      HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearItemDeadband(DWORD dwCount, OPCHANDLE* phServer,
                                                        HRESULT** ppErrors) = 0;
};

struct IOPCItemSamplingMgt : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE SetItemSamplingRate(DWORD dwCount, OPCHANDLE* phServer,
                                                          DWORD* pdwRequestedSamplingRate,
                                                          DWORD** ppdwRevisedSamplingRate,
                                                          HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemSamplingRate(DWORD dwCount, OPCHANDLE* phServer,
                                                          DWORD** ppdwSamplingRate,
                                                          HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearItemSamplingRate(DWORD dwCount, OPCHANDLE* phServer,
                                                            HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetItemBufferEnable(DWORD dwCount, OPCHANDLE* phServer,
                                                          BOOL* pbEnable, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemBufferEnable(DWORD dwCount, OPCHANDLE* phServer,
                                                          BOOL** ppbEnable, HRESULT** ppErrors) = 0;
};

struct IOPCBrowse : public IUnknown
{
    // ppItemProperties holds dwItemCount entries.
    virtual HRESULT STDMETHODCALLTYPE GetProperties(DWORD dwItemCount, LPWSTR* pszItemIDs,
                                                    BOOL bReturnPropertyValues,
                                                    DWORD dwPropertyCount, DWORD* pdwPropertyIDs,
                                                    OPCITEMPROPERTIES** ppItemProperties) = 0;
    // *pszContinuationPoint goes in (null or empty: from the start) and comes back (null: no
    // more); the callee frees the incoming text. ppBrowseElements holds *pdwCount entries.
    virtual HRESULT STDMETHODCALLTYPE Browse(LPWSTR szItemID, LPWSTR* pszContinuationPoint,
                                             DWORD dwMaxElementsReturned,
                                             OPCBROWSEFILTER dwBrowseFilter,
                                             LPWSTR szElementNameFilter, LPWSTR szVendorFilter,
                                             BOOL bReturnAllProperties, BOOL bReturnPropertyValues,
                                             DWORD dwPropertyCount, DWORD* pdwPropertyIDs,
                                             BOOL* pbMoreElements, DWORD* pdwCount,
                                             OPCBROWSEELEMENT** ppBrowseElements) = 0;
};

struct IOPCItemIO : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Read(DWORD dwCount, LPCWSTR* pszItemIDs, DWORD* pdwMaxAge,
                                           VARIANT** ppvValues, WORD** ppwQualities,
                                           FILETIME** ppftTimeStamps, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, LPCWSTR* pszItemIDs,
                                               OPCITEMVQT* pItemVQT, HRESULT** ppErrors) = 0;
};

struct IOPCSyncIO2 : public IOPCSyncIO
{
    virtual HRESULT STDMETHODCALLTYPE ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer,
                                                 DWORD* pdwMaxAge, VARIANT** ppvValues,
                                                 WORD** ppwQualities, FILETIME** ppftTimeStamps,
                                                 HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, OPCHANDLE* phServer,
                                               OPCITEMVQT* pItemVQT, HRESULT** ppErrors) = 0;
};

struct IOPCAsyncIO3 : public IOPCAsyncIO2
{
    virtual HRESULT STDMETHODCALLTYPE ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer,
                                                 DWORD* pdwMaxAge, DWORD dwTransactionID,
                                                 DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, OPCHANDLE* phServer,
                                               OPCITEMVQT* pItemVQT, DWORD dwTransactionID,
                                               DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
    virtual HRESULT STDMETHODCALLTYPE RefreshMaxAge(DWORD dwMaxAge, DWORD dwTransactionID,
                                                    DWORD* pdwCancelID) = 0;
};

struct IOPCGroupStateMgt2 : public IOPCGroupStateMgt
{
    virtual HRESULT STDMETHODCALLTYPE SetKeepAlive(DWORD dwKeepAliveTime,
                                                   DWORD* pdwRevisedKeepAliveTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetKeepAlive(DWORD* pdwKeepAliveTime) = 0;
};
