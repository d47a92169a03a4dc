#include "server/server_interface.h"

#include "comkit/client_arrays.h"
#include "comkit/client_text.h"
#include "comkit/locked_boundary.h"
#include "group/deadband.h"
#include "group/update_rate.h"
#include "platform/task_mem.h"
#include "server/group_enumerator.h"
#include "server/opc_server.h"
#include "server/runtime_status.h"

namespace vetrel {
namespace {

constexpr const char* kErrorText = "Return Svr Specific Error Description Here!";

// Every scope but the public ones lists the client's groups: all groups are private.
bool listsPrivateGroups(OPCENUMSCOPE scope) noexcept
{
    return scope == OPC_ENUM_PRIVATE_CONNECTIONS || scope == OPC_ENUM_ALL_CONNECTIONS ||
           scope == OPC_ENUM_PRIVATE || scope == OPC_ENUM_ALL;
}

} // namespace

HRESULT STDMETHODCALLTYPE IOPCServerObject::AddGroup(
    LPCWSTR szName, BOOL bActive, DWORD dwRequestedUpdateRate, OPCHANDLE hClientGroup,
    LONG* pTimeBias, FLOAT* pPercentDeadband, DWORD dwLCID, OPCHANDLE* phServerGroup,
    DWORD* pRevisedUpdateRate, REFIID riid, IUnknown** ppUnk) noexcept
{
    trace("IOPCServer::AddGroup");
    clearOutput(ppUnk);
    clearOutput(phServerGroup);
    clearOutput(pRevisedUpdateRate);
    if (!ppUnk || !phServerGroup || !pRevisedUpdateRate) return E_INVALIDARG;
    if (pPercentDeadband && !validPercentDeadband(*pPercentDeadband)) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        OPCServer& server = owner();
        std::string name = fromClientText(szName);
        if (const HRESULT claimed = server.claimGroupName(name); FAILED(claimed)) return claimed;

        const DWORD rate = serverRate();
        GroupState state;
        state.updateRate = reviseUpdateRate(dwRequestedUpdateRate, rate);
        *pRevisedUpdateRate = state.updateRate;
        state.active = bActive;
        state.clientHandle = hClientGroup;
        state.percentDeadband = pPercentDeadband ? *pPercentDeadband : 0.0f;
        state.lcid = dwLCID;
        state.timeBias = pTimeBias ? *pTimeBias : 0;

        OPCGroup* group = nullptr;
        const HRESULT hr = server.addGroup(std::move(name), state, riid, ppUnk, group);
        if (FAILED(hr)) return hr;
        *phServerGroup = group->serverHandle();
        return dwRequestedUpdateRate != 0 && dwRequestedUpdateRate < rate ? OPC_S_UNSUPPORTEDRATE
                                                                          : S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCServerObject::GetErrorString(HRESULT, LCID, LPWSTR* ppString) noexcept
{
    trace("IOPCServer::GetErrorString");
    if (!ppString) return E_INVALIDARG;
    *ppString = nullptr;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        *ppString = toClientText(kErrorText);
        return *ppString ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT STDMETHODCALLTYPE IOPCServerObject::GetGroupByName(LPCWSTR szName, REFIID riid,
                                                           IUnknown** ppUnk) noexcept
{
    trace("IOPCServer::GetGroupByName");
    clearOutput(ppUnk);
    if (!szName || !ppUnk) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        OPCGroup* group = owner().groups().findByName(fromClientText(szName));
        if (!group) return E_FAIL;
        return group->QueryInterface(riid, reinterpret_cast<void**>(ppUnk));
    });
}

HRESULT STDMETHODCALLTYPE IOPCServerObject::GetStatus(OPCSERVERSTATUS** ppServerStatus) noexcept
{
    trace("IOPCServer::GetStatus");
    if (!ppServerStatus) return E_INVALIDARG;
    *ppServerStatus = nullptr;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        auto status = TaskMem<OPCSERVERSTATUS>::allocate(1);
        if (!status) return E_OUTOFMEMORY;
        const RuntimeStatus& runtime = runtimeStatus();
        OPCSERVERSTATUS& filled = status[0];
        filled = {};
        filled.ftStartTime = runtime.startTime;
        CoFileTimeNow(&filled.ftCurrentTime);
        filled.ftLastUpdateTime = owner().creationTime();
        filled.dwServerState = OPC_STATUS_RUNNING;
        // What clients of this runtime have always been told, whatever the group list holds.
        filled.dwGroupCount = 0;
        filled.wReserved = 42;
        filled.szVendorInfo = toClientText(runtime.vendorText);
        *ppServerStatus = status.release();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCServerObject::RemoveGroup(OPCHANDLE hServerGroup,
                                                        BOOL bForce) noexcept
{
    trace("IOPCServer::RemoveGroup");
    PendingDisconnects disconnects;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        OPCGroup* group = owner().groups().find(hServerGroup);
        if (!group) return E_FAIL;
        owner().removeGroup(*group, bForce != FALSE, disconnects);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCServerObject::CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid,
                                                                  IUnknown** ppUnk) noexcept
{
    trace("IOPCServer::CreateGroupEnumerator");
    clearOutput(ppUnk);
    if (!ppUnk || !IsEqualIID(riid, IID_IEnumUnknown)) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        auto enumerator = OPCGroupEnumerator::create(owner(), listsPrivateGroups(dwScope));
        *ppUnk = enumerator.detach();
        return S_OK;
    });
}

} // namespace vetrel
