// Text between the console (UTF-8) and COM (UTF-16).
#pragma once

#include "vetrel/com.h"

#include <string>
#include <string_view>

namespace opcprobe {

std::basic_string<OLECHAR> widen(std::string_view utf8);
std::string narrow(std::basic_string_view<OLECHAR> utf16);
// A string COM handed out, null meaning empty.
std::string narrow(const OLECHAR* utf16);

} // namespace opcprobe
