// Runs other programs of this build as separate processes beside the test program.
#pragma once

#include "kernel_handle.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace e2e {

struct ProgramRun
{
    unsigned long exitCode = 0;
    std::string output; // what it wrote to its standard output
};

// Runs a program that sits beside the test program, with the given arguments, and waits for it.
ProgramRun runProgram(const std::string& program, const std::string& arguments);

// A program started beside the test program, whose standard output a thread of its own reads
// as it comes, so the program never blocks on a full pipe.
class RunningProgram
{
public:
    enum class Input
    {
        // The test program's own standard input.
        Inherited,
        // A pipe that sendLine writes to.
        Piped,
    };

    RunningProgram(const std::string& program, const std::string& arguments,
                   Input input = Input::Inherited);
    // Ends the program if it is still running.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Waits until the complete lines of the output satisfy done; false after the timeout.
    bool waitForLines(const std::function<bool(const std::vector<std::string>&)>& done,
                      DWORD timeoutMs);
    // Waits until a complete line of the output contains text; false after the timeout.
    bool waitForLine(std::string_view text, DWORD timeoutMs);
    // The complete lines so far, without their line ends.
    std::vector<std::string> lines() const;
    // When each of the complete lines so far was read.
    std::vector<std::chrono::steady_clock::time_point> lineArrivals() const;
    // The exit code once the program has ended and its output is read to the end, or empty
    // when it still runs after the timeout.
    std::optional<DWORD> waitForExit(DWORD timeoutMs);
    std::string output() const;
    // Writes the text and a line end to a piped standard input; false when it cannot.
    bool sendLine(std::string_view text);

private:
    void readOutput();

    Handle m_process;
    Handle m_output;
    Handle m_input;
    mutable std::mutex m_lock;
    std::condition_variable m_grown;
    std::string m_text;
    std::vector<std::chrono::steady_clock::time_point> m_arrivals;
    bool m_ended = false;
    std::thread m_reader;
};

} // namespace e2e
