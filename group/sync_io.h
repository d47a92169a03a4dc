// The IOPCSyncIO object of a group: blocking reads and writes of its items.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kSyncIOTraces{
    "IOPCSyncIO::AddRef() [defered to OPCGroup]",
    "IOPCSyncIO::Release() [defered to OPCGroup]",
    "IOPCSyncIO::QueryInterface() [defered to OPCGroup]",
};

class IOPCSyncIOObject final : public InterfaceObject<IOPCSyncIO, OPCGroup, kSyncIOTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE Read(OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer,
                                   OPCITEMSTATE** ppItemValues,
                                   HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                                    HRESULT** ppErrors) noexcept override;
};

} // namespace vetrel
