#include "server/common_interface.h"

#include "comkit/locked_boundary.h"
#include "platform/task_mem.h"
#include "server/opc_server.h"

namespace vetrel {

HRESULT STDMETHODCALLTYPE IOPCCommonObject::SetLocaleID(LCID dwLcid) noexcept
{
    return lockedBoundary(
        owner(), [&](auto&) -> HRESULT { return dwLcid == kSupportedLocale ? S_OK : E_FAIL; });
}

HRESULT STDMETHODCALLTYPE IOPCCommonObject::GetLocaleID(LCID* pdwLcid) noexcept
{
    if (!pdwLcid) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        *pdwLcid = kSupportedLocale;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCCommonObject::QueryAvailableLocaleIDs(DWORD* pdwCount,
                                                                    LCID** pdwLcid) noexcept
{
    if (!pdwCount || !pdwLcid) return E_INVALIDARG;
    *pdwCount = 0;
    *pdwLcid = nullptr;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        auto locales = TaskMem<LCID>::allocate(1);
        if (!locales) return E_OUTOFMEMORY;
        locales[0] = kSupportedLocale;
        *pdwLcid = locales.release();
        *pdwCount = 1;
        return S_OK;
    });
}

// The runtime keeps no error texts of its own; IOPCServer::GetErrorString has its fixed one.
HRESULT STDMETHODCALLTYPE IOPCCommonObject::GetErrorString(HRESULT, LPWSTR*) noexcept
{
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE IOPCCommonObject::SetClientName(LPCWSTR) noexcept
{
    // Nothing in the runtime shows a client's name, so none is kept; the call still answers as
    // every other call of the connection does.
    return lockedBoundary(owner(), [](auto&) -> HRESULT { return S_OK; });
}

} // namespace vetrel
