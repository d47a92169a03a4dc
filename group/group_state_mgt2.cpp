#include "group/group_state_mgt2.h"

#include "comkit/locked_boundary.h"
#include "group/opc_group.h"
#include "group/update_rate.h"

namespace vetrel {

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgt2Object::GetState(DWORD* pUpdateRate, BOOL* pActive,
                                                             LPWSTR* ppName, LONG* pTimeBias,
                                                             FLOAT* pPercentDeadband, DWORD* pLCID,
                                                             OPCHANDLE* phClientGroup,
                                                             OPCHANDLE* phServerGroup) noexcept
{
    return owner().stateMgt().GetState(pUpdateRate, pActive, ppName, pTimeBias, pPercentDeadband,
                                       pLCID, phClientGroup, phServerGroup);
}

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgt2Object::SetState(DWORD* pRequestedUpdateRate,
                                                             DWORD* pRevisedUpdateRate,
                                                             BOOL* pActive, LONG* pTimeBias,
                                                             FLOAT* pPercentDeadband, DWORD* pLCID,
                                                             OPCHANDLE* phClientGroup) noexcept
{
    return owner().stateMgt().SetState(pRequestedUpdateRate, pRevisedUpdateRate, pActive, pTimeBias,
                                       pPercentDeadband, pLCID, phClientGroup);
}

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgt2Object::SetName(LPCWSTR szName) noexcept
{
    return owner().stateMgt().SetName(szName);
}

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgt2Object::CloneGroup(LPCWSTR szName, REFIID riid,
                                                               IUnknown** ppUnk) noexcept
{
    return owner().stateMgt().CloneGroup(szName, riid, ppUnk);
}

// The scan counts the time in ticks of the server rate, so the time is one of its multiples.
HRESULT STDMETHODCALLTYPE IOPCGroupStateMgt2Object::SetKeepAlive(
    DWORD dwKeepAliveTime, DWORD* pdwRevisedKeepAliveTime) noexcept
{
    trace("IOPCGroupStateMgt2::SetKeepAlive");
    if (!pdwRevisedKeepAliveTime) return E_INVALIDARG;
    OPCGroup& group = owner();
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        const DWORD revised =
            dwKeepAliveTime == 0 ? 0 : reviseUpdateRate(dwKeepAliveTime, serverRate());
        group.setKeepAlive(revised);
        *pdwRevisedKeepAliveTime = revised;
        return revised == dwKeepAliveTime ? S_OK : OPC_S_UNSUPPORTEDRATE;
    });
}

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgt2Object::GetKeepAlive(DWORD* pdwKeepAliveTime) noexcept
{
    trace("IOPCGroupStateMgt2::GetKeepAlive");
    if (!pdwKeepAliveTime) return E_INVALIDARG;
    const OPCGroup& group = owner();
    return lockedBoundary(group, [&](auto&) -> HRESULT {
        *pdwKeepAliveTime = group.keepAlive();
        return S_OK;
    });
}

} // namespace vetrel
