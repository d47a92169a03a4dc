#include "group/group_state_mgt.h"

#include "comkit/client_text.h"
#include "comkit/locked_boundary.h"
#include "group/deadband.h"
#include "group/opc_group.h"
#include "group/update_rate.h"
#include "tags/tag_tree.h"

#include <new>

namespace vetrel {

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgtObject::GetState(DWORD* pUpdateRate, BOOL* pActive,
                                                            LPWSTR* ppName, LONG* pTimeBias,
                                                            FLOAT* pPercentDeadband, DWORD* pLCID,
                                                            OPCHANDLE* phClientGroup,
                                                            OPCHANDLE* phServerGroup) noexcept
{
    trace("IOPCGroupStateMgt::GetState");
    if (!pUpdateRate || !pActive || !ppName || !pTimeBias || !pPercentDeadband || !pLCID ||
        !phClientGroup || !phServerGroup)
        return E_INVALIDARG;
    *ppName = nullptr;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        const OPCGroup& group = owner();
        LPWSTR name = toClientText(group.name());
        if (!name) return E_OUTOFMEMORY;
        const GroupState& state = owner().state();
        *pUpdateRate = state.updateRate;
        *pActive = state.active;
        *ppName = name;
        *pTimeBias = state.timeBias;
        *pPercentDeadband = state.percentDeadband;
        *pLCID = state.lcid;
        *phClientGroup = state.clientHandle;
        *phServerGroup = group.serverHandle();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgtObject::SetState(DWORD* pRequestedUpdateRate,
                                                            DWORD* pRevisedUpdateRate,
                                                            BOOL* pActive, LONG* pTimeBias,
                                                            FLOAT* pPercentDeadband, DWORD* pLCID,
                                                            OPCHANDLE* phClientGroup) noexcept
{
    trace("IOPCGroupStateMgt::SetState");
    // Refused before anything changes: a NaN deadband would silence every item.
    if (pPercentDeadband && !validPercentDeadband(*pPercentDeadband)) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        GroupState& state = owner().state();
        // The other values are stored as given, and a changed active flag leaves the changes
        // collected so far to the next scan.
        if (pRequestedUpdateRate)
            state.updateRate = reviseUpdateRate(*pRequestedUpdateRate, serverRate());
        if (pActive) state.active = *pActive;
        if (phClientGroup) state.clientHandle = *phClientGroup;
        if (pPercentDeadband) state.percentDeadband = *pPercentDeadband;
        if (pLCID) state.lcid = *pLCID;
        if (pTimeBias) state.timeBias = *pTimeBias;
        if (pRevisedUpdateRate) *pRevisedUpdateRate = state.updateRate;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgtObject::SetName(LPCWSTR szName) noexcept
{
    trace("IOPCGroupStateMgt::SetName");
    if (!szName) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        // Unlike AddGroup, any name goes, another group's or an empty one.
        std::string name = fromClientText(szName);
        if (GroupOwner* server = owner().server())
            server->renameGroup(owner(), std::move(name));
        else
            owner().setName(std::move(name));
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCGroupStateMgtObject::CloneGroup(LPCWSTR szName, REFIID riid,
                                                              IUnknown** ppUnk) noexcept
{
    trace("IOPCGroupStateMgt::CloneGroup");
    if (!ppUnk) return E_INVALIDARG;
    *ppUnk = nullptr;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        const OPCGroup& source = owner();
        // A group removed from its server has no list to join.
        GroupOwner* server = source.server();
        if (!server) return E_FAIL;
        std::string name = fromClientText(szName);
        auto items = source.copyItems();
        GroupState state = owner().state();
        state.active = FALSE;
        OPCGroup* clone = nullptr;
        const HRESULT hr = server->addNamedGroup(std::move(name), state, riid, ppUnk, clone);
        if (FAILED(hr)) return hr;
        for (auto& item : items) {
            try {
                OPCTag* tag = tagTree().find(item->tagName());
                clone->addItem(std::move(item), tag);
            } catch (const std::bad_alloc&) {
                // The clone is the client's already: it keeps the items that fitted.
            }
        }
        return S_OK;
    });
}

} // namespace vetrel
