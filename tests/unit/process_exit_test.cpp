// A host process ends, whatever its other threads were doing inside the runtime when the system
// stopped them.
#include "vetrel/com.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A program of this build, beside this test.
std::string besideThisTest(const std::string& program)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + program;
}

TEST(ProcessExit, AHostEndsWhileAClientsWriteHoldsTheRuntimeLock)
{
    std::string commandLine = '"' + besideThisTest("exit_in_notification.exe") + '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the host did not end within 30 s";
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
