// The Linux processes under the programs of this Wine prefix, and the signals that the Windows
// API has no equal of: a test freezes a program (SIGSTOP) as an overloaded machine or a
// debugger does, resumes it, or kills it (SIGKILL) as a crash or the out-of-memory killer does,
// without anything in the program or in Wine noticing first.
#pragma once

#include "child_process.h"

#include <set>
#include <string>
#include <string_view>

namespace e2e {

// Linux process IDs of the running processes of this test's prefix that run program (a file
// name such as "opcprobe.exe").
std::set<int> unixProcesses(std::string_view program);

class UnixProcess
{
public:
    explicit UnixProcess(int pid) noexcept : m_pid(pid) {}
    int pid() const noexcept { return m_pid; }
    // Each is false when Linux refuses the signal (the process is gone).
    bool kill() const noexcept;
    bool stop() const noexcept;
    bool resume() const noexcept;
    // What Ctrl+C sends; Wine hands it to the program's console control handlers.
    bool interrupt() const noexcept;

private:
    bool signal(int number) const noexcept;

    int m_pid;
};

// A program started beside the test program, with the Linux process under it. Throws
// std::runtime_error when that process cannot be told from the others of the prefix.
class WineChild
{
public:
    WineChild(const std::string& program, const std::string& arguments);
    // A program still running is killed: a frozen one could not end otherwise.
    ~WineChild();
    WineChild(const WineChild&) = delete;
    WineChild& operator=(const WineChild&) = delete;

    RunningProgram& program() noexcept { return m_program; }
    const UnixProcess& linuxProcess() const noexcept { return m_unix; }

private:
    std::set<int> m_before;
    RunningProgram m_program;
    UnixProcess m_unix;
};

} // namespace e2e
