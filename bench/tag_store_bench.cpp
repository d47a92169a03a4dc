// Costs of the host's tag operations against stores of 100 to 1,000,000 tags under one branch.
#include "tag_store.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using bench::kGood;
using bench::Store;
using bench::tagName;
using vetrel::test::r4;

void createTag(benchmark::State& state)
{
    Store store("Bench.Tag", static_cast<size_t>(state.range(0)));
    std::vector<DWORD> created;
    size_t next = 0;
    for (auto _ : state) {
        const std::string name = tagName("Bench.New", next++);
        created.push_back(CreateTagA(name.c_str(), r4(1.0f), kGood, FALSE));
    }
    for (DWORD handle : created) RemoveTag(handle);
}

void updateTag(benchmark::State& state)
{
    Store store("Bench.Tag", static_cast<size_t>(state.range(0)));
    const auto& handles = store.handles();
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(UpdateTag(handles[next], r4(2.0f), kGood));
        next = next + 1 == handles.size() ? 0 : next + 1;
    }
}

// The same, with one item of one client's group following each tag: the road into the item.
void updateFollowedTag(benchmark::State& state)
{
    const auto count = static_cast<size_t>(state.range(0));
    vetrel::test::startRuntime(60'000);
    Store store("Bench.Followed", count);
    const bench::FollowingGroup group("Bench.Followed", count);
    const auto& handles = store.handles();
    size_t next = 0;
    float value = 0.0f;
    for (auto _ : state) {
        // A new value every round, so that every update moves the item.
        if (next == 0) value += 1.0f;
        benchmark::DoNotOptimize(UpdateTag(handles[next], r4(value), kGood));
        next = next + 1 == handles.size() ? 0 : next + 1;
    }
}

void updateTagByName(benchmark::State& state)
{
    const auto count = static_cast<size_t>(state.range(0));
    Store store("Bench.Tag", count);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; i += std::max<size_t>(1, count / 1000))
        names.push_back(tagName("Bench.Tag", i));
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(UpdateTagByNameA(names[next].c_str(), r4(3.0f), kGood));
        next = next + 1 == names.size() ? 0 : next + 1;
    }
}

void readTag(benchmark::State& state)
{
    Store store("Bench.Tag", static_cast<size_t>(state.range(0)));
    const auto& handles = store.handles();
    VARIANT value;
    VariantInit(&value);
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadTag(handles[next], &value));
        next = next + 1 == handles.size() ? 0 : next + 1;
    }
    VariantClear(&value);
}

BENCHMARK(createTag)->Arg(100)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kNanosecond);
BENCHMARK(updateTag)->Arg(100)->Arg(10'000)->Arg(1'000'000);
BENCHMARK(updateFollowedTag)->Arg(100)->Arg(10'000)->Arg(1'000'000);
BENCHMARK(updateTagByName)->Arg(100)->Arg(10'000)->Arg(1'000'000);
BENCHMARK(readTag)->Arg(100)->Arg(10'000)->Arg(1'000'000);

} // namespace

BENCHMARK_MAIN();
