// OPC values, qualities and times as people and scripts read them.
#pragma once

#include "platform/variant.h"
#include "time_text.h"
#include "vetrel/opc.h"

#include <nlohmann/json.hpp>
#include <string>

namespace opcprobe {

// The locale of the conversions the probe leaves to OLE Automation (CY, DECIMAL), with the
// flags that keep a user's own settings out: its numbers carry a full stop before the fraction
// and no grouping, as the C locale's do.
inline constexpr LCID kPlainNumbers = 0x0409;
inline constexpr USHORT kPlainNumberFlags = VARIANT_NOUSEROVERRIDE;

// "VT_R4", "VT_ARRAY | VT_BSTR"; unknown types show their number.
std::string typeName(VARTYPE type);
// "good", "bad: not connected", "uncertain: last usable, low limited".
std::string qualityText(WORD quality);

// Numbers as numbers, in the shortest form that reads back as the same value; booleans as
// booleans, dates in ISO 8601, arrays as lists; other values as text.
std::string valueText(const VARIANT& value);
nlohmann::json valueJson(const VARIANT& value);

// Where a VARIANT keeps a value of an array's element type.
void* elementStorage(VARIANT& value, VARTYPE element);

} // namespace opcprobe
