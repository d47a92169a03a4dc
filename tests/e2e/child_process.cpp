#include "child_process.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace e2e {
namespace {

std::string programDirectory()
{
    char path[1024];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

// The complete lines of text, without their line ends.
std::vector<std::string> completeLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// Output a grandchild may still hold open is not waited for longer than this.
constexpr auto kOutputGrace = std::chrono::seconds(5);

} // namespace

RunningProgram::RunningProgram(const std::string& program, const std::string& arguments,
                               Input input)
{
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle writeEnd;
    if (!CreatePipe(m_output.put(), writeEnd.put(), &inherited, 0))
        throw std::runtime_error("CreatePipe");
    SetHandleInformation(m_output.get(), HANDLE_FLAG_INHERIT, 0);
    Handle readEnd;
    if (input == Input::Piped) {
        if (!CreatePipe(readEnd.put(), m_input.put(), &inherited, 0))
            throw std::runtime_error("CreatePipe");
        SetHandleInformation(m_input.get(), HANDLE_FLAG_INHERIT, 0);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd.get() ? readEnd.get() : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::string commandLine = "\"" + programDirectory() + program + "\" " + arguments;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started))
        throw std::runtime_error("cannot start " + commandLine);
    *m_process.put() = started.hProcess;
    CloseHandle(started.hThread);
    // Only the child may hold the write end now, so the pipe ends when the child does.
    writeEnd.reset();
    readEnd.reset();
    m_reader = std::thread([this] { readOutput(); });
}

RunningProgram::~RunningProgram()
{
    if (WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0)
        TerminateProcess(m_process.get(), 1);
    m_reader.join();
}

void RunningProgram::readOutput()
{
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(m_output.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        const auto now = std::chrono::steady_clock::now();
        {
            std::lock_guard held(m_lock);
            m_text.append(buffer, got);
            m_arrivals.insert(m_arrivals.end(), std::count(buffer, buffer + got, '\n'), now);
        }
        m_grown.notify_all();
    }
    {
        std::lock_guard held(m_lock);
        m_ended = true;
    }
    m_grown.notify_all();
}

bool RunningProgram::waitForLines(const std::function<bool(const std::vector<std::string>&)>& done,
                                  DWORD timeoutMs)
{
    std::unique_lock held(m_lock);
    const auto satisfied = [&] { return done(completeLines(m_text)); };
    return m_grown.wait_for(held, std::chrono::milliseconds(timeoutMs), [&] {
        return satisfied() || m_ended;
    }) && satisfied();
}

bool RunningProgram::waitForLine(std::string_view text, DWORD timeoutMs)
{
    return waitForLines(
        [text](const std::vector<std::string>& lines) {
            for (const std::string& line : lines)
                if (line.find(text) != std::string::npos) return true;
            return false;
        },
        timeoutMs);
}

std::vector<std::string> RunningProgram::lines() const
{
    std::lock_guard held(m_lock);
    return completeLines(m_text);
}

std::vector<std::chrono::steady_clock::time_point> RunningProgram::lineArrivals() const
{
    std::lock_guard held(m_lock);
    return m_arrivals;
}

std::optional<DWORD> RunningProgram::waitForExit(DWORD timeoutMs)
{
    if (WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    {
        std::unique_lock held(m_lock);
        m_grown.wait_for(held, kOutputGrace, [this] { return m_ended; });
    }
    DWORD code = 0;
    GetExitCodeProcess(m_process.get(), &code);
    return code;
}

bool RunningProgram::sendLine(std::string_view text)
{
    const std::string line = std::string(text) + "\n";
    DWORD written = 0;
    return m_input.get() &&
           WriteFile(m_input.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                     nullptr) &&
           written == line.size();
}

std::string RunningProgram::output() const
{
    std::lock_guard held(m_lock);
    return m_text;
}

ProgramRun runProgram(const std::string& program, const std::string& arguments)
{
    RunningProgram running(program, arguments);
    const std::optional<DWORD> code = running.waitForExit(INFINITE);
    return {code.value_or(0), running.output()};
}

} // namespace e2e
