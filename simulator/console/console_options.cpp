#include "simulator/console/console_options.h"

#include "simulator/core/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <span>
#include <string_view>

namespace moxlan {

namespace {

// What COM puts on the command line of a local server it starts, after "-" or "/".
constexpr std::array<std::string_view, 2> kComFlags = {"Embedding", "Automation"};

struct Argument
{
    std::string_view name;
    std::optional<std::string_view> value;
};

// "--name=value" carries its value; any other argument is a name alone.
Argument split(std::string_view argument)
{
    const size_t equals = argument.find('=');
    if (argument.starts_with("--") && equals != std::string_view::npos)
        return {argument.substr(0, equals), argument.substr(equals + 1)};
    return {argument, std::nullopt};
}

bool isHelp(std::string_view argument)
{
    return argument == "--help" || argument == "-h";
}

bool isComFlag(std::string_view argument)
{
    if (!argument.starts_with('-') && !argument.starts_with('/')) return false;
    return std::ranges::any_of(kComFlags, [&](std::string_view flag) {
        return equalIgnoringCase(argument.substr(1), flag);
    });
}

bool parseTicks(std::string_view text, int& ticks)
{
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, ticks);
    return parsed.ec == std::errc() && parsed.ptr == end && ticks >= 0;
}

} // namespace

std::optional<ConsoleOptions> parseConsoleOptions(int argc, const char* const* argv,
                                                  std::string& error)
{
    ConsoleOptions options;
    const std::span<const char* const> arguments(argv + 1, static_cast<size_t>(argc - 1));
    if (std::ranges::any_of(arguments, isHelp)) {
        options.help = true;
        return options;
    }
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (isComFlag(argument)) continue;
        // A file named alone would otherwise be ignored for Moxlan.cfg, without a word.
        if (!argument.starts_with('-')) {
            error = "unexpected argument " + std::string(argument) +
                    "; a configuration file goes after --config";
            return std::nullopt;
        }
        const auto [name, inlineValue] = split(argument);
        if (name != "--config" && name != "--autosave") {
            error = "unknown option " + std::string(argument) + "; --help lists the options";
            return std::nullopt;
        }
        std::string value(inlineValue.value_or(""));
        if (!inlineValue && i + 1 < arguments.size()) value = arguments[++i];
        if (value.empty()) {
            error = std::string(name) + " needs a value";
            return std::nullopt;
        }
        if (name == "--config") {
            options.configPath = value;
        } else if (!parseTicks(value, options.autosaveTicks)) {
            error = "--autosave needs a whole number of seconds, not \"" + value + "\"";
            return std::nullopt;
        }
    }
    return options;
}

const char* consoleUsage()
{
    return "Usage: moxlan-console [--config FILE] [--autosave SECONDS]\n"
           "Runs the Moxlan OPC server simulator without a window until it is interrupted or\n"
           "terminated, then saves its variables.\n"
           "\n"
           "  --config FILE        load and save FILE instead of Moxlan.cfg beside the program\n"
           "  --autosave SECONDS   also save every SECONDS seconds (0, the default: only at the "
           "end)\n"
           "  -h, --help           print this text and start nothing\n"
           "  -RegServer           register the server with COM and end\n"
           "  -UnregServer         remove the registration and end\n"
           "\n"
           "-Embedding and -Automation, which COM adds when it starts the program, are ignored,\n"
           "with / for - and in any letter case.\n"
           "\n"
           "Standard input takes fault commands, one per line (not saved):\n"
           "  quality NAME good|uncertain|bad, freeze NAME, resume NAME, help\n";
}

} // namespace moxlan
