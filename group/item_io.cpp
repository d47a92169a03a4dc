#include "group/item_io.h"

#include "group/opc_group.h"
#include "tags/tag_tree.h"

namespace vetrel {

HRESULT readItemValue(const OPCItem& item, VARIANT& value, WORD& quality, FILETIME& timestamp)
{
    quality = item.m_quality;
    timestamp = item.m_timestamp;
    HRESULT hr = item.m_value.copyTo(&value);
    if (FAILED(hr) || item.m_requestedDataType == VT_EMPTY || item.m_requestedDataType == value.vt)
        return hr;
    Variant converted;
    hr = changeType(converted, value, item.m_requestedDataType);
    if (FAILED(hr)) {
        quality = 0;
        return hr;
    }
    VariantClear(&value);
    value = converted.detach();
    return S_OK;
}

HRESULT writeItemValue(OPCItem& item, const VARIANT& value)
{
    if (!(item.m_accessRights & OPC_WRITEABLE)) return OPC_E_BADRIGHTS;
    Variant converted;
    const HRESULT hr = changeType(converted, value, item.m_canonicalDataType);
    if (FAILED(hr)) return hr;
    item.m_value = converted;
    item.m_group->flagItem(item);
    // Only the writing group's item changes now; the others follow when the host publishes.
    writeTagByName(item.tagName(), converted.get());
    return S_OK;
}

} // namespace vetrel
