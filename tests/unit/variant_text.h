// Exact text of VARIANT values, so that two conversions agree only when every bit agrees:
// floats as hex-floats, strings as escaped UTF-16, decimals by their fields, arrays with their
// element type, bounds and elements.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace variant_text {

std::string typeName(VARTYPE vt);
std::string hex(unsigned long long value);
std::string exactDouble(double value);
std::string exactFloat(float value);

// The value of type vt stored at data (a VARIANT's data field or an array element).
std::string value(VARTYPE vt, const void* data);

// "TYPE:value"; the data of a VARIANT whose type is unknown is not read.
std::string variant(const VARIANT& v);

} // namespace variant_text
