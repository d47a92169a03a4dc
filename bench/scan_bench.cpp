// Costs of the data path to clients, in process: the forced scan that builds the data-change
// callbacks of many groups, and the whole road from UpdateTag to a delivered OnDataChange.
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::ItemDef;
using vetrel::test::r4;

constexpr WORD kGood = 0xC0;
// The timer never makes a benchmark group due: every report comes from the forced scans.
constexpr DWORD kServerRate = 60'000;
constexpr DWORD kNeverDue = 3'600'000;

// A client that only counts the items it is handed.
class CountingCallback final : public vetrel::test::SinkBase<IOPCDataCallback>
{
public:
    CountingCallback() : SinkBase(IID_IOPCDataCallback) {}

    size_t items() const { return m_items; }

    HRESULT STDMETHODCALLTYPE OnDataChange(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD dwCount,
                                           OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                                           HRESULT*) override
    {
        m_items += dwCount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD, OPCHANDLE*,
                                             VARIANT*, WORD*, FILETIME*, HRESULT*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnWriteComplete(DWORD, OPCHANDLE, HRESULT, DWORD, OPCHANDLE*,
                                              HRESULT*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD, OPCHANDLE) override { return S_OK; }

private:
    // Callbacks of a forced scan run on the caller's thread, one after the other.
    size_t m_items = 0;
};

// groups × itemsPerGroup tags, each followed by one item of one group with a counting callback.
class Subscription
{
public:
    Subscription(size_t groups, size_t itemsPerGroup)
        : m_client(ClientConnection::connect()), m_callback(new CountingCallback),
          m_itemsPerGroup(itemsPerGroup)
    {
        for (size_t g = 0; g < groups; ++g) {
            std::vector<ItemDef> items;
            for (size_t i = 0; i < itemsPerGroup; ++i) {
                char name[40];
                std::snprintf(name, sizeof name, "Bench.Scan.%03zu.%05zu", g, i);
                m_tags.push_back(CreateTagA(name, r4(0.0f), kGood, TRUE));
                items.push_back({name, "", VT_EMPTY, TRUE, static_cast<OPCHANDLE>(i)});
            }
            ClientGroup group =
                m_client.addGroup("Group " + std::to_string(g), {TRUE, kNeverDue, 0});
            group.addItems(items);
            vetrel::test::adviseSink(group.unknown(), IID_IOPCDataCallback, m_callback.get());
            m_groups.push_back(std::move(group));
        }
        // New items are flagged: report them once so that only updates count from here on.
        RefreshAllClients();
    }
    ~Subscription()
    {
        m_groups.clear();
        m_client.release();
        for (DWORD tag : m_tags) RemoveTag(tag);
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    // Updates every step-th item of every group, starting at offset, to value.
    void update(size_t offset, size_t step, float value) const
    {
        for (size_t first = 0; first < m_tags.size(); first += m_itemsPerGroup)
            for (size_t i = offset; i < m_itemsPerGroup; i += step)
                UpdateTag(m_tags[first + i], r4(value), kGood);
    }
    size_t itemsReported() const { return m_callback->items(); }

private:
    ClientConnection m_client;
    ComPtr<CountingCallback> m_callback;
    size_t m_itemsPerGroup;
    std::vector<DWORD> m_tags;
    std::vector<ClientGroup> m_groups;
};

void reportItemRates(benchmark::State& state, size_t reported)
{
    const auto items = static_cast<double>(reported);
    state.SetItemsProcessed(static_cast<int64_t>(reported));
    state.counters["per_item"] =
        benchmark::Counter(items, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One forced scan over 100 groups of 1,000 items, a tenth of every group changed since the
// last one: the changed items are collected and their callback blocks built and delivered to a
// client that does nothing. The updates themselves are not timed.
void scanTick(benchmark::State& state)
{
    constexpr size_t kGroups = 100, kItemsPerGroup = 1'000, kChangedEvery = 10;
    vetrel::test::startRuntime(kServerRate);
    Subscription subscription(kGroups, kItemsPerGroup);
    const size_t before = subscription.itemsReported();
    size_t tick = 0;
    for (auto _ : state) {
        state.PauseTiming();
        subscription.update(tick % kChangedEvery, kChangedEvery, static_cast<float>(tick));
        ++tick;
        state.ResumeTiming();
        RefreshAllClients();
    }
    const size_t reported = subscription.itemsReported() - before;
    if (reported != tick * kGroups * kItemsPerGroup / kChangedEvery)
        state.SkipWithError("a changed item was not reported");
    reportItemRates(state, reported);
}

// The whole road for one group of 10,000 items: every tag updated, then the scan that hands
// all of them to the client's OnDataChange.
void updateToCallback(benchmark::State& state)
{
    constexpr size_t kItems = 10'000;
    vetrel::test::startRuntime(kServerRate);
    Subscription subscription(1, kItems);
    const size_t before = subscription.itemsReported();
    float value = 0.0f;
    for (auto _ : state) {
        value += 1.0f;
        subscription.update(0, 1, value);
        RefreshAllClients();
    }
    const size_t reported = subscription.itemsReported() - before;
    if (reported != static_cast<size_t>(state.iterations()) * kItems)
        state.SkipWithError("an updated item was not reported");
    reportItemRates(state, reported);
}

BENCHMARK(scanTick)->Unit(benchmark::kMillisecond);
BENCHMARK(updateToCallback)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
