// Runs several churning clients at once (churn_cycles.h) against a COM local server and watches
// both sides: the cycles each client completes, and the memory of the server process.
#pragma once

#include "churn_figures.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace churn {

struct ChurnPlan
{
    std::string client; // a program beside the runner
    int clients = 1;    // started at once, each for the whole length
    std::chrono::seconds length{60};
    std::string hostImage; // the server's executable name, to find its process
    // Called once when the length is over, while the clients finish their last cycles.
    std::function<void()> atEnd;
};

ChurnOutcome runChurn(const ChurnPlan& plan);

// The working set of the process in bytes, or 0 when it cannot be read.
SIZE_T processMemory(DWORD processId);

} // namespace churn
