// The IOPCItemProperties object of a server: the properties of a tag, read straight from the
// tag store without adding the tag to a group.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCServer;

inline constexpr ForwardingTraces kItemPropertiesTraces{
    "IOPCItemProperties::AddRef() [defered to OPCServer]",
    "IOPCItemProperties::Release() [defered to OPCServer]",
    "IOPCItemProperties::QueryInterface() [defered to OPCServer]",
};

class IOPCItemPropertiesObject final
    : public InterfaceObject<IOPCItemProperties, OPCServer, kItemPropertiesTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE QueryAvailableProperties(LPWSTR szItemID, DWORD* pdwCount,
                                                       DWORD** ppPropertyIDs,
                                                       LPWSTR** ppDescriptions,
                                                       VARTYPE** ppvtDataTypes) noexcept override;
    HRESULT STDMETHODCALLTYPE GetItemProperties(LPWSTR szItemID, DWORD dwCount,
                                                DWORD* pdwPropertyIDs, VARIANT** ppvData,
                                                HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE LookupItemIDs(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs,
                                            LPWSTR** ppszNewItemIDs,
                                            HRESULT** ppErrors) noexcept override;
};

} // namespace vetrel
