#include "client_run.h"

#include <fstream>
#include <iterator>

namespace gui {

namespace {

std::string driverDirectory()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

// The output goes to a file rather than a pipe, so a client that hangs cannot hold the driver.
std::string outputFile()
{
    char folder[MAX_PATH];
    char file[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "cli", 0, file);
    return file;
}

} // namespace

std::optional<ClientRun> runClient(const std::string& program, const std::string& arguments,
                                   DWORD timeoutMs)
{
    const std::string outputPath = outputFile();
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return std::nullopt;

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string commandLine = "\"" + driverDirectory() + program + "\" " + arguments;
    PROCESS_INFORMATION started{};
    const BOOL running = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &started);
    CloseHandle(output);
    std::optional<ClientRun> run;
    if (running) {
        CloseHandle(started.hThread);
        if (WaitForSingleObject(started.hProcess, timeoutMs) == WAIT_OBJECT_0) {
            run.emplace();
            GetExitCodeProcess(started.hProcess, &run->exitCode);
            std::ifstream printed(outputPath, std::ios::binary);
            run->output.assign(std::istreambuf_iterator<char>(printed),
                               std::istreambuf_iterator<char>());
        } else {
            TerminateProcess(started.hProcess, 1);
            WaitForSingleObject(started.hProcess, timeoutMs);
        }
        CloseHandle(started.hProcess);
    }
    DeleteFileA(outputPath.c_str());
    return run;
}

} // namespace gui
