// moxlan-console as a process: it ticks, prints its trace lines, saves on every kind of end,
// keeps a damaged configuration aside, and a kill at any moment of its saving leaves a whole
// file.
#include "simulator/core/config_file.h"
#include "simulator/core/file_store.h"
#include "simulator/temp_folder.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using moxlan::test::TempFolder;
using namespace std::chrono_literals;

std::string readText(const std::filesystem::path& file)
{
    return moxlan::readWholeFile(file).value_or("");
}

// Polls until the condition holds; false when the time runs out first.
bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 20s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// One run of the console host, copied into the folder so that "beside the program" is there.
class ConsoleProcess
{
public:
    // input, when given, is the text of its standard input.
    ConsoleProcess(const TempFolder& folder, std::vector<std::string> arguments,
                   const std::string& input = {})
        : m_out(folder / "stdout.txt"), m_err(folder / "stderr.txt")
    {
        const auto inputFile = folder / "stdin.txt";
        if (!input.empty()) std::ofstream(inputFile, std::ios::binary) << input;
        const auto program = folder / "moxlan-console";
        std::filesystem::copy_file(MOXLAN_CONSOLE, program,
                                   std::filesystem::copy_options::overwrite_existing);
        arguments.insert(arguments.begin(), program.string());
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);

        m_pid = fork();
        if (m_pid == 0) {
            const int out = open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            if (!input.empty()) dup2(open(inputFile.c_str(), O_RDONLY), STDIN_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }

    ~ConsoleProcess()
    {
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool printed(const std::string& text) const
    {
        return readText(m_out).find(text) != std::string::npos;
    }
    std::string out() const { return readText(m_out); }
    std::string err() const { return readText(m_err); }

    void signal(int number) const { kill(m_pid, number); }

    // The exit status once the process has ended, or nothing when it does not end in time.
    std::optional<int> ended()
    {
        waitUntil([this] {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) m_status = status;
            return m_status.has_value();
        });
        return m_status;
    }

private:
    std::filesystem::path m_out;
    std::filesystem::path m_err;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

std::unique_ptr<moxlan::CDeviceTag> variable(std::string name, int type, float value, float step)
{
    auto device = std::make_unique<moxlan::CDeviceTag>();
    device->m_Name = std::move(name);
    device->m_SimType = type;
    device->setValue(value);
    device->m_Step = step;
    device->m_High = 1e9f;
    return device;
}

void writeConfig(const std::filesystem::path& file, moxlan::DeviceList devices)
{
    ASSERT_TRUE(moxlan::replaceFile(file, moxlan::formatConfig(devices)));
}

// The value of the named variable in a configuration file, if the file loads.
std::optional<float> savedValue(const std::filesystem::path& file, const std::string& name)
{
    const moxlan::ConfigContents contents = moxlan::parseConfig(readText(file));
    const int index = moxlan::findDevice(contents.devices, name);
    if (index < 0) return std::nullopt;
    return contents.devices[static_cast<size_t>(index)]->value();
}

void expectEventLines(const std::string& out)
{
    const std::regex line(R"(\d\d-[A-Z][a-z][a-z]-\d{4} \d\d:\d\d:\d\d .*)");
    std::istringstream lines(out);
    int count = 0;
    for (std::string text; std::getline(lines, text); ++count)
        EXPECT_TRUE(std::regex_match(text, line)) << text;
    EXPECT_GE(count, 3);
}

TEST(ConsoleHost, TicksAndSavesWhenTerminated)
{
    TempFolder folder;
    const auto config = folder / "Moxlan.cfg";
    moxlan::DeviceList devices;
    devices.push_back(variable("Plant.Ramp", moxlan::SIM_INCREMENTAL, 0.0f, 1.0f));
    devices.push_back(variable("Plant.Setpoint", moxlan::SIM_CONSTANT, 5.0f, 1.0f));
    writeConfig(config, std::move(devices));

    ConsoleProcess console(folder, {"--autosave", "1"});
    ASSERT_TRUE(waitUntil([&] { return savedValue(config, "Plant.Ramp") >= 2.0f; }))
        << console.out() << console.err();
    console.signal(SIGTERM);
    ASSERT_EQ(console.ended(), 0);

    EXPECT_GE(savedValue(config, "Plant.Ramp"), 2.0f);
    EXPECT_EQ(savedValue(config, "Plant.Setpoint"), 5.0f);
    const std::string out = console.out();
    EXPECT_NE(out.find(" Moxlan started with 2 variables from " + config.string()),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(" Terminated: "), std::string::npos);
    EXPECT_NE(out.find(" Saving " + config.string()), std::string::npos);
    expectEventLines(out);
    EXPECT_EQ(console.err(), "");
}

TEST(ConsoleHost, FaultCommandsOnStandardInputAreCarriedOutOrAnswered)
{
    TempFolder folder;
    const auto config = folder / "Moxlan.cfg";
    moxlan::DeviceList devices;
    devices.push_back(variable("Plant.Ramp", moxlan::SIM_INCREMENTAL, 0.0f, 1.0f));
    devices.push_back(variable("Plant.Counter", moxlan::SIM_INCREMENTAL, 0.0f, 1.0f));
    writeConfig(config, std::move(devices));

    ConsoleProcess console(folder, {"--autosave", "1"},
                           "freeze Plant.Ramp\nbogus\r\nquality Plant.Ramp bad\nresume Nope\n"
                           "help\nquality Plant.Counter so-so");
    ASSERT_TRUE(waitUntil([&] { return console.printed("Plant.Ramp: BAD FROZEN"); }))
        << console.out() << console.err();
    // The counter's saves mark ticks gone; the frozen ramp's saved value stays through them.
    const float counted = savedValue(config, "Plant.Counter").value_or(0.0f);
    ASSERT_TRUE(waitUntil([&] { return savedValue(config, "Plant.Counter") >= counted + 2; }));
    const std::optional<float> frozen = savedValue(config, "Plant.Ramp");
    ASSERT_TRUE(waitUntil([&] { return savedValue(config, "Plant.Counter") >= counted + 4; }));
    EXPECT_EQ(savedValue(config, "Plant.Ramp"), frozen);

    console.signal(SIGTERM);
    ASSERT_EQ(console.ended(), 0);
    EXPECT_TRUE(console.printed("Plant.Ramp: FROZEN\n"));
    EXPECT_TRUE(console.printed("freeze NAME "));
    EXPECT_EQ(console.err(), "moxlan-console: unknown command: bogus (help lists the commands)\n"
                             "moxlan-console: no variable named Nope\n"
                             "moxlan-console: quality so-so is not good, uncertain or bad; usage: "
                             "quality NAME good|uncertain|bad\n");
}

TEST(ConsoleHost, InterruptWithoutClientsEndsInOrder)
{
    TempFolder folder;
    const auto config = folder / "other.cfg";
    moxlan::DeviceList devices;
    devices.push_back(variable("Ramp", moxlan::SIM_INCREMENTAL, 10.0f, 0.5f));
    writeConfig(config, std::move(devices));

    ConsoleProcess console(folder, {"/Embedding", "--config", config.string()});
    ASSERT_TRUE(waitUntil([&] { return console.printed("Moxlan started with 1 variables"); }));
    console.signal(SIGINT);
    ASSERT_EQ(console.ended(), 0);
    EXPECT_TRUE(console.printed(" Interrupted: asking the clients to disconnect"));
    EXPECT_FALSE(console.printed("Sorry, Clients are Attached to this Server"));
    EXPECT_TRUE(savedValue(config, "Ramp").has_value());
    EXPECT_FALSE(std::filesystem::exists(folder / "Moxlan.cfg")) << "--config replaces it";
}

TEST(ConsoleHost, DamagedConfigurationIsKeptAndReplaced)
{
    moxlan::DeviceList devices;
    devices.push_back(variable("Ramp", 2, 1.0f, 1.0f));
    devices.push_back(variable("Level", 0, 5.0f, 0.0f));
    const std::string whole = moxlan::formatConfig(devices);
    std::string countTooLarge = whole, countTooSmall = whole;
    countTooLarge[9] = 3;
    countTooSmall[9] = 1;
    const struct
    {
        const char* kind;
        std::string bytes;
    } cases[] = {
        {"count too large", countTooLarge},
        {"count too small", countTooSmall},
        {"trailing bytes", whole + "extra"},
        {"record cut in the middle", whole.substr(0, whole.size() - 10)},
    };
    for (const auto& damage : cases) {
        SCOPED_TRACE(damage.kind);
        TempFolder folder;
        const auto config = folder / "Moxlan.cfg";
        ASSERT_TRUE(moxlan::replaceFile(config, damage.bytes));

        ConsoleProcess console(folder, {});
        ASSERT_TRUE(waitUntil([&] { return console.printed("Moxlan started with 0 variables"); }))
            << console.err();
        console.signal(SIGTERM);
        ASSERT_EQ(console.ended(), 0);

        // One line on standard error, the same in the log; the original bytes survive.
        const std::string err = console.err();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("Moxlan.cfg.bad"), std::string::npos) << err;
        EXPECT_TRUE(console.printed(err.substr(err.find(": ") + 2, 40))) << console.out();
        EXPECT_EQ(readText(folder / "Moxlan.cfg.bad"), damage.bytes);
        EXPECT_EQ(readText(config), moxlan::formatConfig({}));
    }
}

TEST(ConsoleHost, AMissingConfigurationIsAnnouncedAsNew)
{
    TempFolder folder;
    ConsoleProcess console(folder, {});
    ASSERT_TRUE(waitUntil([&] { return console.printed("Moxlan started with 0 variables"); }))
        << console.err();
    EXPECT_TRUE(console.printed("Moxlan.cfg does not exist yet: a new, empty configuration"))
        << console.out();
    console.signal(SIGTERM);
    ASSERT_EQ(console.ended(), 0);
    EXPECT_EQ(console.err(), "");
    EXPECT_EQ(readText(folder / "Moxlan.cfg"), moxlan::formatConfig({}));
}

TEST(ConsoleHost, RegistrationRunBindsNothing)
{
    TempFolder folder;
    ConsoleProcess registering(folder, {"-regserver"});
    ASSERT_EQ(registering.ended(), 0);
    ConsoleProcess unregistering(folder, {"/UnregServer", "/RegServer"});
    ASSERT_EQ(unregistering.ended(), 0);
    EXPECT_EQ(registering.out() + registering.err(), "");
    EXPECT_EQ(folder.fileNames(),
              (std::vector<std::string>{"moxlan-console", "stderr.txt", "stdout.txt"}))
        << "no configuration file is read or written";
}

TEST(ConsoleHost, HelpAndUnknownOptionsStartNothing)
{
    TempFolder folder;
    ConsoleProcess help(folder, {"-Embedding", "--help"});
    ASSERT_EQ(help.ended(), 0);
    EXPECT_TRUE(help.out().starts_with("Usage: moxlan-console")) << help.out();
    EXPECT_EQ(help.err(), "");

    ConsoleProcess unknown(folder, {"--bogus"});
    const std::optional<int> status = unknown.ended();
    ASSERT_TRUE(status && WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 2);
    EXPECT_EQ(unknown.out(), "");
    EXPECT_EQ(unknown.err(), "moxlan-console: unknown option --bogus; --help lists the options\n");
    EXPECT_EQ(folder.fileNames(),
              (std::vector<std::string>{"moxlan-console", "stderr.txt", "stdout.txt"}))
        << "no configuration file is read or written";
}

TEST(ConsoleHost, KillDuringSavesLeavesTheOldOrTheNewFile)
{
    TempFolder folder;
    const auto config = folder / "Moxlan.cfg";
    // A large file, so that a save takes long enough to be caught in the middle.
    moxlan::DeviceList devices;
    for (int i = 0; i < 20000; ++i)
        devices.push_back(variable("Unit" + std::to_string(i / 100) + ".Value" + std::to_string(i),
                                   moxlan::SIM_INCREMENTAL, float(i), 1.0f));
    writeConfig(config, std::move(devices));

    // Each round kills at a later moment of the one-second save period.
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const std::string before = readText(config);
        ConsoleProcess console(folder, {"--autosave", "1"});
        ASSERT_TRUE(waitUntil([&] { return readText(config) != before; }));
        std::this_thread::sleep_for(round * 170ms);
        console.signal(SIGKILL);
        console.ended();

        const moxlan::ConfigContents contents = moxlan::parseConfig(readText(config));
        ASSERT_EQ(contents.outcome, moxlan::ConfigContents::Outcome::Loaded) << contents.problem;
        ASSERT_EQ(contents.devices.size(), 20000u);
    }
}

} // namespace
