#include "server/property_table.h"

#include "comkit/client_text.h"
#include "platform/bstr.h"
#include "tags/opc_tag.h"
#include "tags/tag_tree.h"
#include "tags/timestamp.h"

#include <string>
#include <string_view>

namespace vetrel {
namespace {

// What clients have always been told of the scan rate, whatever the runtime's rate.
constexpr float kAnnouncedScanRate = 10.0f;

VARIANT* typed(Variant& value, VARTYPE type)
{
    VARIANT* out = value.out();
    out->vt = type;
    return out;
}

// 8-bit text widened one byte to one unit, without code-page conversion, as every text the
// runtime hands out.
void setText(Variant& value, std::string_view text)
{
    std::basic_string<OLECHAR> wide(text.size(), 0);
    for (size_t i = 0; i < text.size(); ++i)
        wide[i] = static_cast<OLECHAR>(static_cast<unsigned char>(text[i]));
    Bstr owned(wide);
    typed(value, VT_BSTR)->bstrVal = owned.detach();
}

// The tag's time in local time, as an OLE Automation date.
HRESULT setTimestamp(Variant& value, const FILETIME& utc)
{
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local)) return E_FAIL;
    typed(value, VT_DATE)->date = oleDateOf(local);
    return S_OK;
}

} // namespace

HRESULT propertyValue(const OPCTag& tag, DWORD id, Variant& value)
{
    switch (id) {
    case OPC_PROPERTY_DATATYPE:
        typed(value, VT_I2)->iVal = static_cast<SHORT>(tag.m_value.type());
        return S_OK;
    case OPC_PROPERTY_VALUE:
        value = tag.m_value;
        return S_OK;
    case OPC_PROPERTY_QUALITY:
        typed(value, VT_I2)->iVal = static_cast<SHORT>(tag.m_quality);
        return S_OK;
    case OPC_PROPERTY_TIMESTAMP:
        return setTimestamp(value, tag.m_timestamp);
    case OPC_PROPERTY_ACCESS_RIGHTS:
        typed(value, VT_I4)->lVal = static_cast<LONG>(tag.m_accessRights);
        return S_OK;
    case OPC_PROPERTY_SCAN_RATE:
        typed(value, VT_R4)->fltVal = kAnnouncedScanRate;
        return S_OK;
    case OPC_PROPERTY_EU_UNITS:
        setText(value, tag.euUnits());
        return S_OK;
    case OPC_PROPERTY_DESCRIPTION:
        setText(value, tag.description());
        return S_OK;
    }
    return OPC_E_INVALID_PID;
}

const OPCTag* propertyHolder(LPCWSTR itemID)
{
    return tagTree().find({}, fromClientText(itemID));
}

} // namespace vetrel
