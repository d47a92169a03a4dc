// The IOPCBrowse object of a server: the tag tree browsed by item ID, a batch at a time with
// continuation points, and the properties of many items in one call.
#pragma once

#include "comkit/interface_object.h"
#include "server/continuation_points.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCServer;

inline constexpr ForwardingTraces kOPCBrowseTraces{
    "IOPCBrowse::AddRef() [defered to OPCServer]",
    "IOPCBrowse::Release() [defered to OPCServer]",
    "IOPCBrowse::QueryInterface()  [defered to OPCServer]",
};

class IOPCBrowseObject final : public InterfaceObject<IOPCBrowse, OPCServer, kOPCBrowseTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE GetProperties(DWORD dwItemCount, LPWSTR* pszItemIDs,
                                            BOOL bReturnPropertyValues, DWORD dwPropertyCount,
                                            DWORD* pdwPropertyIDs,
                                            OPCITEMPROPERTIES** ppItemProperties) noexcept override;
    HRESULT STDMETHODCALLTYPE Browse(LPWSTR szItemID, LPWSTR* pszContinuationPoint,
                                     DWORD dwMaxElementsReturned, OPCBROWSEFILTER dwBrowseFilter,
                                     LPWSTR szElementNameFilter, LPWSTR szVendorFilter,
                                     BOOL bReturnAllProperties, BOOL bReturnPropertyValues,
                                     DWORD dwPropertyCount, DWORD* pdwPropertyIDs,
                                     BOOL* pbMoreElements, DWORD* pdwCount,
                                     OPCBROWSEELEMENT** ppBrowseElements) noexcept override;

private:
    ContinuationPoints m_continuationPoints;
};

} // namespace vetrel
