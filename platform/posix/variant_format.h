// The text Windows gives a number when a VARIANT changes to VT_BSTR (en-US conventions).
#pragma once

#include "platform/posix/variant_number.h"

#include <string>

namespace vetrel::ole {

// A double with at most `digits` significant digits, as "%G" would print it but with exact
// halves rounded away from zero, a two-digit exponent and no negative zero: 15 digits for
// R8, 7 for R4.
std::string realText(double value, int digits);

// The text of a number; VT_DATE values go through dateText instead.
std::string numberText(const Number& n, USHORT flags);

} // namespace vetrel::ole
