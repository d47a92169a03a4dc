// What every cross-process benchmark's main does around its run: a count from the command line,
// and a failure turned into its message and exit status 1.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace bench {

// The first argument as a positive count, or fallback when none is given.
inline int countArgument(int argc, char** argv, int fallback)
{
    return argc > 1 ? std::max(1, std::atoi(argv[1])) : fallback;
}

template <typename Run> int runBenchmark(const char* name, Run&& run)
{
    try {
        return run();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", name, failure.what());
        return 1;
    }
}

} // namespace bench
