// Which server to talk to: a class identifier given as text, or one found from a ProgID.
#pragma once

#include "vetrel/com.h"

#include <optional>
#include <string>
#include <string_view>

namespace opcprobe {

// "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}", with or without the braces, in either case.
std::optional<CLSID> parseClsid(std::string_view text);
std::string formatClsid(const CLSID& clsid);
// The class a ProgID names in the registry, as CLSIDFromProgID finds it; empty when the ProgID
// is not registered or its entry holds no valid class identifier.
std::optional<CLSID> clsidFromProgId(const std::string& progId);

// What CLSIDFromProgID answers for a name that is not a class.
inline constexpr HRESULT kNotAClass = static_cast<HRESULT>(0x800401F3);
// The codes that say no server is registered under a ProgID or class identifier.
bool isUnregistered(HRESULT result);
// "no OPC server is registered as Vetrel.ExampleHost", with where to look under Wine.
std::string unregisteredText(const std::string& server);

} // namespace opcprobe
