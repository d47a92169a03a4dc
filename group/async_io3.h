// The IOPCAsyncIO3 object of a group: reads by max age, writes of values with quality and
// timestamp and refreshes by max age, completed like those of IOPCAsyncIO2, which it extends.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kAsyncIO3Traces{
    "IOPCAsyncIO3::AddRef() [defered to OPCGroup]",
    "IOPCAsyncIO3::Release() [defered to OPCGroup]",
    "IOPCAsyncIO3::QueryInterface() [defered to OPCGroup]",
};

class IOPCAsyncIO3Object final : public InterfaceObject<IOPCAsyncIO3, OPCGroup, kAsyncIO3Traces>
{
public:
    using InterfaceObject::InterfaceObject;

    // Those of the group's IOPCAsyncIO2.
    HRESULT STDMETHODCALLTYPE Read(DWORD dwCount, OPCHANDLE* phServer, DWORD dwTransactionID,
                                   DWORD* pdwCancelID, HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                                    DWORD dwTransactionID, DWORD* pdwCancelID,
                                    HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE Refresh2(OPCDATASOURCE dwSource, DWORD dwTransactionID,
                                       DWORD* pdwCancelID) noexcept override;
    HRESULT STDMETHODCALLTYPE Cancel2(DWORD dwCancelID) noexcept override;
    HRESULT STDMETHODCALLTYPE SetEnable(BOOL bEnable) noexcept override;
    HRESULT STDMETHODCALLTYPE GetEnable(BOOL* pbEnable) noexcept override;

    HRESULT STDMETHODCALLTYPE ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer, DWORD* pdwMaxAge,
                                         DWORD dwTransactionID, DWORD* pdwCancelID,
                                         HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, OPCHANDLE* phServer, OPCITEMVQT* pItemVQT,
                                       DWORD dwTransactionID, DWORD* pdwCancelID,
                                       HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE RefreshMaxAge(DWORD dwMaxAge, DWORD dwTransactionID,
                                            DWORD* pdwCancelID) noexcept override;
};

} // namespace vetrel
