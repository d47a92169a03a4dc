// moxlan-cfg as its users run it: commands on real files, their output and exit codes.
#include "simulator/core/config_file.h"
#include "simulator/core/file_store.h"
#include "simulator/temp_folder.h"
#include "tools/moxlan-cfg/cli.h"

#include <gtest/gtest.h>
#include <limits>
#include <sstream>

namespace {

using moxlan::test::TempFolder;

struct CfgRun
{
    int code;
    std::string out;
    std::string err;
};

CfgRun moxlanCfg(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "moxlan-cfg");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out;
    std::ostringstream err;
    const int code =
        moxlan::cfg::runMoxlanCfg(static_cast<int>(argv.size()), argv.data(), out, err);
    return {code, out.str(), err.str()};
}

moxlan::ConfigContents contentsOf(const std::filesystem::path& file)
{
    return moxlan::parseConfig(moxlan::readWholeFile(file).value_or(""));
}

TEST(MoxlanCfg, AddSetAndRemoveEditTheFile)
{
    TempFolder folder;
    const std::string file = (folder / "Moxlan.cfg").string();

    CfgRun added = moxlanCfg({"add", file, "Ramp", "--type", "incremental", "--value", "0.5",
                              "--high", "100", "--step=0.5"});
    ASSERT_EQ(added.code, 0) << added.err;
    EXPECT_EQ(moxlan::readWholeFile(file)->size(), 42u) << "the 42-byte file of one ramp";

    ASSERT_EQ(moxlanCfg({"add", file, "Noise", "--type", "random", "--low", "-5", "--high", "5",
                         "--interval", "3"})
                  .code,
              0);
    ASSERT_EQ(moxlanCfg({"add", file, "Fixed", "--value", "2.25"}).code, 0);
    ASSERT_EQ(
        moxlanCfg({"add", file, "Wave", "--type", "sawtooth", "--high", "1", "--step", "2"}).code,
        0)
        << "two seconds is the shortest period";
    ASSERT_EQ(moxlanCfg({"set", file, "Noise", "--interval", "0", "--low=-7.5"}).code, 0);

    moxlan::ConfigContents contents = contentsOf(file);
    ASSERT_EQ(contents.outcome, moxlan::ConfigContents::Outcome::Loaded);
    ASSERT_EQ(contents.devices.size(), 4u);
    EXPECT_EQ(contents.devices[3]->m_SimType, moxlan::SIM_SAWTOOTH);
    const moxlan::CDeviceTag& noise = *contents.devices[1];
    EXPECT_EQ(noise.m_SimType, moxlan::SIM_RANDOM);
    EXPECT_EQ(noise.m_Interval, 0);
    EXPECT_EQ(noise.m_Low, -7.5f);
    EXPECT_EQ(noise.m_High, 5.0f);
    const moxlan::CDeviceTag& fixed = *contents.devices[2];
    EXPECT_EQ(fixed.m_SimType, moxlan::SIM_CONSTANT);
    EXPECT_EQ(fixed.value(), 2.25f);
    EXPECT_EQ(fixed.m_Interval, 1);
    EXPECT_EQ(fixed.m_High, 0.0f) << "a new variable starts as the New Variable dialog does";
    EXPECT_EQ(fixed.m_Step, 0.0f);

    EXPECT_EQ(moxlanCfg({"set", file, "Noise", "--low", "5", "--high", "5"}).code, 0)
        << "a range may hold one value";

    ASSERT_EQ(moxlanCfg({"remove", file, "Ramp"}).code, 0);
    contents = contentsOf(file);
    ASSERT_EQ(contents.devices.size(), 3u);
    EXPECT_EQ(contents.devices[0]->m_Name, "Noise");
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"});
}

TEST(MoxlanCfg, RefusalsNameTheFieldAndLeaveTheFileAlone)
{
    TempFolder folder;
    const std::string file = (folder / "Moxlan.cfg").string();
    const std::string none = (folder / "none.cfg").string();
    ASSERT_EQ(moxlanCfg({"add", file, "Flow", "--high", "10"}).code, 0);
    const std::string before = *moxlan::readWholeFile(file);

    struct Refusal
    {
        std::vector<std::string> arguments;
        int code;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"add", file, ""}, 2, "the variable name is empty"},
        {{"add", file, std::string(200, 'N')}, 2, "has 200 characters; clients see at most 199"},
        {{"add", file, "Flow", "--value", "1"},
         2,
         "a variable named Flow exists already in " + file},
        {{"add", file, "New", "--low", "5"},
         2,
         "--low (5) is greater than the high end (0) of New"},
        {{"set", file, "Flow", "--low", "11"},
         2,
         "--low (11) is greater than the high end (10) of Flow"},
        {{"set", file, "Flow", "--high=-1"},
         2,
         "the low end (0) of Flow is greater than --high (-1)"},
        {{"set", file, "Flow", "--low", "5", "--high", "1"},
         2,
         "--low (5) is greater than --high (1)"},
        {{"set", file, "Flow", "--interval", "-1"},
         2,
         "--interval (-1) is not a whole number of seconds, 0 or more"},
        {{"set", file, "Flow", "--interval", "1.5"}, 2, "--interval (1.5) is not a whole number"},
        {{"set", file, "Flow", "--value", "nan"}, 2, "--value (nan) is not a finite number"},
        {{"set", file, "Flow", "--step", "-inf"}, 2, "--step (-inf) is not a finite number"},
        {{"set", file, "Flow", "--high", "1e39"}, 2, "--high (1e39) is not a finite number"},
        {{"set", file, "Flow", "--value", "1.5x"}, 2, "--value (1.5x) is not a finite number"},
        {{"set", file, "Flow", "--type", "ramp"},
         2,
         "--type (ramp) is not constant, random, incremental, sine, square, triangle or "
         "sawtooth"},
        {{"set", file, "Flow", "--type", "square"},
         2,
         "Flow is a square wave whose period (--step 0) is shorter than the shortest, 2 seconds"},
        {{"add", file, "Wave", "--type", "sine", "--step", "1.5"},
         2,
         "Wave is a sine wave whose period (--step 1.5) is shorter than the shortest, 2 seconds"},
        {{"set", file, "Flow", "--hi", "high"}, 2, "--hi (high) is not a finite number or off"},
        {{"set", file, "Flow", "--lolo-severity", "1001"},
         2,
         "--lolo-severity (1001) is not a severity from 1 to 1000"},
        {{"set", file, "Missing", "--value", "1"}, 2, file + " has no variable named Missing"},
        {{"remove", file, "Missing"}, 2, file + " has no variable named Missing"},
        {{"add", file, "X", "--bogus"},
         2,
         "moxlan-cfg: The following argument was not expected: --bogus"},
        {{"set", file}, 2, "moxlan-cfg: NAME is required"},
        {{"frobnicate", file}, 2, "moxlan-cfg: A subcommand is required"},
        {{}, 2, "moxlan-cfg: A subcommand is required"},
        {{"show", none}, 1, none + " does not exist"},
        {{"set", none, "Flow", "--value", "1"}, 1, none + " does not exist"},
        {{"remove", none, "Flow"}, 1, none + " does not exist"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.message);
        const CfgRun run = moxlanCfg(refusal.arguments);
        EXPECT_EQ(run.code, refusal.code);
        EXPECT_NE(run.err.find(refusal.message), std::string::npos) << run.err;
        EXPECT_EQ(moxlan::readWholeFile(file), before);
    }
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"});
}

TEST(MoxlanCfg, HelpForEveryCommand)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--help"},
                                               {"show", "-h"},
                                               {"add", "--help"},
                                               {"set", "--help"},
                                               {"remove", "--help"}}) {
        const CfgRun run = moxlanCfg(arguments);
        EXPECT_EQ(run.code, 0) << arguments[0];
        const std::string usage =
            "Usage: moxlan-cfg" + (arguments.size() > 1 ? " " + arguments[0] : "");
        EXPECT_NE(run.out.find(usage), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

TEST(MoxlanCfg, NamesCompareWithLetterCaseAndAddStopsAt200)
{
    TempFolder folder;
    const std::string file = (folder / "Moxlan.cfg").string();
    ASSERT_EQ(moxlanCfg({"add", file, "Flow"}).code, 0);
    ASSERT_EQ(moxlanCfg({"add", file, "flow"}).code, 0);
    ASSERT_EQ(moxlanCfg({"add", file, std::string(199, 'N')}).code, 0) << "the longest name";

    moxlan::DeviceList devices = contentsOf(file).devices;
    while (devices.size() < 200) {
        devices.push_back(std::make_unique<moxlan::CDeviceTag>());
        devices.back()->m_Name = "V" + std::to_string(devices.size());
    }
    ASSERT_TRUE(moxlan::replaceFile(file, moxlan::formatConfig(devices)));
    const std::string full = *moxlan::readWholeFile(file);

    const CfgRun refused = moxlanCfg({"add", file, "OneTooMany"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.err, "moxlan-cfg: " + file +
                               " has 200 variables; variables are added only while there are "
                               "fewer than 200\n");
    EXPECT_EQ(moxlan::readWholeFile(file), full);
}

// The bytes of a loadable file with the variables A and B, with its count and its end changed.
std::string configBytes(std::int32_t count, const std::string& trailing)
{
    moxlan::DeviceList devices;
    for (const char* name : {"A", "B"}) {
        devices.push_back(std::make_unique<moxlan::CDeviceTag>());
        devices.back()->m_Name = name;
    }
    std::string bytes = moxlan::formatConfig(devices) + trailing;
    const size_t countAt = 1 + moxlan::kConfigRevision.size();
    for (size_t i = 0; i < 4; ++i) bytes[countAt + i] = static_cast<char>(count >> (8 * i));
    return bytes;
}

TEST(MoxlanCfg, FilesThatDoNotLoadWholeAreNeverRewritten)
{
    TempFolder folder;
    const auto file = folder / "Moxlan.cfg";
    const std::vector<std::pair<const char*, std::string>> unloadable = {
        {"ends in its revision", std::string("\x08Rev.", 5)},
        {"another revision", std::string("\x08Rev. 2.0\x00\x00\x00\x00", 13)},
        {"count too large", configBytes(3, "")},
        {"count too small", configBytes(1, "")},
        {"trailing bytes", configBytes(2, "junk")},
    };
    for (const auto& [what, bytes] : unloadable) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(moxlan::replaceFile(file, bytes));
        const std::string problem = moxlan::parseConfig(bytes).problem;
        for (const std::vector<std::string>& command :
             std::vector<std::vector<std::string>>{{"show", file.string()},
                                                   {"add", file.string(), "X"},
                                                   {"set", file.string(), "A", "--value", "1"},
                                                   {"remove", file.string(), "A"}}) {
            const CfgRun run = moxlanCfg(command);
            EXPECT_EQ(run.code, 1) << command[0];
            EXPECT_EQ(run.err, "moxlan-cfg: " + file.string() + ": " + problem + "\n");
            EXPECT_EQ(moxlan::readWholeFile(file), bytes) << command[0];
        }
        EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"});
    }
}

TEST(MoxlanCfg, ShowPrintsTextAndJson)
{
    TempFolder folder;
    const std::string file = (folder / "Moxlan.cfg").string();
    ASSERT_EQ(moxlanCfg({"add", file, "Plant.Ramp", "--type", "incremental", "--value", "0.1",
                         "--low", "-0", "--high", "1e3", "--step", "0.5"})
                  .code,
              0);
    ASSERT_EQ(moxlanCfg({"add", file, "Caf\xE9"}).code, 0);
    // Values moxlan-cfg refuses to write, as other programs may leave them.
    moxlan::ConfigContents contents = contentsOf(file);
    ASSERT_EQ(contents.devices.size(), 2u);
    moxlan::CDeviceTag& odd = *contents.devices[1];
    odd.setValue(std::numeric_limits<float>::quiet_NaN());
    odd.m_Low = -std::numeric_limits<float>::infinity();
    odd.m_High = std::numeric_limits<float>::infinity();
    odd.m_SimType = 9;
    ASSERT_TRUE(moxlan::replaceFile(file, moxlan::formatConfig(contents.devices)));

    CfgRun text = moxlanCfg({"show", file});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, "2 variables\n"
                        "Plant.Ramp  value=0.1  type=incremental  interval=1  low=-0  high=1000"
                        "  step=0.5\n"
                        "Caf\xE9  value=nan  type=9  interval=1  low=-inf  high=inf  step=0\n");

    CfgRun json = moxlanCfg({"show", file, "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(json.out, R"({
  "revision": "Rev. 1.1",
  "variables": [
    {
      "high": 1000.0,
      "interval": 1,
      "low": -0.0,
      "name": "Plant.Ramp",
      "step": 0.5,
      "type": "incremental",
      "value": 0.1
    },
    {
      "high": "Infinity",
      "interval": 1,
      "low": "-Infinity",
      "name": "Café",
      "step": 0.0,
      "type": "9",
      "value": "NaN"
    }
  ]
}
)");
}

TEST(MoxlanCfg, AlarmsLiveInTheAlarmFileBesideTheConfiguration)
{
    TempFolder folder;
    const std::string file = (folder / "Moxlan.cfg").string();
    ASSERT_EQ(moxlanCfg({"add", file, "Level", "--type", "triangle", "--high", "100", "--step",
                         "20", "--hi", "80", "--hi-severity", "600", "--lolo", "5"})
                  .code,
              0);
    ASSERT_EQ(moxlanCfg({"add", file, "Other"}).code, 0);
    EXPECT_EQ(folder.fileNames(), (std::vector<std::string>{"Moxlan.cfg", "Moxlan.cfg.alarms"}));
    EXPECT_EQ(contentsOf(file).devices.size(), 2u) << "the configuration loads without them";

    ASSERT_EQ(moxlanCfg({"set", file, "Level", "--lolo-severity", "900", "--hihi", "95"}).code, 0);
    CfgRun shown = moxlanCfg({"show", file});
    EXPECT_NE(shown.out.find("step=20  alarms=lolo:5/900,hi:80/600,hihi:95/500\n"),
              std::string::npos)
        << shown.out;
    CfgRun json = moxlanCfg({"show", "--json", file});
    EXPECT_NE(json.out.find(R"("hi": {
          "limit": 80.0,
          "severity": 600
        })"),
              std::string::npos)
        << json.out;

    // A damaged alarm file stops every command, which never writes over it.
    const std::string alarms = (folder / "Moxlan.cfg.alarms").string();
    const std::string good = *moxlan::readWholeFile(alarms);
    ASSERT_TRUE(moxlan::replaceFile(alarms, good.substr(0, good.size() - 2)));
    CfgRun refused = moxlanCfg({"set", file, "Other", "--value", "3"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find(alarms + ": "), std::string::npos) << refused.err;
    ASSERT_TRUE(moxlan::replaceFile(alarms, good));

    ASSERT_EQ(
        moxlanCfg({"set", file, "Level", "--hi", "off", "--hihi", "off", "--lolo", "off"}).code, 0);
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"})
        << "no alarm file is kept without an alarm on";
}

} // namespace
