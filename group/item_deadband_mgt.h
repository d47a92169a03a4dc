// The IOPCItemDeadbandMgt object of a group: percent deadbands of single items, which the scan
// judges their tag updates by in place of the group's.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kItemDeadbandMgtTraces{
    "IOPCItemDeadbandMgt::AddRef() [defered to OPCGroup]",
    "IOPCItemDeadbandMgt::Release() [defered to OPCGroup]",
    "IOPCItemDeadbandMgt::QueryInterface() [defered to OPCGroup]",
};

class IOPCItemDeadbandMgtObject final
    : public InterfaceObject<IOPCItemDeadbandMgt, OPCGroup, kItemDeadbandMgtTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE SetItemDeadband(DWORD dwCount, OPCHANDLE* phServer,
                                              FLOAT* pPercentDeadband,
                                              HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE GetItemDeadband(DWORD dwCount, OPCHANDLE* phServer,
                                              FLOAT** ppPercentDeadband,
                                              HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE ClearItemDeadband(DWORD dwCount, OPCHANDLE* phServer,
                                                HRESULT** ppErrors) noexcept override;
};

} // namespace vetrel
