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

// "figure: product P unit, bare B unit, product/bare R": one line for each figure, with the ratio
// computed the same way for times and for rates.
void printComparison(const char* figure, double product, double bare, const char* unit);

} // namespace bench
