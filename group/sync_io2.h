// The IOPCSyncIO2 object of a group: blocking reads by max age and writes of values with
// quality and timestamp, beside the inherited reads and writes of IOPCSyncIO.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kSyncIO2Traces{
    "IOPCSyncIO2::AddRef() [defered to OPCGroup]",
    "IOPCSyncIO2::Release() [defered to OPCGroup]",
    "IOPCSyncIO2::QueryInterface() [defered to OPCGroup]",
};

class IOPCSyncIO2Object final : public InterfaceObject<IOPCSyncIO2, OPCGroup, kSyncIO2Traces>
{
public:
    using InterfaceObject::InterfaceObject;

    // Those of the group's IOPCSyncIO.
    HRESULT STDMETHODCALLTYPE Read(OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer,
                                   OPCITEMSTATE** ppItemValues,
                                   HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                                    HRESULT** ppErrors) noexcept override;

    HRESULT STDMETHODCALLTYPE ReadMaxAge(DWORD dwCount, OPCHANDLE* phServer, DWORD* pdwMaxAge,
                                         VARIANT** ppvValues, WORD** ppwQualities,
                                         FILETIME** ppftTimeStamps,
                                         HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, OPCHANDLE* phServer, OPCITEMVQT* pItemVQT,
                                       HRESULT** ppErrors) noexcept override;
};

} // namespace vetrel
