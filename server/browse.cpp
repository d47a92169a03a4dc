#include "server/browse.h"

#include "comkit/client_arrays.h"
#include "comkit/client_text.h"
#include "comkit/locked_boundary.h"
#include "comkit/string_enumerator.h"
#include "server/opc_server.h"
#include "tags/tag_tree.h"

#include <string_view>

namespace vetrel {
namespace {

// The names a listing of kind holds, when the client's filter type names one.
bool listingKind(OPCBROWSETYPE filterType, NameKind& kind) noexcept
{
    switch (filterType) {
    case OPC_BRANCH:
        kind = NameKind::Branch;
        return true;
    case OPC_LEAF:
        kind = NameKind::Leaf;
        return true;
    case OPC_FLAT:
        kind = NameKind::Flat;
        return true;
    }
    return false;
}

// The text after the last full stop, or all of it: moving down goes one level only.
std::string lastComponent(std::string name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

} // namespace

HRESULT STDMETHODCALLTYPE
IOPCBrowseServerAddressSpaceObject::QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) noexcept
{
    trace("IOPCBrowseServerAddressSpace::QueryOrganization");
    if (!pNameSpaceType) return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        *pNameSpaceType = tagTree().isHierarchical() ? OPC_NS_HIERARCHIAL : OPC_NS_FLAT;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCBrowseServerAddressSpaceObject::ChangeBrowsePosition(
    OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) noexcept
{
    trace("IOPCBrowseServerAddressSpace::ChangeBrowsePosition");
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        if (!tagTree().isHierarchical()) return E_FAIL;
        switch (dwBrowseDirection) {
        case OPC_BROWSE_UP:
            if (m_position.empty()) return E_FAIL;
            m_position.pop_back();
            return S_OK;
        case OPC_BROWSE_DOWN:
            m_position.push_back(lastComponent(fromClientText(szString)));
            return S_OK;
        case OPC_BROWSE_TO: {
            // Built aside, so that running out of memory leaves the old position whole.
            const std::string path = fromClientText(szString);
            std::vector<std::string> position;
            for (const std::string_view component : splitTagName(path))
                position.emplace_back(component);
            m_position = std::move(position);
            return S_OK;
        }
        }
        return E_FAIL;
    });
}

HRESULT STDMETHODCALLTYPE IOPCBrowseServerAddressSpaceObject::BrowseOPCItemIDs(
    OPCBROWSETYPE dwBrowseFilterType, LPCWSTR, VARTYPE, DWORD, IEnumString** ppIEnumString) noexcept
{
    // The filter string, data type and access rights are accepted and not applied.
    trace("IOPCBrowseServerAddressSpace::BrowseOPCItemIDs");
    if (!ppIEnumString) return E_INVALIDARG;
    *ppIEnumString = nullptr;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        TagTree& tags = tagTree();
        const bool hierarchical = tags.isHierarchical();
        ComPtr<IOPCEnumString> names = IOPCEnumString::create();
        // A flat namespace has one listing, of every tag, whatever the client asked for.
        NameKind kind = NameKind::Flat;
        if (!hierarchical) m_position.clear();
        if (!hierarchical || listingKind(dwBrowseFilterType, kind)) {
            const std::vector<std::string_view> position(m_position.begin(), m_position.end());
            if (const OPCTag* node = tags.findBranch(position))
                tags.listNames(*node, kind, names->snapshot());
        }
        *ppIEnumString = names.detach();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE IOPCBrowseServerAddressSpaceObject::GetItemID(LPWSTR szItemDataID,
                                                                        LPWSTR* szItemID) noexcept
{
    trace("IOPCBrowseServerAddressSpace::GetItemID");
    if (!szItemID) return E_INVALIDARG;
    *szItemID = nullptr;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        // The name is not looked up: an item ID of a tag yet to come is as good as any.
        std::string itemID;
        if (tagTree().isHierarchical())
            for (const std::string& component : m_position) itemID += component + '.';
        itemID += fromClientText(szItemDataID);
        *szItemID = toClientText(itemID);
        return *szItemID ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT STDMETHODCALLTYPE
IOPCBrowseServerAddressSpaceObject::BrowseAccessPaths(LPCWSTR, IEnumString** ppIEnumString) noexcept
{
    trace("IOPCBrowseServerAddressSpace::BrowseAccessPaths");
    clearOutput(ppIEnumString);
    return E_NOTIMPL;
}

} // namespace vetrel
