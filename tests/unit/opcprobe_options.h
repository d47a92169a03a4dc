// The options opcprobe's command line gives, or the parser's complaint as an exception, for
// tests of its commands.
#pragma once

#include "tools/opcprobe/command_line.h"

#include <string>
#include <vector>

namespace opcprobe::test {

inline Options parse(std::vector<std::string> arguments)
{
    CLI::App app;
    Options options;
    defineCommandLine(app, options);
    arguments.insert(arguments.begin(), "opcprobe");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    app.parse(static_cast<int>(argv.size()), argv.data());
    return options;
}

} // namespace opcprobe::test
