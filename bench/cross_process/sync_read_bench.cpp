// How long one IOPCSyncIO::Read takes when the client and the server are separate processes
// under Wine, for one item and for 10,000 items, beside a read of the same item states from the
// bare server: the median of many calls. Run it in a prefix where the example host and the bare
// server are registered (bare_baseline.h); COM starts both.
//
//   sync_read_bench [CALLS]    CALLS reads of each size (default 31)
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

constexpr size_t kManyItems = 10'000;

// One Read of the handles; its result arrays are freed before the time is taken. values, when
// given, receives the values read, for the bare server to serve the same.
double productRead(IOPCSyncIO* syncIO, const std::vector<OPCHANDLE>& handles,
                   std::vector<VARIANT>* values = nullptr)
{
    OPCITEMSTATE* states = nullptr;
    HRESULT* errors = nullptr;
    const Clock::time_point start = Clock::now();
    const HRESULT hr = syncIO->Read(OPC_DS_CACHE, static_cast<DWORD>(handles.size()),
                                    const_cast<OPCHANDLE*>(handles.data()), &states, &errors);
    const double elapsed = bench::millisecondsSince(start);
    if (FAILED(hr) || !states || !errors)
        throw opcprobe::ProbeFailure("Read", FAILED(hr) ? hr : E_POINTER);
    const auto ownedStates = TaskMem<OPCITEMSTATE>::adopt(states, handles.size());
    const auto ownedErrors = TaskMem<HRESULT>::adopt(errors, handles.size());
    for (size_t i = 0; i < handles.size(); ++i) {
        if (values)
            values->push_back(states[i].vDataValue);
        else
            VariantClear(&states[i].vDataValue);
    }
    return elapsed;
}

double bareRead(IBareGroup* group, const std::vector<OPCHANDLE>& handles)
{
    BAREITEMSTATE* states = nullptr;
    HRESULT* errors = nullptr;
    const Clock::time_point start = Clock::now();
    const HRESULT hr = group->Read(static_cast<DWORD>(handles.size()),
                                   const_cast<DWORD*>(handles.data()), &states, &errors);
    const double elapsed = bench::millisecondsSince(start);
    if (FAILED(hr) || !states || !errors)
        throw opcprobe::ProbeFailure("The bare Read", FAILED(hr) ? hr : E_POINTER);
    const auto ownedStates = TaskMem<BAREITEMSTATE>::adopt(states, handles.size());
    const auto ownedErrors = TaskMem<HRESULT>::adopt(errors, handles.size());
    for (size_t i = 0; i < handles.size(); ++i) VariantClear(&states[i].value);
    return elapsed;
}

int run(int calls)
{
    opcprobe::Session session(example::kExampleClass);
    // 10,000 items over the example's typed tags: every value type crosses the wire.
    std::vector<std::string> names;
    for (size_t i = 0; i < kManyItems; ++i)
        names.emplace_back(example::kTypedTags[i % example::kTypedTags.size()].name);
    opcprobe::ProbeGroup group(session.server());
    std::vector<OPCHANDLE> handles;
    for (const opcprobe::AddedItem& item : group.addItems(names)) {
        if (FAILED(item.error)) throw opcprobe::ProbeFailure("AddItems", item.error);
        handles.push_back(item.server);
    }
    const std::vector<OPCHANDLE> one{handles.front()};

    // The bare server serves the values the product just read, in the same order.
    const BareRef<IBareServer> bareServer = bench::activateBareServer();
    const bench::BareGroup bareGroup(bareServer.get());
    std::vector<VARIANT> values;
    productRead(group.syncIO(), handles, &values);
    const HRESULT stored = bareGroup->SetValues(static_cast<DWORD>(values.size()), values.data());
    for (VARIANT& value : values) VariantClear(&value);
    if (FAILED(stored)) throw opcprobe::ProbeFailure("The bare SetValues", stored);

    bench::printComparison("Read of 1 item",
                           medianOf(calls, [&] { return productRead(group.syncIO(), one); }),
                           medianOf(calls, [&] { return bareRead(bareGroup.get(), one); }), "ms");
    bench::printComparison("Read of 10,000 items",
                           medianOf(calls, [&] { return productRead(group.syncIO(), handles); }),
                           medianOf(calls, [&] { return bareRead(bareGroup.get(), handles); }),
                           "ms");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int calls = bench::countArgument(argc, argv, 31);
    return bench::runBenchmark("sync_read_bench", [calls] { return run(calls); });
}
