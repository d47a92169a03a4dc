// The IOPCAsyncIO2 object of a group: reads, writes and refreshes accepted now and completed on
// the runtime's next tick through the group's IOPCDataCallback.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kAsyncIO2Traces{
    "IOPCASyncIO2::AddRef() [defered to OPCGroup]",
    "IOPCASyncIO2::Release() [defered to OPCGroup]",
    "IOPCASyncIO2::QueryInterface() [defered to OPCGroup]",
};

class IOPCAsyncIO2Object final : public InterfaceObject<IOPCAsyncIO2, OPCGroup, kAsyncIO2Traces>
{
public:
    using InterfaceObject::InterfaceObject;

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
};

} // namespace vetrel
