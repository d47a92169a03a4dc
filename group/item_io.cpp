#include "group/item_io.h"

#include "group/opc_group.h"
#include "tags/opc_tag.h"
#include "tags/tag_tree.h"

namespace vetrel {
namespace {

// value as a tag or item of type and accessRights stores it, or why it cannot.
HRESULT convertForWrite(DWORD accessRights, VARTYPE type, const VARIANT& value, Variant& converted)
{
    if (!(accessRights & OPC_WRITEABLE)) return OPC_E_BADRIGHTS;
    return changeType(converted, value, type);
}

// The value of vqt through write(value), unless vqt asks for more than a value.
template <typename Write> HRESULT writeVQT(const OPCITEMVQT& vqt, Write&& write)
{
    if (vqt.bQualitySpecified || vqt.bTimeStampSpecified) return OPC_E_NOTSUPPORTED;
    const HRESULT hr = write(vqt.vDataValue);
    if (SUCCEEDED(hr) || hr == OPC_E_BADRIGHTS) return hr;
    return hr == DISP_E_OVERFLOW ? OPC_E_RANGE : OPC_E_BADTYPE;
}

} // namespace

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

HRESULT readTagValue(const OPCTag& tag, VARIANT& value, WORD& quality, FILETIME& timestamp)
{
    quality = tag.m_quality;
    timestamp = tag.m_timestamp;
    return tag.m_value.copyTo(&value);
}

HRESULT writeItemValue(OPCItem& item, const VARIANT& value)
{
    Variant converted;
    const HRESULT hr =
        convertForWrite(item.m_accessRights, item.m_canonicalDataType, value, converted);
    if (FAILED(hr)) return hr;
    item.m_value = converted;
    item.m_group->flagItem(item);
    // Only the writing group's item changes now; the others follow when the host publishes.
    writeTagByName(item.tagName(), converted.get());
    return S_OK;
}

HRESULT writeItemVQT(OPCItem& item, const OPCITEMVQT& vqt)
{
    return writeVQT(vqt, [&item](const VARIANT& value) { return writeItemValue(item, value); });
}

HRESULT writeTagVQT(const OPCTag& tag, const OPCITEMVQT& vqt)
{
    return writeVQT(vqt, [&tag](const VARIANT& value) {
        Variant converted;
        const HRESULT hr =
            convertForWrite(tag.m_accessRights, tag.m_value.type(), value, converted);
        if (SUCCEEDED(hr)) writeTagByName(tag.name(), converted.get());
        return hr;
    });
}

} // namespace vetrel
