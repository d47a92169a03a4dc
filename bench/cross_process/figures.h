// The figures of the cross-process benchmarks: the product's beside the bare server's.
#pragma once

#include <chrono>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Milliseconds since start.
double millisecondsSince(Clock::time_point start);

// The middle sample; samples must not be empty.
double median(std::vector<double> samples);

// The median of count timed calls of measure, after one more call that is not counted: the
// first call also sets up the connection's buffers.
template <typename Measure> double medianOf(int count, Measure measure)
{
    measure();
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) samples.push_back(measure());
    return median(samples);
}

// "figure: product P unit, bare B unit, product/bare R": one line for each figure, with the ratio
// computed the same way for times and for rates.
void printComparison(const char* figure, double product, double bare, const char* unit);

} // namespace bench
