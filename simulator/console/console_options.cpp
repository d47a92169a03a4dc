#include "simulator/console/console_options.h"

#include <charconv>
#include <string_view>

namespace moxlan {

namespace {

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

bool parseTicks(std::string_view text, int& ticks)
{
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, ticks);
    return parsed.ec == std::errc() && parsed.ptr == end && ticks >= 0;
}

} // namespace

std::optional<ConsoleOptions> parseConsoleOptions(int argc, char** argv, std::string& error)
{
    ConsoleOptions options;
    for (int i = 1; i < argc; ++i) {
        const auto [name, inlineValue] = split(argv[i]);
        if (name != "--config" && name != "--autosave") continue;
        if (!inlineValue && i + 1 >= argc) {
            error = std::string(name) + " needs a value";
            return std::nullopt;
        }
        const std::string value(inlineValue ? *inlineValue : std::string_view(argv[++i]));
        if (name == "--config") {
            options.configPath = value;
        } else if (!parseTicks(value, options.autosaveTicks)) {
            error = "--autosave needs a whole number of seconds, not \"" + value + "\"";
            return std::nullopt;
        }
    }
    return options;
}

} // namespace moxlan
