// Runs another program of this build as a separate client process.
#pragma once

#include <string>

namespace e2e {

struct ProgramRun
{
    unsigned long exitCode = 0;
    std::string output; // what it wrote to its standard output
};

// Runs a program that sits beside the test program, with the given arguments, and waits for it.
ProgramRun runProgram(const std::string& program, const std::string& arguments);

} // namespace e2e
