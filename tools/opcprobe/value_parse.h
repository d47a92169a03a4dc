// Values from the text a user types, in the item's own type: the probe converts the text itself,
// in the C locale, so that what it sends does not depend on the server's locale.
#pragma once

#include "platform/variant.h"

#include <optional>
#include <string>
#include <string_view>

namespace opcprobe {

// Why a text is not a value of the type, and the result a server would have given.
struct ValueRefusal
{
    HRESULT error = DISP_E_TYPEMISMATCH;
    // "\"abc\" is not a number"
    std::string reason;
};

// The value text stands for in type: numbers as "-1.5" or "2e-3", never "1,5"; booleans as
// true, false, 1 or 0; dates as ISO 8601; errors by name or number; arrays as "[1, 2, 3]".
// VT_EMPTY keeps the text as a string, for servers that do not say which type they want. Each
// form is one that valueText prints. Empty when value holds the result.
std::optional<ValueRefusal> parseValue(std::string_view text, VARTYPE type, vetrel::Variant& value);

} // namespace opcprobe
