// The registry file shared between processes and threads: where it lives, that concurrent
// writers lose nothing, that a writer dying before its rename leaves the previous content, and
// that a damaged file gives an error instead of being replaced.
#include "support/registry_keys.h"
#include "vetrel/com.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace vetrel::test;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces a file the way the registry does, so that every reader sees a new file.
void replaceFile(const fs::path& path, const std::string& text)
{
    const fs::path temporary = path.string() + ".test";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc) << text;
    fs::rename(temporary, path);
}

// Starts the helper with this program's environment, where overrides ("NAME=value") win.
pid_t startHelper(const std::vector<std::string>& arguments,
                  std::vector<std::string> overrides = {})
{
    std::vector<std::string> strings{REGISTRY_HELPER};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : strings) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** variable = environ; *variable; ++variable) {
        const std::string_view name(*variable, std::strcspn(*variable, "="));
        if (std::none_of(overrides.begin(), overrides.end(), [&](const std::string& setting) {
                return setting.starts_with(name) && setting[name.size()] == '=';
            }))
            envp.push_back(*variable);
    }
    for (std::string& setting : overrides) envp.push_back(setting.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, REGISTRY_HELPER, nullptr, nullptr, argv.data(), envp.data()), 0);
    return pid;
}

int exitCode(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

int runHelper(const std::vector<std::string>& arguments, std::vector<std::string> overrides = {})
{
    return exitCode(startHelper(arguments, std::move(overrides)));
}

// A REG_SZ value of a key below HKEY_CURRENT_USER without its terminator, or the failure.
std::string queryText(const std::string& path, const char* name)
{
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) return "<status " + std::to_string(status) + ">";
    const Queried read = queryValue(key, name);
    RegCloseKey(key);
    if (read.status != ERROR_SUCCESS || read.data.empty())
        return "<status " + std::to_string(read.status) + ">";
    return read.data.substr(0, read.data.size() - 1);
}

class RegistryFile : public ::testing::Test
{
protected:
    // CTest gives every test program a registry of its own; a run by hand gets one too.
    static void SetUpTestSuite()
    {
        const fs::path fallback =
            fs::temp_directory_path() / ("vetrel-registry-" + std::to_string(getpid()));
        setenv("VETREL_REGISTRY", fallback.c_str(), 0);
    }

    void SetUp() override
    {
        m_key = "Software\\VetrelStress" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    void TearDown() override { deleteTree(HKEY_CURRENT_USER, m_key); }

    static fs::path registryPath() { return std::getenv("VETREL_REGISTRY"); }

    std::string m_key;
};

TEST_F(RegistryFile, LocationIsReadAtFirstUse)
{
    const fs::path directory =
        fs::temp_directory_path() / ("vetrel-first-use-" + std::to_string(getpid()));
    const fs::path named = directory / "named" / "registry";
    // The helper starts with this program's VETREL_REGISTRY and changes it before its first call.
    ASSERT_EQ(runHelper({"--registry", named.string(), "set", m_key, "Where", "named"}), 0);
    // Without the variable: the data home, else the home directory.
    ASSERT_EQ(runHelper({"--registry", "", "set", m_key, "Where", "data home"},
                        {"XDG_DATA_HOME=" + (directory / "data").string()}),
              0);
    ASSERT_EQ(runHelper({"--registry", "", "set", m_key, "Where", "home"},
                        {"XDG_DATA_HOME=", "HOME=" + (directory / "home").string()}),
              0);

    const std::string keyLine = "\"HKEY_CURRENT_USER\\" + m_key + "\"\n";
    EXPECT_EQ(readFile(named).rfind("vetrel-registry 1\n", 0), 0u);
    EXPECT_NE(readFile(named).find(keyLine + "value \"Where\" sz \"named%00\"\n"),
              std::string::npos);
    EXPECT_NE(readFile(directory / "data" / "vetrel" / "registry").find("\"data home%00\""),
              std::string::npos);
    EXPECT_NE(readFile(directory / "home" / ".local" / "share" / "vetrel" / "registry")
                  .find("\"home%00\""),
              std::string::npos);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    fs::remove_all(directory);
}

TEST_F(RegistryFile, ConcurrentWritersLoseNothing)
{
    constexpr int kCount = 25;
    const pid_t first = startHelper({"fill", m_key, "a", std::to_string(kCount)});
    const pid_t second = startHelper({"fill", m_key, "b", std::to_string(kCount)});
    std::vector<std::thread> threads;
    for (const std::string prefix : {"c", "d"})
        threads.emplace_back([&, prefix] {
            for (int i = 0; i < kCount; ++i) {
                const std::string name = prefix + std::to_string(i);
                EXPECT_EQ(setText(m_key + "\\" + name, nullptr, name), ERROR_SUCCESS);
                EXPECT_EQ(queryText(m_key + "\\" + name, nullptr), name);
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(exitCode(first), 0);
    EXPECT_EQ(exitCode(second), 0);

    std::set<std::string> expected;
    for (const char* prefix : {"a", "b", "c", "d"})
        for (int i = 0; i < kCount; ++i) expected.insert(prefix + std::to_string(i));
    for (const std::string& name : expected)
        EXPECT_EQ(queryText(m_key + "\\" + name, nullptr), name);
}

TEST_F(RegistryFile, WriterStoppedBeforeRenameLeavesPreviousContent)
{
    ASSERT_EQ(setText(m_key, "State", "before"), ERROR_SUCCESS);
    const std::string before = readFile(registryPath());

    const pid_t writer =
        startHelper({"set", m_key, "State", "lost"}, {"VETREL_REGISTRY_STOP_BEFORE_RENAME=1"});
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, WUNTRACED), writer);
    ASSERT_TRUE(WIFSTOPPED(status));
    // The new file is complete, only the rename is missing.
    EXPECT_NE(readFile(registryPath().string() + ".new").find("\"lost%00\""), std::string::npos);
    kill(writer, SIGKILL);
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(readFile(registryPath()), before);
    EXPECT_EQ(queryText(m_key, "State"), "before");
    // The dead writer's lock is gone: others write again, and this process sees their change.
    ASSERT_EQ(runHelper({"set", m_key, "State", "after"}), 0);
    EXPECT_EQ(queryText(m_key, "State"), "after");
}

TEST_F(RegistryFile, DamagedFileGivesAnErrorAndIsKeptAsItIs)
{
    ASSERT_EQ(setText(m_key, "State", "kept"), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const std::string good = readFile(registryPath());
    const size_t valueLine = good.find("value \"State\"");
    ASSERT_NE(valueLine, std::string::npos);
    const std::string line = good.substr(valueLine, good.find('\n', valueLine) + 1 - valueLine);

    const std::vector<std::string> damaged = {
        "",
        "not a registry\n",
        good.substr(0, good.size() - 4),                   // cut before "end"
        good.substr(0, good.size() - 1),                   // last line unfinished
        std::string(good).insert(valueLine, line),         // a value twice
        std::string(good).replace(valueLine + 7, 1, "%Z"), // a broken escape
        std::string(good).insert(valueLine, "key 9 0 \"HKEY_USERS\\a\\b\"\n"), // a lost key
    };
    for (const std::string& text : damaged) {
        replaceFile(registryPath(), text);
        HKEY other = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &other), ERROR_BADDB)
            << text;
        EXPECT_EQ(queryText(m_key, "State"), "<status 1009>");
        EXPECT_EQ(setValue(key, "State", REG_SZ, sz("")), ERROR_BADDB);
        EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str()), ERROR_BADDB);
        EXPECT_EQ(readFile(registryPath()), text);
    }
    // Repaired, the file serves again, and the handle opened before still names its key.
    replaceFile(registryPath(), good);
    EXPECT_EQ(queryValue(key, "State").data, sz("kept"));
    RegCloseKey(key);
}

TEST_F(RegistryFile, KeysDeletedByAnotherProcessReportKeyDeleted)
{
    const std::string victim = m_key + "\\Victim";
    ASSERT_EQ(setText(victim, nullptr, "first"), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, victim.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    ASSERT_EQ(runHelper({"delete", victim}), 0);
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    // A key made again under the same name is another key.
    ASSERT_EQ(runHelper({"set", victim, "", "second"}), 0);
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(queryText(victim, nullptr), "second");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryFile, AwkwardNamesAndBytesSurviveReadingTheFileAgain)
{
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) everyByte += static_cast<char>(byte);
    const std::vector<std::tuple<const char*, DWORD, std::string>> values = {
        {"every\\byte", REG_BINARY, everyByte},
        {"text", REG_SZ, sz("50% \"off\"\n\ttabs\\")},
        {"own type", 0x1234, "\x01"},
        {"", REG_NONE, ""},
    };
    HKEY key = createKey(HKEY_CURRENT_USER, m_key + "\\Caf\xe9 50% \"quoted\" key");
    ASSERT_NE(key, nullptr);
    for (const auto& [name, type, data] : values)
        EXPECT_EQ(setValue(key, name, type, data), ERROR_SUCCESS) << name;

    // A copy is a new file: this process has to parse what it wrote.
    replaceFile(registryPath(), readFile(registryPath()));
    for (const auto& [name, type, data] : values) {
        const Queried read = queryValue(key, name);
        EXPECT_EQ(read.status, ERROR_SUCCESS) << name;
        EXPECT_EQ(read.type, type) << name;
        EXPECT_EQ(read.data, data) << name;
    }
    EXPECT_NE(readFile(registryPath()).find("\\Caf%E9 50%25 %22quoted%22 key\"\n"),
              std::string::npos);
    RegCloseKey(key);

    // The keys every registry has stay, even when empty.
    EXPECT_EQ(RegDeleteKeyA(HKEY_USERS, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID"), ERROR_ACCESS_DENIED);
}

} // namespace
