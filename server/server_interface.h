// The IOPCServer object of a server: status, error text, and the client's groups.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCServer;

inline constexpr ForwardingTraces kServerTraces{
    "IOPCServer::AddRef() [defered to OPCServer]",
    "IOPCServer::Release() [defered to OPCServer]",
    "IOPCServer::QueryInterface()  [defered to OPCServer]",
};

class IOPCServerObject final : public InterfaceObject<IOPCServer, OPCServer, kServerTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE AddGroup(LPCWSTR szName, BOOL bActive, DWORD dwRequestedUpdateRate,
                                       OPCHANDLE hClientGroup, LONG* pTimeBias,
                                       FLOAT* pPercentDeadband, DWORD dwLCID,
                                       OPCHANDLE* phServerGroup, DWORD* pRevisedUpdateRate,
                                       REFIID riid, IUnknown** ppUnk) noexcept override;
    HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LCID dwLocale,
                                             LPWSTR* ppString) noexcept override;
    HRESULT STDMETHODCALLTYPE GetGroupByName(LPCWSTR szName, REFIID riid,
                                             IUnknown** ppUnk) noexcept override;
    HRESULT STDMETHODCALLTYPE GetStatus(OPCSERVERSTATUS** ppServerStatus) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid,
                                                    IUnknown** ppUnk) noexcept override;
};

} // namespace vetrel
