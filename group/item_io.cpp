#include "group/item_io.h"

#include "runtime/vetrel_app.h"

namespace vetrel {

namespace {

// value converted to type into a new Variant, the source left as it is.
HRESULT convert(const VARIANT& value, VARTYPE type, Variant& converted)
{
    return VariantChangeType(converted.out(), const_cast<VARIANT*>(&value), 0, type);
}

} // namespace

HRESULT readItemValue(const OPCItem& item, VARIANT& value, WORD& quality, FILETIME& timestamp)
{
    quality = item.m_quality;
    timestamp = item.m_timestamp;
    HRESULT hr = item.m_value.copyTo(&value);
    if (FAILED(hr) || item.m_requestedDataType == VT_EMPTY) return hr;
    Variant converted;
    hr = convert(value, item.m_requestedDataType, converted);
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
    const HRESULT hr = convert(value, item.m_canonicalDataType, converted);
    if (FAILED(hr)) return hr;
    item.m_value = converted;
    item.m_changed = true;
    // Only the writing group's item changes now; the others follow when the host publishes.
    CVetrelApp::instance().writeTagByName(item.m_tagName, converted.get());
    return S_OK;
}

} // namespace vetrel
