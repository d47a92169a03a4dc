// GUIDs as the registry and people write them: "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}".
#pragma once

#include "vetrel/com.h"

#include <optional>
#include <string>
#include <string_view>

namespace vetrel {

// With or without the braces, digits in either case.
std::optional<GUID> parseGuid(std::string_view text);
// Braced, upper-case digits: the form of registry key names.
std::string formatGuid(const GUID& guid);

} // namespace vetrel
