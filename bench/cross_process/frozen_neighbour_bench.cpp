// What a frozen client costs the other clients of a server: the values per second that a client
// in this process receives while another client process, subscribed beside it, is frozen
// (SIGSTOP), against the same client alone, in one run.
//
// It starts the example host beside itself with --rate 10 --load 1000, so run it in a prefix
// where the example host and the proxy/stub DLL are registered (scripts/wine-prefix):
//
//   frozen_neighbour_bench [SECONDS]    measure each figure for SECONDS (default 5)
#include "bench_main.h"
#include "example_identity.h"
#include "load_subscription.h"
#include "load_tags.h"
#include "wine_process.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kServerRate = 10;
constexpr int kItems = 1000;
constexpr DWORD kStartMs = 60'000;
constexpr DWORD kQuitMs = 10'000;
// The first reports after subscribing, and the server's first calls to a frozen neighbour,
// are not measured.
constexpr auto kSettle = std::chrono::seconds(1);

// Values of the scan reports the client received.
class Counter
{
public:
    void record(const opcprobe::DataCallback& call)
    {
        if (call.kind == opcprobe::DataCallback::Kind::DataChange && call.transaction == 0)
            m_values += call.entries.size();
    }

    double perSecond(std::chrono::seconds duration)
    {
        const size_t before = m_values;
        const Clock::time_point start = Clock::now();
        std::this_thread::sleep_for(duration);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return static_cast<double>(m_values - before) / seconds;
    }

private:
    std::atomic<size_t> m_values{0};
};

struct Figures
{
    bool measured = false;
    double alone = 0, beside = 0;
};

// The subscription and the neighbour are gone when it returns, before the host is asked to quit.
Figures measure(IOPCServer* server, std::chrono::seconds duration)
{
    Figures figures;
    Counter counter;
    const bench::LoadSubscription subscription(
        server, kItems, kServerRate,
        [&counter](const opcprobe::DataCallback& call) { counter.record(call); });
    std::this_thread::sleep_for(kSettle);
    figures.alone = counter.perSecond(duration);

    const std::string watched = example::loadTagName(0);
    e2e::WineChild neighbour("opcprobe.exe", "--progid Vetrel.ExampleHost watch " + watched +
                                                 " --rate " + std::to_string(kServerRate));
    if (!neighbour.program().waitForLine(watched + " = ", kStartMs)) {
        std::fprintf(stderr, "frozen_neighbour_bench: the neighbour saw no change\n");
        return figures;
    }
    neighbour.linuxProcess().stop();
    std::this_thread::sleep_for(kSettle);
    figures.beside = counter.perSecond(duration);
    figures.measured = true;
    return figures;
}

int run(std::chrono::seconds duration)
{
    e2e::RunningProgram host("vetrel-example-host.exe", "--rate " + std::to_string(kServerRate) +
                                                            " --load " + std::to_string(kItems) +
                                                            " 0");
    if (!host.waitForLine("tick 1:", kStartMs)) {
        std::fprintf(stderr, "frozen_neighbour_bench: the example host did not start\n");
        return 1;
    }
    Figures figures;
    {
        opcprobe::Session session(example::kExampleClass);
        bench::setLoad(session, kItems);
        figures = measure(session.server(), duration);
        if (!figures.measured) return 1;
        bench::setLoad(session, 0);
        session.write({{"Example.Host.Quit", "true"}});
    }
    std::printf("Scan reports of %d load tags, the host updating them every %d ms, group rate "
                "%d ms:\n",
                kItems, kServerRate, kServerRate);
    std::printf("  alone:                   %.0f values/s\n", figures.alone);
    std::printf("  beside a frozen client:  %.0f values/s\n", figures.beside);
    std::printf("  ratio:                   %.2f\n",
                figures.alone > 0 ? figures.beside / figures.alone : 0.0);
    std::fflush(stdout);
    // A host still busy with the killed neighbour is ended with the program.
    host.waitForExit(kQuitMs);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const auto duration = std::chrono::seconds(bench::countArgument(argc, argv, 5));
    return bench::runBenchmark("frozen_neighbour_bench", [duration] { return run(duration); });
}
