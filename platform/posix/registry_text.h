// The registry file: line-based text that a person can read.
//
//   vetrel-registry 1
//   next-id 19
//   key 1 133480512000000000 "HKEY_LOCAL_MACHINE"
//   key 17 133480512000000000 "HKEY_LOCAL_MACHINE\Software\Classes\Drevik.OPCServer"
//   value "" sz "Drevik OPC server%00"
//   value "Count" dword hex:2a000000
//   end
//
// Keys come parents first, each with its identity, its last write time and its full path; the
// values of a key follow it. Inside quotes, '%', '"' and bytes outside printable ASCII are
// written as %XX. The final "end" line tells a complete file from a cut one.
#pragma once

#include "platform/posix/registry_tree.h"

#include <optional>
#include <string>
#include <string_view>

namespace vetrel::registry {

std::string formatTree(const Tree& tree);

// The tree a file holds, or nothing when the text is not a well-formed registry.
std::optional<Tree> parseTree(std::string_view text);

} // namespace vetrel::registry
