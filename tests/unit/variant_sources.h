// The source values of the conversion table: every scalar type at its edges, text in the forms
// clients send, arrays, and VARIANTs of types that no conversion accepts (or, for interface
// types, null pointers). Each is filled into a zeroed VARIANT.
#pragma once

#include "vetrel/com.h"

#include <functional>
#include <vector>

namespace variant_table {

// Fills a VARIANT freshly initialised by VariantInit; the caller clears it.
using Fill = std::function<void(VARIANT&)>;

std::vector<Fill> scalarSources();
std::vector<Fill> arraySources();
std::vector<Fill> badTypeSources();

} // namespace variant_table
