#include "command_line.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace example {
namespace {

bool isSwitch(std::string_view token, std::string_view name)
{
    if (!token.empty() && (token.front() == '-' || token.front() == '/')) token.remove_prefix(1);
    return std::equal(token.begin(), token.end(), name.begin(), name.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

std::optional<int> parseSeconds(std::string_view token)
{
    int seconds = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), seconds);
    if (error != std::errc() || end != token.data() + token.size() || seconds < 0)
        return std::nullopt;
    return seconds;
}

} // namespace

std::optional<HostCommand> parseCommandLine(const std::vector<std::string>& tokens)
{
    HostCommand command;
    for (const std::string& token : tokens) {
        if (isSwitch(token, "RegServer")) {
            command.action = HostCommand::Action::Register;
        } else if (isSwitch(token, "UnregServer")) {
            command.action = HostCommand::Action::Unregister;
        } else if (isSwitch(token, "Embedding")) {
            command.embedded = true;
        } else if (const auto seconds = parseSeconds(token)) {
            command.seconds = *seconds;
        } else {
            return std::nullopt;
        }
    }
    return command;
}

} // namespace example
