// The IOPCBrowseServerAddressSpace object of a server: the tag tree seen as an OPC namespace,
// walked from a browse position that belongs to the server and is shared by every thread
// of its client.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

#include <string>
#include <vector>

namespace vetrel {

class OPCServer;

inline constexpr ForwardingTraces kBrowseTraces{
    "IOPCBrowseServerAddressSpace::AddRef() [defered to OPCServer]",
    "IOPCBrowseServerAddressSpace::Release() [defered to OPCServer]",
    "IOPCBrowseServerAddressSpace::QueryInterface()  [defered to OPCServer]",
};

class IOPCBrowseServerAddressSpaceObject final
    : public InterfaceObject<IOPCBrowseServerAddressSpace, OPCServer, kBrowseTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) noexcept override;
    HRESULT STDMETHODCALLTYPE ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection,
                                                   LPCWSTR szString) noexcept override;
    HRESULT STDMETHODCALLTYPE BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType,
                                               LPCWSTR szFilterCriteria, VARTYPE vtDataTypeFilter,
                                               DWORD dwAccessRightsFilter,
                                               IEnumString** ppIEnumString) noexcept override;
    HRESULT STDMETHODCALLTYPE GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) noexcept override;
    HRESULT STDMETHODCALLTYPE BrowseAccessPaths(LPCWSTR szItemID,
                                                IEnumString** ppIEnumString) noexcept override;

private:
    // Name components from the root down; empty at the root. Guarded by the runtime lock.
    std::vector<std::string> m_position;
};

} // namespace vetrel
