// How the probe tells a user that a server is not registered.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace opcprobe {

// What CLSIDFromProgID answers for a name that is not a class.
inline constexpr HRESULT kNotAClass = static_cast<HRESULT>(0x800401F3);
// The codes that say no server is registered under a ProgID or class identifier.
bool isUnregistered(HRESULT result);
// "no OPC server is registered as Vetrel.ExampleHost", with where to look under Wine.
std::string unregisteredText(const std::string& server);

} // namespace opcprobe
