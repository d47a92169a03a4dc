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

std::optional<int> parseNumber(std::string_view token)
{
    int number = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), number);
    if (error != std::errc() || end != token.data() + token.size() || number < 0)
        return std::nullopt;
    return number;
}

// The runtime refuses server rates below this.
constexpr int kFastestRate = 10;

} // namespace

std::optional<HostCommand> parseCommandLine(const std::vector<std::string>& tokens)
{
    HostCommand command;
    for (auto next = tokens.begin(); next != tokens.end(); ++next) {
        const std::string& token = *next;
        if (token == "--rate" || token == "--load") {
            const auto number = ++next == tokens.end() ? std::nullopt : parseNumber(*next);
            if (!number) return std::nullopt;
            if (token == "--load") {
                command.loadTags = *number;
            } else if (*number < kFastestRate) {
                return std::nullopt;
            } else {
                command.serverRate = *number;
            }
        } else if (isSwitch(token, "RegServer")) {
            command.action = HostCommand::Action::Register;
        } else if (isSwitch(token, "UnregServer")) {
            command.action = HostCommand::Action::Unregister;
        } else if (isSwitch(token, "Embedding")) {
            command.embedded = true;
        } else if (const auto seconds = parseNumber(token)) {
            command.seconds = *seconds;
        } else {
            return std::nullopt;
        }
    }
    return command;
}

} // namespace example
