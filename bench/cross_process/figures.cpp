#include "figures.h"

#include <algorithm>
#include <cstdio>

namespace bench {

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void printComparison(const char* figure, double product, double bare, const char* unit)
{
    std::printf("%-44s product %10.3f %s   bare %10.3f %s   product/bare %6.2f\n", figure, product,
                unit, bare, unit, bare > 0 ? product / bare : 0.0);
    std::fflush(stdout);
}

} // namespace bench
