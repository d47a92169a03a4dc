// DATE values as en-US text and back: "M/D/YYYY h:mm:ss AM", the date alone at midnight and
// the time alone on day zero.
#pragma once

#include "vetrel/com.h"

#include <string>
#include <string_view>

namespace vetrel::ole {

// E_INVALIDARG for a DATE outside the years 100 to 9999.
HRESULT dateText(DATE value, std::string& text);

// Dates as month/day/year (or year-month-day, or with English month names), times as
// h:mm[:ss] with an optional AM/PM, or both. DISP_E_TYPEMISMATCH for anything else.
HRESULT dateFromText(std::u16string_view text, DATE& value);

} // namespace vetrel::ole
