#include "simulator/core/command_line.h"

#include <algorithm>

namespace moxlan {

namespace {

constexpr std::string_view kSeparators = "-/ ";

} // namespace

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

RegistrationRequest scanCommandLine(std::string_view commandLine)
{
    size_t start = 0;
    while (start < commandLine.size()) {
        const size_t end =
            std::min(commandLine.find_first_of(kSeparators, start), commandLine.size());
        const std::string_view token = commandLine.substr(start, end - start);
        if (equalIgnoringCase(token, "UnregServer")) return RegistrationRequest::Unregister;
        if (equalIgnoringCase(token, "RegServer")) return RegistrationRequest::Register;
        start = end + 1;
    }
    return RegistrationRequest::None;
}

std::string programDirectory(std::string_view modulePath)
{
    const size_t separator = modulePath.find_last_of("\\/");
    if (separator == std::string_view::npos) return {};
    return std::string(modulePath.substr(0, separator + 1));
}

} // namespace moxlan
