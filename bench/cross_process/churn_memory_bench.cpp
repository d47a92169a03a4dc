// What clients that come and go cost a COM local server under Wine: the cycles they complete and
// the growth of the server's working set per cycle after warm-up, for the example host or for
// the bare server of bare_com/ (the baseline of Wine alone).
//
//   churn_memory_bench product|bare [CLIENTS] [SECONDS]   default 1 client for 60 s
//
// Run it in a prefix where the example host, the bare server and both proxy/stub DLLs are
// registered (scripts/wine-prefix, once with each --proxy); COM starts the servers. A bare server
// registered with "RegServer --pinned" keeps its interfaces registered with RPC (bare_pins.h).
#include "churn_run.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

constexpr auto kWarmUp = std::chrono::seconds(10);
constexpr double kReportEverySeconds = 10;

} // namespace

int main(int argc, char** argv)
{
    const std::string_view which = argc > 1 ? argv[1] : "product";
    churn::ChurnPlan plan;
    if (which == "product") {
        plan.client = "churn_client.exe";
        plan.hostImage = "vetrel-example-host.exe";
    } else if (which == "bare") {
        plan.client = "bare_client.exe";
        plan.hostImage = "bare_server.exe";
    } else {
        std::fprintf(stderr, "usage: churn_memory_bench product|bare [CLIENTS] [SECONDS]\n");
        return 2;
    }
    plan.clients = argc > 2 ? std::atoi(argv[2]) : 1;
    plan.length = std::chrono::seconds(argc > 3 ? std::atoi(argv[3]) : 60);

    const churn::ChurnOutcome outcome = churn::runChurn(plan);
    double nextReport = 0;
    for (const churn::ChurnSample& sample : outcome.samples) {
        if (sample.seconds < nextReport) continue;
        nextReport = sample.seconds + kReportEverySeconds;
        std::printf("%6.1f s  %8ld cycles  host %5lu  %8.0f KB\n", sample.seconds, sample.cycles,
                    static_cast<unsigned long>(sample.hostProcess),
                    static_cast<double>(sample.hostMemory) / 1024);
    }
    for (size_t i = 0; i < outcome.clients.size(); ++i) {
        const churn::ClientOutcome& client = outcome.clients[i];
        std::printf("client %zu: %ld cycles, %ld failed, longest stall %.1f s, %s\n", i + 1,
                    client.cycles, client.failures, client.longestStall,
                    client.finished ? "finished" : "STUCK");
    }
    std::printf(
        "%s, %d client(s), %lld s: %ld cycles, host growth after %lld s: %.0f bytes/cycle\n",
        std::string(which).c_str(), plan.clients, static_cast<long long>(plan.length.count()),
        outcome.cycles(), static_cast<long long>(kWarmUp.count()), outcome.bytesPerCycle(kWarmUp));
    return 0;
}
