// Costs of the host's tag operations against stores of 100 to 1,000,000 tags under one branch,
// and the memory a tag takes.
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using vetrel::test::r4;

constexpr WORD kGood = 0xC0;

// 20-character names under one branch: "Bench.Tag.000000123".
std::string tagName(const char* prefix, size_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s.%09zu", prefix, index);
    return name;
}

class Store
{
public:
    Store(const char* prefix, size_t count)
    {
        m_handles.reserve(count);
        for (size_t i = 0; i < count; ++i)
            m_handles.push_back(CreateTagA(tagName(prefix, i).c_str(), r4(0.0f), kGood, TRUE));
    }
    ~Store()
    {
        for (DWORD handle : m_handles) RemoveTag(handle);
    }
    const std::vector<DWORD>& handles() const { return m_handles; }

private:
    std::vector<DWORD> m_handles;
};

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

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// Resident memory growth per tag, reported as a counter. Run it alone
// (--benchmark_filter=memoryPerTag): after other benchmarks the heap reuses freed pages.
void memoryPerTag(benchmark::State& state)
{
    const auto count = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        const long before = residentKiB();
        Store store("Bench.Mem", count);
        const long after = residentKiB();
        state.counters["bytes_per_tag"] =
            static_cast<double>(after - before) * 1024.0 / static_cast<double>(count);
    }
}

BENCHMARK(createTag)->Arg(100)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kNanosecond);
BENCHMARK(updateTag)->Arg(100)->Arg(10'000)->Arg(1'000'000);
BENCHMARK(updateTagByName)->Arg(100)->Arg(10'000)->Arg(1'000'000);
BENCHMARK(readTag)->Arg(100)->Arg(10'000)->Arg(1'000'000);
BENCHMARK(memoryPerTag)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
