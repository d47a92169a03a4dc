// The IOPCGroupStateMgt2 object of a group: the keep-alive time of its callback, beside the
// inherited state, name and clone of IOPCGroupStateMgt.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kGroupStateMgt2Traces{
    "IOPCGroupStateMgt2::AddRef() [defered to OPCGroup]",
    "IOPCGroupStateMgt2::Release() [defered to OPCGroup]",
    "IOPCGroupStateMgt2::QueryInterface() [defered to OPCGroup]",
};

class IOPCGroupStateMgt2Object final
    : public InterfaceObject<IOPCGroupStateMgt2, OPCGroup, kGroupStateMgt2Traces>
{
public:
    using InterfaceObject::InterfaceObject;

    // Those of the group's IOPCGroupStateMgt.
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

    HRESULT STDMETHODCALLTYPE SetKeepAlive(DWORD dwKeepAliveTime,
                                           DWORD* pdwRevisedKeepAliveTime) noexcept override;
    HRESULT STDMETHODCALLTYPE GetKeepAlive(DWORD* pdwKeepAliveTime) noexcept override;
};

} // namespace vetrel
