// What a run of churning clients yields: the cycles each client completed and how the server's
// memory moved with them.
#pragma once

#include "vetrel/com.h"

#include <chrono>
#include <vector>

namespace churn {

// What the runner saw at one moment.
struct ChurnSample
{
    double seconds = 0;
    long cycles = 0;       // all clients together
    SIZE_T hostMemory = 0; // working set of the server process; 0 when none was found
    DWORD hostProcess = 0;
};

struct ClientOutcome
{
    long cycles = 0;
    long failures = 0;
    bool finished = false;   // printed its last line and ended within the grace after its length
    double longestStall = 0; // seconds without a new progress line
};

struct ChurnOutcome
{
    std::vector<ClientOutcome> clients;
    std::vector<ChurnSample> samples;

    long cycles() const;
    // Growth of the server's memory per cycle over the samples from warmUp on of the server
    // process seen last; 0 when there are not two such samples or no cycles between them.
    double bytesPerCycle(std::chrono::seconds warmUp) const;
};

} // namespace churn
