// The element-name filter of IOPCBrowse::Browse: "*" any run of characters, "?" any one,
// "#" one digit, "[...]" one of a set (ranges such as a-z, "!" first to negate); anything
// else stands for itself, byte for byte, as tag names are compared.
#pragma once

#include <optional>
#include <string_view>

namespace vetrel {

// Whether name matches pattern; empty when the pattern is malformed (a "[" never closed). The
// empty pattern matches every name.
std::optional<bool> matchesNamePattern(std::string_view name, std::string_view pattern);

} // namespace vetrel
