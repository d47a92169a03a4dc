#include "churn_run.h"

#include "child_process.h"
#include "host_process.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <psapi.h>

namespace churn {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kSampleEvery = std::chrono::milliseconds(500);
// A client finishes the cycle it is in after its length: this long at most, or it is stuck.
constexpr auto kFinishGrace = std::chrono::seconds(20);
constexpr DWORD kFirstCyclesWaitMs = 30'000;

struct WatchedClient
{
    WatchedClient(const std::string& program, std::chrono::seconds length)
        : run(program, std::to_string(length.count()))
    {}

    // Takes in the client's latest progress line; a client that finished stalls no more.
    void look(Clock::time_point started, Clock::time_point now)
    {
        if (outcome.finished) return;
        bool done = false;
        for (const std::string& line : run.lines()) {
            long cycles = 0;
            long failures = 0;
            if (std::sscanf(line.c_str(), "cycles %ld failures %ld", &cycles, &failures) == 2) {
                outcome.failures = failures;
                if (cycles > outcome.cycles) {
                    outcome.cycles = cycles;
                    lastProgress = now;
                }
            }
            done = done || line == "done";
        }
        const auto since = lastProgress.value_or(started);
        outcome.longestStall =
            std::max(outcome.longestStall, std::chrono::duration<double>(now - since).count());
        outcome.finished = done && run.waitForExit(0).has_value();
    }

    e2e::RunningProgram run;
    ClientOutcome outcome;
    std::optional<Clock::time_point> lastProgress;
};

} // namespace

SIZE_T processMemory(DWORD processId)
{
    const e2e::Handle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!process.valid() || !GetProcessMemoryInfo(process.get(), &counters, sizeof counters))
        return 0;
    return counters.WorkingSetSize;
}

ChurnOutcome runChurn(const ChurnPlan& plan)
{
    const Clock::time_point started = Clock::now();
    std::vector<std::unique_ptr<WatchedClient>> clients;
    // The others wait for the first one's server: clients that all activate a server that is not
    // running yet make COM start one for each of them.
    for (int i = 0; i < plan.clients; ++i) {
        clients.push_back(std::make_unique<WatchedClient>(plan.client, plan.length));
        if (i == 0) clients.front()->run.waitForLine("cycles", kFirstCyclesWaitMs);
    }
    ChurnOutcome outcome;
    const auto giveUp = started + plan.length + kFinishGrace;
    bool endSeen = false;
    for (bool running = true; running && Clock::now() < giveUp;) {
        Sleep(static_cast<DWORD>(kSampleEvery.count()));
        const Clock::time_point now = Clock::now();
        if (!endSeen && now >= started + plan.length) {
            endSeen = true;
            if (plan.atEnd) plan.atEnd();
        }
        ChurnSample sample{std::chrono::duration<double>(now - started).count()};
        running = false;
        for (auto& client : clients) {
            client->look(started, now);
            sample.cycles += client->outcome.cycles;
            running = running || !client->outcome.finished;
        }
        const std::vector<DWORD> hosts = e2e::processesOf(plan.hostImage.c_str());
        if (!hosts.empty()) {
            sample.hostProcess = hosts.front();
            sample.hostMemory = processMemory(sample.hostProcess);
        }
        outcome.samples.push_back(sample);
    }
    for (auto& client : clients) outcome.clients.push_back(client->outcome);
    return outcome;
}

} // namespace churn
