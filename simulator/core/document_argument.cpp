#include "simulator/core/document_argument.h"

namespace moxlan {

std::optional<std::string> documentArgument(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (argument.empty() || argument.front() == '-' || argument.front() == '/') continue;
        return argument;
    }
    return std::nullopt;
}

} // namespace moxlan
