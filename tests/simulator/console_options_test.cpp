// moxlan-console's command line: its own options, help, and the flags COM adds to it.
#include "simulator/console/console_options.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// What the program does with the arguments, in one line.
std::string outcomeOf(const std::vector<const char*>& arguments)
{
    std::vector<const char*> argv{"moxlan-console"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    const std::optional<moxlan::ConsoleOptions> options =
        moxlan::parseConsoleOptions(static_cast<int>(argv.size()), argv.data(), error);
    if (!options) return "refused: " + error;
    if (options->help) return "help";
    return "config " + options->configPath.value_or("beside the program") + ", autosave " +
           std::to_string(options->autosaveTicks);
}

TEST(ConsoleOptions, OwnOptionsHelpAndComFlags)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{}, "config beside the program, autosave 0"},
        {{"--help"}, "help"},
        {{"-h", "--config", "a.cfg"}, "help"},
        {{"--bogus", "--help"}, "help"},
        {{"--bogus"}, "refused: unknown option --bogus; --help lists the options"},
        {{"-x", "--config", "a.cfg"}, "refused: unknown option -x; --help lists the options"},
        {{"-Embeddings"}, "refused: unknown option -Embeddings; --help lists the options"},
        {{"-Embedding", "/embedding", "-AUTOMATION", "/Automation"},
         "config beside the program, autosave 0"},
        {{"/Embedding", "--config", "a.cfg"}, "config a.cfg, autosave 0"},
        {{"--config=b.cfg", "--autosave=5", "-Embedding"}, "config b.cfg, autosave 5"},
        {{"--config", "-Embedding.cfg", "--autosave", "2"}, "config -Embedding.cfg, autosave 2"},
        {{"plant.cfg"},
         "refused: unexpected argument plant.cfg; a configuration file goes after --config"},
        {{"--config"}, "refused: --config needs a value"},
        {{"--config="}, "refused: --config needs a value"},
        {{"--autosave", "-1"}, "refused: --autosave needs a whole number of seconds, not \"-1\""},
    };
    for (const auto& [arguments, outcome] : cases)
        EXPECT_EQ(outcomeOf(arguments), outcome) << testing::PrintToString(arguments);
}

} // namespace
