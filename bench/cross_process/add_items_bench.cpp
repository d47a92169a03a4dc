// How long IOPCItemMgt::AddItems of 10,000 items takes across processes, each time into a new
// group, beside the bare server's AddItems of the same definitions and results: the median of
// RUNS calls each. Run it in a prefix where the example host and the bare server are registered
// (bare_baseline.h); COM starts both.
//
//   add_items_bench [RUNS]    calls of each (default 11)
#include "bare_baseline.h"
#include "bench_main.h"
#include "example_identity.h"
#include "example_tags.h"
#include "figures.h"
#include "platform/task_mem.h"
#include "probe_group.h"
#include "session.h"

#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::medianOf;
using vetrel::TaskMem;

constexpr size_t kItems = 10'000;

// The item IDs of 10,000 items over the example's typed tags, and both servers' definitions
// of them.
struct Definitions
{
    std::vector<std::wstring> itemIDs;
    std::vector<OPCITEMDEF> product;
    std::vector<BAREITEMDEF> bare;
};

Definitions makeDefinitions()
{
    Definitions definitions;
    for (size_t i = 0; i < kItems; ++i) {
        const std::string_view name = example::kTypedTags[i % example::kTypedTags.size()].name;
        definitions.itemIDs.emplace_back(name.begin(), name.end());
    }
    static wchar_t noAccessPath[] = L"";
    for (size_t i = 0; i < kItems; ++i) {
        const auto client = static_cast<DWORD>(i);
        LPWSTR itemID = definitions.itemIDs[i].data();
        definitions.product.push_back(
            {noAccessPath, itemID, TRUE, client, 0, nullptr, VT_EMPTY, 0});
        definitions.bare.push_back({noAccessPath, itemID, TRUE, client, 0, nullptr, VT_EMPTY, 0});
    }
    return definitions;
}

double productAddItems(IOPCServer* server, std::vector<OPCITEMDEF>& definitions)
{
    const opcprobe::ProbeGroup group(server);
    const auto items = vetrel::ComPtr<IUnknown>(group.object()).as<IOPCItemMgt>(IID_IOPCItemMgt);
    if (!items) throw opcprobe::ProbeFailure("Finding IOPCItemMgt", E_NOINTERFACE);
    OPCITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    const Clock::time_point start = Clock::now();
    const HRESULT hr = items->AddItems(static_cast<DWORD>(definitions.size()), definitions.data(),
                                       &results, &errors);
    const double elapsed = bench::millisecondsSince(start);
    const auto ownedResults = TaskMem<OPCITEMRESULT>::adopt(results, definitions.size());
    const auto ownedErrors = TaskMem<HRESULT>::adopt(errors, definitions.size());
    if (hr != S_OK) throw opcprobe::ProbeFailure("AddItems", hr);
    return elapsed;
}

double bareAddItems(IBareServer* server, std::vector<BAREITEMDEF>& definitions)
{
    const bench::BareGroup group(server);
    BAREITEMRESULT* results = nullptr;
    HRESULT* errors = nullptr;
    const Clock::time_point start = Clock::now();
    const HRESULT hr = group->AddItems(static_cast<DWORD>(definitions.size()), definitions.data(),
                                       &results, &errors);
    const double elapsed = bench::millisecondsSince(start);
    const auto ownedResults = TaskMem<BAREITEMRESULT>::adopt(results, definitions.size());
    const auto ownedErrors = TaskMem<HRESULT>::adopt(errors, definitions.size());
    if (hr != S_OK) throw opcprobe::ProbeFailure("The bare AddItems", hr);
    return elapsed;
}

int run(int runs)
{
    Definitions definitions = makeDefinitions();
    opcprobe::Session session(example::kExampleClass);
    const double product =
        medianOf(runs, [&] { return productAddItems(session.server(), definitions.product); });
    const BareRef<IBareServer> bareServer = bench::activateBareServer();
    const double bare =
        medianOf(runs, [&] { return bareAddItems(bareServer.get(), definitions.bare); });
    bench::printComparison("AddItems of 10,000 items", product, bare, "ms");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = bench::countArgument(argc, argv, 11);
    return bench::runBenchmark("add_items_bench", [runs] { return run(runs); });
}
