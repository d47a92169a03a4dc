// OPC Common interfaces: locale and client name, shutdown notification, and the server browser
// (OPCEnum) with its 1.10 additions. Callee-allocated outputs follow the rule of da.h.
#pragma once

#include "vetrel/com.h"

// The standard GUID enumerator; the platform face need not define it, only the server browser
// hands it out.
struct IEnumGUID;

struct IOPCCommon : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE SetLocaleID(LCID dwLcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pdwLcid) = 0;
    // The array holds *pdwCount entries.
    virtual HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LPWSTR* ppString) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR szName) = 0;
};

// Implemented by the client; the server calls it through its connection point.
struct IOPCShutdown : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR szReason) = 0;
};

// The category arrays are CATIDs.
struct IOPCServerList : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, GUID* rgcatidImpl,
                                                              ULONG cRequired, GUID* rgcatidReq,
                                                              IEnumGUID** ppenumClsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID,
                                                      LPOLESTR* ppszUserType) = 0;
    virtual HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) = 0;
};

struct IOPCEnumGUID : public IUnknown
{
    // The caller supplies room for celt GUIDs.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IOPCEnumGUID** ppenum) = 0;
};

// Not derived from IOPCServerList: its methods take slots 3-5 again.
struct IOPCServerList2 : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, GUID* rgcatidImpl,
                                                              ULONG cRequired, GUID* rgcatidReq,
                                                              IOPCEnumGUID** ppenumClsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID,
                                                      LPOLESTR* ppszUserType,
                                                      LPOLESTR* ppszVerIndProgID) = 0;
    virtual HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) = 0;
};
