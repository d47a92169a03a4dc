// The IOPCItemMgt object of a group: adding, validating and removing items, their settings,
// and the item attribute enumerator.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCGroup;

inline constexpr ForwardingTraces kItemMgtTraces{
    "IOPCItemMgt::AddRef() [defered to OPCGroup]",
    "IOPCItemMgt::Release() [defered to OPCGroup]",
    "IOPCItemMgt::QueryInterface() [defered to OPCGroup]",
};

class IOPCItemMgtObject final : public InterfaceObject<IOPCItemMgt, OPCGroup, kItemMgtTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE AddItems(DWORD dwCount, OPCITEMDEF* pItemArray,
                                       OPCITEMRESULT** ppAddResults,
                                       HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray, BOOL bBlobUpdate,
                                            OPCITEMRESULT** ppValidationResults,
                                            HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE RemoveItems(DWORD dwCount, OPCHANDLE* phServer,
                                          HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive,
                                             HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE SetClientHandles(DWORD dwCount, OPCHANDLE* phServer,
                                               OPCHANDLE* phClient,
                                               HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE SetDatatypes(DWORD dwCount, OPCHANDLE* phServer,
                                           VARTYPE* pRequestedDatatypes,
                                           HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE CreateEnumerator(REFIID riid, IUnknown** ppUnk) noexcept override;

private:
    HRESULT checkItems(DWORD dwCount, OPCITEMDEF* pItemArray, OPCITEMRESULT** ppResults,
                       HRESULT** ppErrors, bool add) noexcept;
};

} // namespace vetrel
