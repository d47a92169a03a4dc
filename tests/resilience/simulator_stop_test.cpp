// Ctrl+C of the Moxlan console host while a frozen client is attached: the simulator still
// ends within its bound and saves its configuration, with what a client wrote.
#include "programs.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace {

using namespace resilience;
using e2e::WineChild;

constexpr DWORD kExitTimeoutMs = 10000;
constexpr float kWrittenSetpoint = 42.0f;

std::string fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

FILETIME lastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    EXPECT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) << path;
    return attributes.ftLastWriteTime;
}

TEST(SimulatorStop, CtrlCWithAFrozenClientEndsTheSimulatorAndSavesItsConfiguration)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string config = std::string(folder) + "simulator_stop_test.cfg";
    ASSERT_TRUE(CopyFileA(MOXLAN_SAMPLE_CONFIG, config.c_str(), FALSE)) << MOXLAN_SAMPLE_CONFIG;
    const FILETIME copied = lastWrite(config);

    WineChild simulator("moxlan-console.exe", "--config \"" + config + "\"");
    ASSERT_TRUE(simulator.program().waitForLine("Moxlan started with 8 variables", kStartTimeoutMs))
        << simulator.program().output();
    const e2e::ProgramRun written =
        e2e::runProgram("opcprobe.exe", "--progid Drevik.OPCServer write Plant.Setpoint=42");
    ASSERT_EQ(written.exitCode, 0u) << written.output;
    WineChild frozen("opcprobe.exe", "--progid Drevik.OPCServer watch Plant.Ramp --rate 250");
    ASSERT_TRUE(frozen.program().waitForLine("Plant.Ramp = ", kStartTimeoutMs))
        << frozen.program().output();
    ASSERT_TRUE(frozen.linuxProcess().stop());

    ASSERT_TRUE(simulator.linuxProcess().interrupt());
    EXPECT_TRUE(simulator.program().waitForExit(kExitTimeoutMs))
        << "the simulator still runs " << kExitTimeoutMs << " ms after Ctrl+C\n"
        << simulator.program().output();

    const FILETIME saved = lastWrite(config);
    EXPECT_EQ(CompareFileTime(&saved, &copied), 1) << "the configuration was not saved";
    // The variable's name is followed by its value, a little-endian float.
    std::string setpoint = "Plant.Setpoint";
    setpoint.append(reinterpret_cast<const char*>(&kWrittenSetpoint), sizeof kWrittenSetpoint);
    EXPECT_NE(fileBytes(config).find(setpoint), std::string::npos)
        << "the saved configuration lacks the written setpoint";
}

} // namespace
