#include "group/item_deadband_mgt.h"

#include "group/deadband.h"
#include "group/per_item.h"

namespace vetrel {
namespace {

// Items whose values the deadband does not compare cannot have one: it would silence nothing.
HRESULT deadbandSupport(const OPCItem& item) noexcept
{
    return takesDeadband(item.m_canonicalDataType) ? S_OK : OPC_E_DEADBANDNOTSUPPORTED;
}

} // namespace

HRESULT STDMETHODCALLTYPE IOPCItemDeadbandMgtObject::SetItemDeadband(DWORD dwCount,
                                                                     OPCHANDLE* phServer,
                                                                     FLOAT* pPercentDeadband,
                                                                     HRESULT** ppErrors) noexcept
{
    trace("IOPCItemDeadbandMgt::SetItemDeadband");
    if (!pPercentDeadband) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    OPCGroup& group = owner();
    const HRESULT hr =
        forEachHandle(group, dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD i) {
            if (const HRESULT support = deadbandSupport(item); FAILED(support)) return support;
            if (!validPercentDeadband(pPercentDeadband[i])) return E_INVALIDARG;
            group.setOwnDeadband(item, pPercentDeadband[i]);
            return S_OK;
        });
    return withItemOutcome(hr, dwCount, ppErrors);
}

HRESULT STDMETHODCALLTYPE IOPCItemDeadbandMgtObject::GetItemDeadband(DWORD dwCount,
                                                                     OPCHANDLE* phServer,
                                                                     FLOAT** ppPercentDeadband,
                                                                     HRESULT** ppErrors) noexcept
{
    trace("IOPCItemDeadbandMgt::GetItemDeadband");
    clearOutput(ppPercentDeadband);
    if (!ppPercentDeadband) {
        clearOutput(ppErrors);
        return E_INVALIDARG;
    }
    auto deadbands = allocateCleared<FLOAT>(dwCount);
    if (!deadbands) {
        clearOutput(ppErrors);
        return dwCount == 0 ? E_INVALIDARG : E_OUTOFMEMORY;
    }
    const OPCGroup& group = owner();
    const HRESULT hr =
        forEachHandle(owner(), dwCount, phServer, ppErrors, [&](const OPCItem& item, DWORD i) {
            if (const HRESULT support = deadbandSupport(item); FAILED(support)) return support;
            const auto own = group.ownDeadband(item);
            if (!own) return OPC_E_DEADBANDNOTSET;
            deadbands[i] = *own;
            return S_OK;
        });
    if (SUCCEEDED(hr)) *ppPercentDeadband = deadbands.release();
    return withItemOutcome(hr, dwCount, ppErrors);
}

HRESULT STDMETHODCALLTYPE IOPCItemDeadbandMgtObject::ClearItemDeadband(DWORD dwCount,
                                                                       OPCHANDLE* phServer,
                                                                       HRESULT** ppErrors) noexcept
{
    trace("IOPCItemDeadbandMgt::ClearItemDeadband");
    OPCGroup& group = owner();
    const HRESULT hr = forEachHandle(group, dwCount, phServer, ppErrors, [&](OPCItem& item, DWORD) {
        if (const HRESULT support = deadbandSupport(item); FAILED(support)) return support;
        if (!item.m_ownDeadband) return OPC_E_DEADBANDNOTSET;
        group.clearOwnDeadband(item);
        return S_OK;
    });
    return withItemOutcome(hr, dwCount, ppErrors);
}

} // namespace vetrel
