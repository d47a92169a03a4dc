// The OPC 1.0 IOPCAsyncIO object of a group: reads, writes and refreshes accepted now and
// answered on the runtime's next tick as stream blocks through the group's data object.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kAsyncIOTraces{
    "IOPCASyncIO::AddRef() [defered to OPCGroup]",
    "IOPCASyncIO::Release() [defered to OPCGroup]",
    "IOPCASyncIO::QueryInterface() [defered to OPCGroup]",
};

class IOPCAsyncIOObject final : public InterfaceObject<IOPCAsyncIO, OPCGroup, kAsyncIOTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE Read(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD dwCount,
                                   OPCHANDLE* phServer, DWORD* pTransactionID,
                                   HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE Write(DWORD dwConnection, DWORD dwCount, OPCHANDLE* phServer,
                                    VARIANT* pItemValues, DWORD* pTransactionID,
                                    HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE Refresh(DWORD dwConnection, OPCDATASOURCE dwSource,
                                      DWORD* pTransactionID) noexcept override;
    HRESULT STDMETHODCALLTYPE Cancel(DWORD dwTransactionID) noexcept override;
};

} // namespace vetrel
