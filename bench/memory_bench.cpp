// The memory a tag and a group item take, from the allocator's own count of the bytes in use:
// what the runtime holds for them, not what the pages of the process happen to show.
#include "fixtures/opc_client.h"
#include "tag_store.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ItemDef;

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

// One group whose items follow the tags one to one, added in batches as a client adds them.
void perItem(benchmark::State& state)
{
    constexpr size_t kBatch = 10'000;
    const auto count = static_cast<size_t>(state.range(0));
    vetrel::test::startRuntime(60'000);
    bench::Store store("Bench.Item", count);
    for (auto _ : state) {
        ClientConnection client = ClientConnection::connect();
        ClientGroup group = client.addGroup("Memory");
        std::vector<ItemDef> batch;
        batch.reserve(kBatch);
        double held = 0;
        for (size_t first = 0; first < count; first += kBatch) {
            batch.clear();
            for (size_t i = first; i < std::min(count, first + kBatch); ++i)
                batch.push_back({bench::tagName("Bench.Item", i), "", VT_EMPTY, TRUE,
                                 static_cast<OPCHANDLE>(i)});
            const double before = bytesInUse();
            group.addItems(batch);
            held += bytesInUse() - before;
        }
        state.counters["bytes_per_item"] = held / static_cast<double>(count);
    }
}

BENCHMARK(perTag)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(
    benchmark::kMillisecond);
BENCHMARK(perItem)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(
    benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
