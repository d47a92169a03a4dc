// The start-up command line: whether this run only registers or unregisters the program.
#pragma once

#include <string>
#include <string_view>

namespace moxlan {

enum class RegistrationRequest
{
    None,
    Register,
    Unregister,
};

// Splits the command line at "-", "/" and blanks; the first token equal to "RegServer" or
// "UnregServer" in any letter case decides, and later tokens are not looked at.
RegistrationRequest scanCommandLine(std::string_view commandLine);

// Letters compare without their case, ASCII only.
bool equalIgnoringCase(std::string_view a, std::string_view b);

// Everything of a module path up to and including its last path separator.
std::string programDirectory(std::string_view modulePath);

} // namespace moxlan
