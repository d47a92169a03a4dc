// The document a normal start opens, taken from the program's arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace moxlan {

// The first argument that is not a flag; flags begin with "-" or "/" (COM adds "-Embedding"
// when it starts the program for a client). Nothing means a new document.
std::optional<std::string> documentArgument(const std::vector<std::string>& arguments);

} // namespace moxlan
