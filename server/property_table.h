// The eight properties every tag offers to IOPCItemProperties, and their values taken from the
// tag store. The caller holds the runtime lock.
#pragma once

#include "platform/variant.h"
#include "vetrel/opc.h"

#include <array>

namespace vetrel {

class OPCTag;

struct ItemProperty
{
    DWORD id;
    const char* description;
    // The type announced to clients; "Item Value" says VT_R4 and delivers the tag's own type.
    VARTYPE type;
};

inline constexpr std::array<ItemProperty, 8> kItemProperties{{
    {OPC_PROPERTY_DATATYPE, "Item Canonical Data Type", VT_I2},
    {OPC_PROPERTY_VALUE, "Item Value", VT_R4},
    {OPC_PROPERTY_QUALITY, "Item Quality", VT_I2},
    {OPC_PROPERTY_TIMESTAMP, "Item Timestamp", VT_DATE},
    {OPC_PROPERTY_ACCESS_RIGHTS, "Item Access Rights", VT_I4},
    {OPC_PROPERTY_SCAN_RATE, "Server Scan Rate", VT_R4},
    {OPC_PROPERTY_EU_UNITS, "EU Units", VT_BSTR},
    {OPC_PROPERTY_DESCRIPTION, "Item Description", VT_BSTR},
}};

// The value of property id of tag into value: S_OK, or OPC_E_INVALID_PID for an id outside the
// table (value stays empty). Throws std::bad_alloc.
HRESULT propertyValue(const OPCTag& tag, DWORD id, Variant& value);

// The tag or branch whose properties a client's item ID asks for, by its full name; null when
// none. Throws std::bad_alloc.
const OPCTag* propertyHolder(LPCWSTR itemID);

} // namespace vetrel
