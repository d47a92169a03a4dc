#include "churn_figures.h"

namespace churn {

long ChurnOutcome::cycles() const
{
    long total = 0;
    for (const ClientOutcome& client : clients) total += client.cycles;
    return total;
}

double ChurnOutcome::bytesPerCycle(std::chrono::seconds warmUp) const
{
    // The slope of a least-squares line through (cycles, memory): the working set moves up and
    // down by megabytes from one sample to the next, so two samples alone say little.
    // Servers that COM started for clients arriving at once leave early: the one that stayed
    // served the run.
    DWORD stayed = 0;
    for (const ChurnSample& sample : samples)
        if (sample.hostMemory != 0) stayed = sample.hostProcess;
    std::vector<const ChurnSample*> measured;
    for (const ChurnSample& sample : samples)
        if (sample.seconds >= warmUp.count() && sample.hostMemory != 0 &&
            sample.hostProcess == stayed)
            measured.push_back(&sample);
    if (measured.size() < 2) return 0;
    double meanCycles = 0;
    double meanMemory = 0;
    for (const ChurnSample* sample : measured) {
        meanCycles += static_cast<double>(sample->cycles);
        meanMemory += static_cast<double>(sample->hostMemory);
    }
    meanCycles /= static_cast<double>(measured.size());
    meanMemory /= static_cast<double>(measured.size());
    double covariance = 0;
    double variance = 0;
    for (const ChurnSample* sample : measured) {
        const double cycles = static_cast<double>(sample->cycles) - meanCycles;
        covariance += cycles * (static_cast<double>(sample->hostMemory) - meanMemory);
        variance += cycles * cycles;
    }
    return variance > 0 ? covariance / variance : 0;
}

} // namespace churn
