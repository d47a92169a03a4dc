// The IOPCGroupStateMgt object of a group: its state, name and clone.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kGroupStateMgtTraces{
    "IOPCGroupStateMgt::AddRef() [defered to OPCGroup]",
    "IOPCGroupStateMgt::Release() [defered to OPCGroup]",
    "IOPCGroupStateMgt::QueryInterface() [defered to OPCGroup]",
};

class IOPCGroupStateMgtObject final
    : public InterfaceObject<IOPCGroupStateMgt, OPCGroup, kGroupStateMgtTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName,
                                       LONG* pTimeBias, FLOAT* pPercentDeadband, DWORD* pLCID,
                                       OPCHANDLE* phClientGroup,
                                       OPCHANDLE* phServerGroup) noexcept override;
    HRESULT STDMETHODCALLTYPE SetState(DWORD* pRequestedUpdateRate, DWORD* pRevisedUpdateRate,
                                       BOOL* pActive, LONG* pTimeBias, FLOAT* pPercentDeadband,
                                       DWORD* pLCID, OPCHANDLE* phClientGroup) noexcept override;
    HRESULT STDMETHODCALLTYPE SetName(LPCWSTR szName) noexcept override;
    HRESULT STDMETHODCALLTYPE CloneGroup(LPCWSTR szName, REFIID riid,
                                         IUnknown** ppUnk) noexcept override;
};

} // namespace vetrel
