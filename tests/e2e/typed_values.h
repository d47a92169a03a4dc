// A value of every type the example host keeps, to send across and compare on return.
#pragma once

#include "platform/variant.h"

#include <string_view>
#include <vector>

namespace e2e {

struct TypedValue
{
    std::string_view tag;
    vetrel::Variant value;
};

// One distinctive value per typed tag of the example host, each of exactly the tag's type:
// extremes of the integer types, non-ASCII text, an array.
std::vector<TypedValue> distinctiveValues();

// Same type and same value; arrays element by element.
bool sameValue(const VARIANT& a, const VARIANT& b);

} // namespace e2e
