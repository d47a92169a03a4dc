// moxlan-cfg as its users run it: commands on real files, their output and exit codes.
#include "simulator/core/config_file.h"
#include "simulator/core/file_store.h"
#include "simulator/temp_folder.h"
#include "tools/moxlan-cfg/cli.h"

#include <gtest/gtest.h>
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
    ASSERT_EQ(moxlanCfg({"set", file, "Noise", "--interval", "0", "--low=-7.5"}).code, 0);

    moxlan::ConfigContents contents = contentsOf(file);
    ASSERT_EQ(contents.outcome, moxlan::ConfigContents::Outcome::Loaded);
    ASSERT_EQ(contents.devices.size(), 3u);
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

    ASSERT_EQ(moxlanCfg({"remove", file, "Ramp"}).code, 0);
    contents = contentsOf(file);
    ASSERT_EQ(contents.devices.size(), 2u);
    EXPECT_EQ(contents.devices[0]->m_Name, "Noise");
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"});
}

TEST(MoxlanCfg, RefusesWhatTheSimulatorRefuses)
{
    TempFolder folder;
    const std::string file = (folder / "Moxlan.cfg").string();
    ASSERT_EQ(moxlanCfg({"add", file, "Flow"}).code, 0);
    const std::string before = *moxlan::readWholeFile(file);

    CfgRun duplicate = moxlanCfg({"add", file, "Flow", "--value", "1"});
    EXPECT_EQ(duplicate.code, 1);
    EXPECT_EQ(duplicate.err, "Each Simulated Value must have a unique name!\n"
                             "Could not add Device to Document List\n");
    EXPECT_EQ(moxlanCfg({"add", file, "flow"}).code, 0) << "names compare with letter case";

    for (int i = 2; i < 200; ++i)
        ASSERT_EQ(moxlanCfg({"add", file, "V" + std::to_string(i)}).code, 0);
    CfgRun full = moxlanCfg({"add", file, "OneTooMany"});
    EXPECT_EQ(full.code, 1);
    EXPECT_EQ(full.err, "Could not add Device to Document List\n");
    EXPECT_EQ(contentsOf(file).devices.size(), 200u);

    ASSERT_TRUE(moxlan::replaceFile(file, before));
    for (const std::vector<std::string>& refused :
         std::vector<std::vector<std::string>>{{"set", file, "Missing", "--value", "1"},
                                               {"remove", file, "Missing"},
                                               {"set", file, "Flow", "--value", "1.5x"},
                                               {"set", file, "Flow", "--interval", "1.5"},
                                               {"set", file, "Flow", "--type", "ramp"},
                                               {"show", (folder / "none.cfg").string()}}) {
        CfgRun run = moxlanCfg(refused);
        EXPECT_NE(run.code, 0) << refused[0] << ' ' << refused[2];
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(moxlan::readWholeFile(file), before);
    }
    CfgRun missing = moxlanCfg({"remove", file, "Missing"});
    EXPECT_NE(missing.err.find("has no variable \"Missing\""), std::string::npos) << missing.err;
    EXPECT_NE(moxlanCfg({"frobnicate", file}).code, 0);
    EXPECT_NE(moxlanCfg({}).code, 0);
}

TEST(MoxlanCfg, DamagedOrForeignFilesAreNeverRewritten)
{
    TempFolder folder;
    const auto file = folder / "Moxlan.cfg";
    const std::string damaged("\x08Rev. 1.1\x03\x00\x00\x00", 13);
    const std::string foreign("\x08Rev. 2.0\x00\x00\x00\x00", 13);
    for (const std::string& bytes : {damaged, foreign}) {
        ASSERT_TRUE(moxlan::replaceFile(file, bytes));
        for (const std::vector<std::string>& command :
             std::vector<std::vector<std::string>>{{"show", file.string()},
                                                   {"add", file.string(), "X"},
                                                   {"set", file.string(), "X", "--value", "1"},
                                                   {"remove", file.string(), "X"}}) {
            CfgRun run = moxlanCfg(command);
            EXPECT_EQ(run.code, 1) << command[0];
            EXPECT_NE(run.err.find("Moxlan.cfg: "), std::string::npos) << run.err;
        }
        EXPECT_EQ(moxlan::readWholeFile(file), bytes);
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
    ASSERT_EQ(moxlanCfg({"add", file, "Caf\xE9", "--value", "nan", "--type", "random", "--high",
                         "inf", "--low", "-inf"})
                  .code,
              0);
    moxlan::ConfigContents contents = contentsOf(file);
    ASSERT_EQ(contents.devices.size(), 2u);
    contents.devices[1]->m_SimType = 5;
    ASSERT_TRUE(moxlan::replaceFile(file, moxlan::formatConfig(contents.devices)));

    CfgRun text = moxlanCfg({"show", file});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, "2 variables\n"
                        "Plant.Ramp  value=0.1  type=incremental  interval=1  low=-0  high=1000"
                        "  step=0.5\n"
                        "Caf\xE9  value=nan  type=5  interval=1  low=-inf  high=inf  step=0\n");

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
      "type": "5",
      "value": "NaN"
    }
  ]
}
)");
}

} // namespace
