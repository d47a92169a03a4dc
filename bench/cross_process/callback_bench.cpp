// How data changes reach a client in another process under Wine: the values per second that
// OnDataChange delivers when every report carries 10,000 items, beside the bare server's calls
// of the same payload, and the latency from the host's UpdateTag to the client's callback at a
// server rate of 10 ms.
//
// It starts the example host beside itself with --rate 10 --load 10000, so run it in a prefix
// where the example host and the bare server are registered (bare_baseline.h):
//
//   callback_bench [SECONDS]    measure each figure for SECONDS (default 5)
//
// The host stamps every load tag with its steady clock when it updates it; the processes of one
// machine share that clock, so the age of a value on arrival is the latency.
#include "bare_baseline.h"
#include "bare_data_sink.h"
#include "bench_main.h"
#include "child_process.h"
#include "example_identity.h"
#include "figures.h"
#include "load_subscription.h"
#include "load_tags.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::Clock;

constexpr int kServerRate = 10;
constexpr int kManyItems = 10'000;
constexpr DWORD kHostStartMs = 60'000;
// The first reports after subscribing set up the connection's buffers: not measured.
constexpr auto kWarmUp = std::chrono::seconds(1);
// Refreshes queued at a time: the next is waiting while one is delivered.
constexpr size_t kRefreshesInFlight = 2;
// The bare server's calls asked for at a time.
constexpr DWORD kBareCallsPerRequest = 4;

// What the client's sink saw while it was counting: scan reports, or refresh completions.
class Tally
{
public:
    explicit Tally(bool refreshes) : m_refreshes(refreshes) {}

    void record(const opcprobe::DataCallback& call)
    {
        if (call.kind != opcprobe::DataCallback::Kind::DataChange || call.entries.empty()) return;
        if ((call.transaction != 0) != m_refreshes) return;
        const double arrived = example::clockMilliseconds();
        {
            std::lock_guard held(m_lock);
            ++m_delivered;
            if (!m_counting) return;
            ++m_figures.reports;
            m_figures.values += call.entries.size();
            // The newest value of the report: how long the last update waited for its report.
            double newest = 0;
            for (const opcprobe::CallbackEntry& entry : call.entries)
                newest = std::max(newest, entry.value.get().dblVal);
            m_figures.ages.push_back(arrived - newest);
        }
        m_changed.notify_all();
    }

    void start()
    {
        std::lock_guard held(m_lock);
        m_counting = true;
        m_started = Clock::now();
    }

    struct Figures
    {
        size_t reports = 0;
        size_t values = 0;
        double seconds = 0;
        // Milliseconds from the host's UpdateTag to the client's callback.
        std::vector<double> ages;
    };
    Figures stop()
    {
        std::lock_guard held(m_lock);
        m_counting = false;
        m_figures.seconds = std::chrono::duration<double>(Clock::now() - m_started).count();
        return m_figures;
    }

    // Waits, with a bound, until fewer than the given number of callbacks are outstanding.
    void waitForDeliveries(size_t issued, size_t outstanding)
    {
        std::unique_lock held(m_lock);
        m_changed.wait_for(held, std::chrono::seconds(1),
                           [&] { return issued - m_delivered < outstanding; });
    }

private:
    const bool m_refreshes;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_counting = false;
    size_t m_delivered = 0;
    Clock::time_point m_started;
    Figures m_figures;
};

std::function<void(const opcprobe::DataCallback&)> record(Tally& tally)
{
    return [&tally](const opcprobe::DataCallback& call) { tally.record(call); };
}

double percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    return samples[static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1))];
}

// Scan reports while the host updates the first items load tags every server period.
Tally::Figures scanReports(opcprobe::Session& session, int items, std::chrono::seconds duration)
{
    bench::setLoad(session, items);
    Tally tally(false);
    const bench::LoadSubscription subscription(session.server(), items, kServerRate, record(tally));
    std::this_thread::sleep_for(kWarmUp);
    tally.start();
    std::this_thread::sleep_for(duration);
    Tally::Figures figures = tally.stop();
    bench::setLoad(session, 0);
    return figures;
}

// OnDataChange of every item, as fast as the server completes refreshes queued back to back.
Tally::Figures refreshes(opcprobe::Session& session, int items, std::chrono::seconds duration)
{
    Tally tally(true);
    const bench::LoadSubscription subscription(session.server(), items, kServerRate, record(tally));
    const auto async =
        vetrel::ComPtr<IUnknown>(subscription.group()).as<IOPCAsyncIO2>(IID_IOPCAsyncIO2);
    if (!async) throw opcprobe::ProbeFailure("Finding IOPCAsyncIO2", E_NOINTERFACE);
    size_t issued = 0;
    const auto refreshUntil = [&](Clock::time_point end) {
        while (Clock::now() < end) {
            DWORD cancelId = 0;
            const HRESULT hr =
                async->Refresh2(OPC_DS_CACHE, static_cast<DWORD>(++issued), &cancelId);
            if (FAILED(hr)) throw opcprobe::ProbeFailure("Refresh2", hr);
            tally.waitForDeliveries(issued, kRefreshesInFlight);
        }
    };
    refreshUntil(Clock::now() + kWarmUp);
    tally.start();
    refreshUntil(Clock::now() + duration);
    return tally.stop();
}

// OnDataChange of as many values as the load tags hold, from the bare server back to back, taken
// by the same sink as the product's.
Tally::Figures bareDataChanges(int items, std::chrono::seconds duration)
{
    Tally tally(true);
    const auto dataSink = opcprobe::DataSink::create(record(tally));
    const auto bareSink = bench::BareDataSink::create(dataSink.get());
    const BareRef<IBareServer> server = bench::activateBareServer();
    const bench::BareGroup group(server.get());
    std::vector<VARIANT> values(static_cast<size_t>(items));
    for (VARIANT& value : values) {
        V_VT(&value) = VT_R8;
        V_R8(&value) = example::clockMilliseconds();
    }
    const HRESULT stored = group->SetValues(static_cast<DWORD>(items), values.data());
    if (FAILED(stored)) throw opcprobe::ProbeFailure("The bare SetValues", stored);
    const auto sendUntil = [&](Clock::time_point end) {
        while (Clock::now() < end) {
            const HRESULT hr = group->SendDataChanges(bareSink.get(), kBareCallsPerRequest,
                                                      static_cast<DWORD>(items));
            if (FAILED(hr)) throw opcprobe::ProbeFailure("The bare SendDataChanges", hr);
        }
    };
    sendUntil(Clock::now() + kWarmUp);
    tally.start();
    sendUntil(Clock::now() + duration);
    return tally.stop();
}

double valuesPerSecond(const Tally::Figures& figures)
{
    return static_cast<double>(figures.values) / figures.seconds;
}

void print(const char* label, const Tally::Figures& figures, bool withAges)
{
    std::printf("%s\n", label);
    std::printf("  %zu callbacks in %.1f s: %.0f values/s, %.0f items per callback\n",
                figures.reports, figures.seconds, valuesPerSecond(figures),
                figures.reports ? static_cast<double>(figures.values) / figures.reports : 0.0);
    if (!withAges) return;
    std::printf("  UpdateTag to OnDataChange: median %.2f ms, 90%% %.2f ms, min %.2f ms, max "
                "%.2f ms\n",
                percentile(figures.ages, 0.5), percentile(figures.ages, 0.9),
                percentile(figures.ages, 0.0), percentile(figures.ages, 1.0));
}

int run(std::chrono::seconds duration)
{
    e2e::RunningProgram host("vetrel-example-host.exe", "--rate " + std::to_string(kServerRate) +
                                                            " --load " +
                                                            std::to_string(kManyItems) + " 0");
    // Its first tick follows the creation of every tag.
    if (!host.waitForLine("tick 1:", kHostStartMs)) {
        std::fprintf(stderr, "callback_bench: the example host did not start\n");
        return 1;
    }
    {
        opcprobe::Session session(example::kExampleClass);
        const Tally::Figures product = refreshes(session, kManyItems, duration);
        print("OnDataChange of 10,000 items, refreshes queued back to back:", product, false);
        bench::printComparison("OnDataChange of 10,000 items", valuesPerSecond(product),
                               valuesPerSecond(bareDataChanges(kManyItems, duration)), "values/s");
        print("Scan reports, the host updating 10,000 tags every 10 ms, group rate 10 ms:",
              scanReports(session, kManyItems, duration), true);
        print("Scan reports, the host updating 1 tag every 10 ms, group rate 10 ms:",
              scanReports(session, 1, duration), true);
        session.write({{"Example.Host.Quit", "true"}});
    }
    host.waitForExit(kHostStartMs);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const auto duration = std::chrono::seconds(bench::countArgument(argc, argv, 5));
    return bench::runBenchmark("callback_bench", [duration] { return run(duration); });
}
