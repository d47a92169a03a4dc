// Reading the registry as a client of COM's entries does: text values, the names of subkeys, and
// the class a ProgID names.
#pragma once

#include "vetrel/com.h"

#include <optional>
#include <string>
#include <vector>

namespace vetrel {

// The REG_SZ value `name` (the default value when null) of parent\subKey; empty when the key or
// the value is missing or the value is not text.
std::optional<std::string> registryText(HKEY parent, const char* subKey,
                                        const char* name = nullptr);

// The names of the subkeys of parent\subKey in the registry's order; none when it is missing.
std::vector<std::string> subkeyNames(HKEY parent, const char* subKey);

// The class HKEY_CLASSES_ROOT\progId\CLSID names; empty when the ProgID is not registered or
// its entry holds no class identifier.
std::optional<CLSID> classOfProgId(const std::string& progId);

} // namespace vetrel
