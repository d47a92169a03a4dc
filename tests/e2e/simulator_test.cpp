// The Moxlan simulator's console host as the OPC server of this program's Wine prefix: started
// on a copy of the sample configuration and watched by opcprobe in a process of its own.
#include "child_process.h"
#include "host_process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
// The simulator steps its variables once a second.
constexpr DWORD kChangeTimeoutMs = 20000;

// A copy of the sample configuration, since the simulator saves its variables when it ends.
std::string sampleCopy()
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string copy = std::string(folder) + "simulator_test.cfg";
    EXPECT_TRUE(CopyFileA(MOXLAN_SAMPLE_CONFIG, copy.c_str(), FALSE)) << MOXLAN_SAMPLE_CONFIG;
    return copy;
}

// The values of the JSON lines about the item.
std::set<double> valuesOf(const std::vector<std::string>& lines, const std::string& item)
{
    std::set<double> values;
    for (const std::string& line : lines) {
        const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
        if (object.is_object() && object.value("item", "") == item && object["value"].is_number())
            values.insert(object["value"].get<double>());
    }
    return values;
}

TEST(Simulator, AWatchingClientSeesTheSimulatedVariablesChange)
{
    // Both programs are ended with the test; scripts/demo shows the simulator's orderly end.
    e2e::RunningProgram simulator("moxlan-console.exe", "--config \"" + sampleCopy() + "\"");
    ASSERT_TRUE(simulator.waitForLine("Moxlan started with 3 variables", kStartTimeoutMs))
        << simulator.output();

    e2e::RunningProgram probe("opcprobe.exe", "--progid Drevik.OPCServer --json watch "
                                              "Plant.Ramp Plant.Setpoint --rate 250");
    ASSERT_TRUE(probe.waitForLines(
        [](const std::vector<std::string>& lines) {
            return valuesOf(lines, "Plant.Ramp").size() >= 2;
        },
        kChangeTimeoutMs))
        << "the incremental variable moves every second\n"
        << probe.output();
    EXPECT_EQ(valuesOf(probe.lines(), "Plant.Setpoint"), std::set<double>{50.0})
        << "the constant variable stays";
}

} // namespace
