// The loop of a churning client, bare or OPC: it runs one cycle after another for the seconds
// given on its command line (default 10) and prints "cycles N failures F" as it goes and at the
// end, then "done". A failed cycle is printed and the next one starts. Output lines are what the
// runner of a churn watches, so their form is fixed here for every client.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <windows.h>

// Lines often enough to watch progress, rarely enough not to cost a cycle each.
inline constexpr long kChurnReportEvery = 20;

template <typename Cycle> int runChurnCycles(int argc, char** argv, Cycle cycle)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    long cycles = 0;
    long failures = 0;
    while (std::chrono::steady_clock::now() < end) {
        const HRESULT hr = cycle(static_cast<LONG>(cycles));
        if (FAILED(hr)) {
            ++failures;
            std::printf("cycle failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        }
        if (++cycles % kChurnReportEvery == 0) {
            std::printf("cycles %ld failures %ld\n", cycles, failures);
            std::fflush(stdout);
        }
    }
    std::printf("cycles %ld failures %ld\ndone\n", cycles, failures);
    std::fflush(stdout);
    return 0;
}
