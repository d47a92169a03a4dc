// The Moxlan simulator's console host as the OPC server of this program's Wine prefix: started
// on a copy of the sample configuration and watched by opcprobe in a process of its own.
#include "child_process.h"
#include "host_process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
// The simulator steps its variables once a second.
constexpr DWORD kChangeTimeoutMs = 20000;

// The one item of an opcprobe --json read (value, quality, timestamp), or null when the read
// failed.
nlohmann::json readItem(const std::string& item)
{
    const e2e::ProgramRun read =
        e2e::runProgram("opcprobe.exe", "--progid Drevik.OPCServer --json read " + item);
    const nlohmann::json document = nlohmann::json::parse(read.output, nullptr, false);
    if (read.exitCode != 0 || !document.is_object() || document["items"].size() != 1 ||
        !document["items"][0]["value"].is_number())
        return nullptr;
    return document["items"][0];
}

std::optional<double> readValue(const std::string& item)
{
    const nlohmann::json read = readItem(item);
    if (read.is_null()) return std::nullopt;
    return read["value"].get<double>();
}

// A copy of the sample configuration with its alarm file, since the simulator saves its
// variables when it ends.
std::string sampleCopy()
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string copy = std::string(folder) + "simulator_test.cfg";
    for (const char* suffix : {"", ".alarms"}) {
        const std::string from = std::string(MOXLAN_SAMPLE_CONFIG) + suffix;
        EXPECT_TRUE(CopyFileA(from.c_str(), (copy + suffix).c_str(), FALSE)) << from;
    }
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

// The messages and severities of the JSON event lines from the source, in arrival order.
std::vector<std::pair<std::string, unsigned>> eventsOf(const std::vector<std::string>& lines,
                                                       const std::string& source)
{
    std::vector<std::pair<std::string, unsigned>> events;
    for (const std::string& line : lines) {
        const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
        if (object.is_object() && object.value("source", "") == source)
            events.emplace_back(object.value("message", ""), object.value("severity", 0u));
    }
    return events;
}

// One simulator serves every case: a simulator ended by force leaves its class registered with
// COM, and a second one would not be reached. It is ended with the program; scripts/demo shows
// its orderly end.
class Simulator : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_simulator =
            new e2e::RunningProgram("moxlan-console.exe", "--config \"" + sampleCopy() + "\"",
                                    e2e::RunningProgram::Input::Piped);
        ASSERT_TRUE(s_simulator->waitForLine(kStarted, kStartTimeoutMs)) << s_simulator->output();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_simulator->waitForLine(kStarted, 0)) << "the simulator did not start";
    }

    // Gives the simulator a command and waits for what it says it did.
    static void command(const std::string& line, const std::string& said)
    {
        ASSERT_TRUE(s_simulator->sendLine(line));
        ASSERT_TRUE(s_simulator->waitForLine(said, kChangeTimeoutMs)) << s_simulator->output();
    }

    static constexpr const char* kStarted = "Moxlan started with 8 variables";

    static void TearDownTestSuite() { delete s_simulator; }

    static e2e::RunningProgram* s_simulator;
};

e2e::RunningProgram* Simulator::s_simulator = nullptr;

TEST_F(Simulator, AWatchingClientSeesTheSimulatedVariablesChange)
{

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

TEST_F(Simulator, AnIncrementalVariableContinuesFromAClientWrite)
{
    // The ramp starts at 0 and climbs to 100 in small steps: it reaches 60 only from the write.
    constexpr double kWritten = 60.0;
    const e2e::ProgramRun written =
        e2e::runProgram("opcprobe.exe", "--progid Drevik.OPCServer --json write Plant.Ramp=60");
    ASSERT_EQ(written.exitCode, 0u) << written.output;

    // Reads until two values after the written one have come; each is one step further.
    std::vector<double> seen;
    const DWORD started = GetTickCount();
    while (seen.size() < 2 && GetTickCount() - started < kChangeTimeoutMs) {
        const std::optional<double> value = readValue("Plant.Ramp");
        ASSERT_TRUE(value) << "the ramp can be read";
        if (*value != kWritten && (seen.empty() || seen.back() != *value)) seen.push_back(*value);
    }
    ASSERT_EQ(seen.size(), 2u) << "the ramp moves on after the write";
    EXPECT_GT(seen[0], kWritten) << "the next step starts from the written value";
    EXPECT_GT(seen[1], seen[0]);
    EXPECT_LT(seen[1], 100.0) << "no wrap happens this soon";
}

TEST_F(Simulator, FaultCommandsReachClientsAsQualitiesAndAFrozenValue)
{
    const std::pair<const char*, int> qualities[] = {{"bad", 0}, {"uncertain", 64}, {"good", 192}};
    for (const auto& [quality, word] : qualities) {
        SCOPED_TRACE(quality);
        command(std::string("quality Plant.Temperature ") + quality,
                std::string("Plant.Temperature: ") + (word == 192 ? "no fault"
                                                      : word == 0 ? "BAD"
                                                                  : "UNCERTAIN"));
        const nlohmann::json read = readItem("Plant.Temperature");
        ASSERT_FALSE(read.is_null());
        EXPECT_EQ(read["quality"], word);
    }

    // The sawtooth moves on every tick: three of its values mark three ticks gone.
    command("freeze Plant.Wave.Triangle", "Plant.Wave.Triangle: FROZEN");
    const nlohmann::json before = readItem("Plant.Wave.Triangle");
    e2e::RunningProgram watch("opcprobe.exe", "--progid Drevik.OPCServer --json watch "
                                              "Plant.Wave.Triangle Plant.Wave.Sawtooth --rate 250");
    ASSERT_TRUE(watch.waitForLines(
        [](const std::vector<std::string>& lines) {
            return valuesOf(lines, "Plant.Wave.Sawtooth").size() >= 3;
        },
        kChangeTimeoutMs))
        << watch.output();
    const nlohmann::json after = readItem("Plant.Wave.Triangle");
    ASSERT_FALSE(before.is_null() || after.is_null());
    EXPECT_EQ(valuesOf(watch.lines(), "Plant.Wave.Triangle"),
              std::set<double>{before["value"].get<double>()})
        << "a frozen value does not change";
    EXPECT_EQ(after["value"], before["value"]);
    EXPECT_NE(after["timestamp"], before["timestamp"]) << "its timestamp moves on";

    command("resume Plant.Wave.Triangle", "Plant.Wave.Triangle: no fault");
    EXPECT_TRUE(watch.waitForLines(
        [](const std::vector<std::string>& lines) {
            return valuesOf(lines, "Plant.Wave.Triangle").size() >= 2;
        },
        kChangeTimeoutMs))
        << "the value moves again\n"
        << watch.output();
}

TEST_F(Simulator, AnAlarmedWaveRaisesEachLimitRisingAndFalling)
{
    // The tank level is a triangle from 0 to 100 over 20 s with LoLo 5, Lo 20, Hi 80 and HiHi
    // 95: from its peak it falls through every band and rises again.
    using Events = std::vector<std::pair<std::string, unsigned>>;
    const Events cycle = {{"High High Limit Exceeded", 800}, {"High Limit Exceeded", 600},
                          {"Normal Condition", 0},           {"Low Limit Exceeded", 600},
                          {"Low Low Limit Exceeded", 800},   {"Low Limit Exceeded", 600},
                          {"Normal Condition", 0},           {"High Limit Exceeded", 600}};
    const auto fromPeak = [](const Events& events) {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].first == "High High Limit Exceeded")
                return Events(events.begin() + static_cast<std::ptrdiff_t>(i), events.end());
        return Events{};
    };
    constexpr DWORD kTwoPeriodsMs = 60000;
    e2e::RunningProgram probe("opcprobe.exe", "--progid Drevik.OPCServer --json events");
    ASSERT_TRUE(probe.waitForLines(
        [&](const std::vector<std::string>& lines) {
            return fromPeak(eventsOf(lines, "Plant.Tank.Level")).size() >= cycle.size();
        },
        kTwoPeriodsMs))
        << probe.output();
    Events seen = fromPeak(eventsOf(probe.lines(), "Plant.Tank.Level"));
    seen.resize(cycle.size());
    EXPECT_EQ(seen, cycle);
}

} // namespace
