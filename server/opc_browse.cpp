#include "server/opc_browse.h"

#include "comkit/client_text.h"
#include "comkit/locked_boundary.h"
#include "server/name_pattern.h"
#include "server/opc_server.h"
#include "server/property_answers.h"
#include "server/property_table.h"
#include "tags/tag_tree.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vetrel {
namespace {

bool isItem(const OPCTag& node) noexcept
{
    return node.m_tagHandle != kNoTag;
}

// The node whose children a browse of itemID lists: the root for "", a branch by its path of
// components (every full stop divides), and a tag by its full name, which lists nothing.
const OPCTag* browsedNode(const std::string& itemID)
{
    TagTree& tags = tagTree();
    if (itemID.empty()) return &tags.root();
    std::vector<std::string_view> components;
    for (size_t from = 0;;) {
        const size_t dot = itemID.find('.', from);
        components.emplace_back(std::string_view(itemID).substr(from, dot - from));
        if (dot == std::string::npos) break;
        from = dot + 1;
    }
    if (const OPCTag* branch = tags.findBranch(components)) return branch;
    return tags.find(itemID);
}

// A branch is named by its path of components from the root; a tag by its full name.
std::string elementItemID(const std::string& parentID, const OPCTag& child)
{
    if (isItem(child) || parentID.empty()) return std::string(child.name());
    return parentID + '.' + std::string(child.name());
}

bool chosen(const OPCTag& child, const BrowseCursor& browse)
{
    switch (browse.filter) {
    case OPC_BROWSE_FILTER_BRANCHES:
        if (!child.hasChildren()) return false;
        break;
    case OPC_BROWSE_FILTER_ITEMS:
        if (!isItem(child)) return false;
        break;
    case OPC_BROWSE_FILTER_ALL:
        break;
    }
    return matchesNamePattern(child.shortName(), browse.nameFilter).value_or(false);
}

// Where a continued browse goes on: the child after the cursor's last element, null at the
// end. False when the point is stale.
bool resumeAfter(const OPCTag& node, const BrowseCursor& cursor, const OPCTag*& next)
{
    const OPCTag* last = node.findChild(cursor.lastName);
    if (!last) return false;
    if (tagTree().removals() != cursor.removals &&
        (!isItem(*last) || last->m_tagHandle != cursor.lastTag))
        return false;
    next = last->nextSibling();
    return true;
}

// The client's continuation point, freed and replaced by next (null when none).
void replacePoint(LPWSTR* point, LPWSTR next) noexcept
{
    TaskMem<WCHAR>::adopt(*point, 1).reset();
    *point = next;
}

} // namespace

HRESULT STDMETHODCALLTYPE IOPCBrowseObject::GetProperties(
    DWORD dwItemCount, LPWSTR* pszItemIDs, BOOL bReturnPropertyValues, DWORD dwPropertyCount,
    DWORD* pdwPropertyIDs, OPCITEMPROPERTIES** ppItemProperties) noexcept
{
    trace("IOPCBrowse::GetProperties");
    clearOutput(ppItemProperties);
    if (!ppItemProperties || (dwItemCount && !pszItemIDs) || (dwPropertyCount && !pdwPropertyIDs))
        return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        const PropertyRequest request{{pdwPropertyIDs, dwPropertyCount},
                                      bReturnPropertyValues != FALSE};
        EntryArray<OPCITEMPROPERTIES> answers(dwItemCount);
        HRESULT result = S_OK;
        for (DWORD i = 0; i < dwItemCount; ++i) {
            const LPCWSTR itemID = pszItemIDs[i];
            const OPCTag* tag = itemID && *itemID ? propertyHolder(itemID) : nullptr;
            if (tag)
                describeProperties(*tag, request, answers[i]);
            else
                answers[i].hrErrorID =
                    itemID && *itemID ? OPC_E_UNKNOWNITEMID : OPC_E_INVALIDITEMID;
            if (answers[i].hrErrorID != S_OK) result = S_FALSE;
        }
        *ppItemProperties = answers.release();
        return result;
    });
}

HRESULT STDMETHODCALLTYPE IOPCBrowseObject::Browse(
    LPWSTR szItemID, LPWSTR* pszContinuationPoint, DWORD dwMaxElementsReturned,
    OPCBROWSEFILTER dwBrowseFilter, LPWSTR szElementNameFilter, LPWSTR, BOOL bReturnAllProperties,
    BOOL bReturnPropertyValues, DWORD dwPropertyCount, DWORD* pdwPropertyIDs, BOOL* pbMoreElements,
    DWORD* pdwCount, OPCBROWSEELEMENT** ppBrowseElements) noexcept
{
    // The vendor filter has nothing to select: every element is the runtime's own.
    trace("IOPCBrowse::Browse");
    clearOutput(pbMoreElements);
    clearOutput(pdwCount);
    clearOutput(ppBrowseElements);
    if (!pszContinuationPoint || !pbMoreElements || !pdwCount || !ppBrowseElements ||
        (dwPropertyCount && !pdwPropertyIDs))
        return E_INVALIDARG;
    if (dwBrowseFilter != OPC_BROWSE_FILTER_ALL && dwBrowseFilter != OPC_BROWSE_FILTER_BRANCHES &&
        dwBrowseFilter != OPC_BROWSE_FILTER_ITEMS)
        return E_INVALIDARG;
    return lockedBoundary(owner(), [&](auto&) -> HRESULT {
        BrowseCursor browse;
        browse.itemID = fromClientText(szItemID);
        browse.filter = dwBrowseFilter;
        browse.nameFilter = fromClientText(szElementNameFilter);
        if (!matchesNamePattern({}, browse.nameFilter)) return OPC_E_INVALIDFILTER;
        const OPCTag* node = browsedNode(browse.itemID);
        if (!node) return OPC_E_UNKNOWNITEMID;

        const OPCTag* next = node->firstChild();
        const std::string incoming = fromClientText(*pszContinuationPoint);
        if (!incoming.empty()) {
            const BrowseCursor* cursor = m_continuationPoints.find(incoming);
            if (!cursor || !cursor->continues(browse) || !resumeAfter(*node, *cursor, next))
                return OPC_E_INVALIDCONTINUATIONPOINT;
        }

        // 0 asks for everything; a full batch looks one element further to learn if more remain.
        std::vector<const OPCTag*> batch;
        bool more = false;
        for (; next; next = next->nextSibling()) {
            if (!chosen(*next, browse)) continue;
            if (dwMaxElementsReturned && batch.size() == dwMaxElementsReturned) {
                more = true;
                break;
            }
            batch.push_back(next);
        }

        const bool withProperties = bReturnAllProperties || dwPropertyCount;
        const PropertyRequest request{bReturnAllProperties
                                          ? std::span<const DWORD>()
                                          : std::span<const DWORD>(pdwPropertyIDs, dwPropertyCount),
                                      bReturnPropertyValues != FALSE};
        EntryArray<OPCBROWSEELEMENT> elements(batch.size());
        HRESULT result = S_OK;
        for (size_t i = 0; i < batch.size(); ++i) {
            const OPCTag& child = *batch[i];
            OPCBROWSEELEMENT& element = elements[i];
            element.szName = toClientText(child.shortName());
            element.szItemID = toClientText(elementItemID(browse.itemID, child));
            if (!element.szName || !element.szItemID) return E_OUTOFMEMORY;
            element.dwFlagValue = (child.hasChildren() ? OPC_BROWSE_HASCHILDREN : 0) |
                                  (isItem(child) ? OPC_BROWSE_ISITEM : 0);
            // A branch that is no tag has no properties to describe.
            if (withProperties && isItem(child)) {
                describeProperties(child, request, element.ItemProperties);
                if (element.ItemProperties.hrErrorID != S_OK) result = S_FALSE;
            }
        }

        LPWSTR point = nullptr;
        if (more) {
            browse.lastName = batch.back()->name();
            browse.lastTag = batch.back()->m_tagHandle;
            browse.removals = tagTree().removals();
            point = toClientText(m_continuationPoints.issue(std::move(browse)));
            if (!point) return E_OUTOFMEMORY;
        }
        if (!incoming.empty()) m_continuationPoints.forget(incoming);
        replacePoint(pszContinuationPoint, point);
        *pbMoreElements = more ? TRUE : FALSE;
        *pdwCount = static_cast<DWORD>(batch.size());
        *ppBrowseElements = elements.release();
        return result;
    });
}

} // namespace vetrel
