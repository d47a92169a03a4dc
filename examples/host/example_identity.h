// Who the example host is to COM: clients activate it by this class or ProgID.
#pragma once

#include "vetrel/com.h"

namespace example {

inline constexpr CLSID kExampleClass = {
    0x5C2E9A61, 0x3B7D, 0x4F08, {0xA5, 0x1E, 0x6D, 0x90, 0x2B, 0x44, 0xC7, 0x13}};
inline constexpr const char* kExampleProgId = "Vetrel.ExampleHost";
inline constexpr const char* kExampleDescription = "Vetrel example host";

} // namespace example
