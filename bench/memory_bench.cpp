// The memory a tag and a group item take, from the allocator's own count of the bytes in use:
// what the runtime holds for them, not what the pages of the process happen to show.
#include "tag_store.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

namespace {

// Bytes in use, whether the allocator took them from its arenas or mapped them on their own.
double bytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

void perTag(benchmark::State& state)
{
    const auto count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        const double before = bytesInUse();
        bench::Store store("Bench.Mem", count);
        // The store's own list of handles is the benchmark's, not the runtime's.
        const double handles = static_cast<double>(count * sizeof(DWORD));
        state.counters["bytes_per_tag"] =
            (bytesInUse() - before - handles) / static_cast<double>(count);
    }
}

// One group whose items follow the tags one to one.
void perItem(benchmark::State& state)
{
    const auto count = static_cast<size_t>(state.range(0));
    vetrel::test::startRuntime(60'000);
    bench::Store store("Bench.Item", count);
    for (auto _ : state) {
        const double before = bytesInUse();
        bench::FollowingGroup group("Bench.Item", count);
        state.counters["bytes_per_item"] = (bytesInUse() - before) / static_cast<double>(count);
    }
}

BENCHMARK(perTag)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(
    benchmark::kMillisecond);
BENCHMARK(perItem)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(
    benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
