// OPC values, qualities and times as people and scripts read them, and values from text.
#pragma once

#include "platform/variant.h"
#include "vetrel/opc.h"

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace opcprobe {

// "VT_R4", "VT_ARRAY | VT_BSTR"; unknown types show their number.
std::string typeName(VARTYPE type);
// "good", "bad: not connected", "uncertain: last usable, low limited".
std::string qualityText(WORD quality);
// ISO 8601 in UTC, "2026-12-07T13:01:02.250Z"; a zero time is empty.
std::string timeText(const FILETIME& time);

// Numbers as numbers, booleans as booleans, arrays as lists; other values as text.
std::string valueText(const VARIANT& value);
nlohmann::json valueJson(const VARIANT& value);

// The value `text` stands for in the given type: "true"/"false" for booleans, "[1, 2, 3]" for
// arrays, anything VariantChangeType reads for the other types. VT_EMPTY keeps the text as a
// string, for servers that do not say which type they want. Fails with the conversion's result.
HRESULT parseValue(std::string_view text, VARTYPE type, vetrel::Variant& value);

} // namespace opcprobe
