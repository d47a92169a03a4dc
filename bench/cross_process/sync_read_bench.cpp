// How long one IOPCSyncIO::Read takes when the client and the server are separate processes
// under Wine: for one item and for 10,000 items, the median of many calls. Run it in a prefix
// where the example host is registered (scripts/wine-prefix); COM starts the host.
//
//   sync_read_bench [CALLS]    CALLS reads of each size (default 31)
#include "example_identity.h"
#include "example_tags.h"
#include "platform/com_ptr.h"
#include "platform/task_mem.h"
#include "probe_group.h"
#include "session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using vetrel::TaskMem;

constexpr size_t kManyItems = 10'000;

// One Read of the handles; its result arrays are freed before the time is taken.
double readMilliseconds(IOPCSyncIO* syncIO, const std::vector<OPCHANDLE>& handles)
{
    OPCITEMSTATE* states = nullptr;
    HRESULT* errors = nullptr;
    const Clock::time_point start = Clock::now();
    const HRESULT hr = syncIO->Read(OPC_DS_CACHE, static_cast<DWORD>(handles.size()),
                                    const_cast<OPCHANDLE*>(handles.data()), &states, &errors);
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (FAILED(hr) || !states || !errors)
        throw opcprobe::ProbeFailure("Read", FAILED(hr) ? hr : E_POINTER);
    const auto ownedStates = TaskMem<OPCITEMSTATE>::adopt(states, handles.size());
    const auto ownedErrors = TaskMem<HRESULT>::adopt(errors, handles.size());
    for (size_t i = 0; i < handles.size(); ++i) VariantClear(&states[i].vDataValue);
    return elapsed;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void measure(const char* label, IOPCSyncIO* syncIO, const std::vector<OPCHANDLE>& handles,
             int calls)
{
    readMilliseconds(syncIO, handles); // the first call also sets up the connection's buffers
    std::vector<double> samples;
    for (int i = 0; i < calls; ++i) samples.push_back(readMilliseconds(syncIO, handles));
    std::printf("%-22s median %8.3f ms   min %8.3f ms   max %8.3f ms   (%d calls)\n", label,
                median(samples), *std::min_element(samples.begin(), samples.end()),
                *std::max_element(samples.begin(), samples.end()), calls);
}

int run(int calls)
{
    vetrel::ComPtr<IOPCServer> server;
    const HRESULT created = CoCreateInstance(example::kExampleClass, nullptr, CLSCTX_LOCAL_SERVER,
                                             IID_IOPCServer, server.putVoid());
    if (FAILED(created)) throw opcprobe::ProbeFailure("Activating the example host", created);

    // 10,000 items over the example's typed tags: every value type crosses the wire.
    std::vector<std::string> names;
    for (size_t i = 0; i < kManyItems; ++i)
        names.emplace_back(example::kTypedTags[i % example::kTypedTags.size()].name);
    opcprobe::ProbeGroup group(server.get());
    std::vector<OPCHANDLE> handles;
    for (const opcprobe::AddedItem& item : group.addItems(names)) {
        if (FAILED(item.error)) throw opcprobe::ProbeFailure("AddItems", item.error);
        handles.push_back(item.server);
    }
    measure("Read of 1 item", group.syncIO(), {handles.front()}, calls);
    measure("Read of 10,000 items", group.syncIO(), handles, calls);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int status = 1;
    try {
        status = run(calls);
    } catch (const opcprobe::ProbeFailure& failure) {
        std::fprintf(stderr, "sync_read_bench: %s\n", failure.what());
    }
    CoUninitialize();
    return status;
}
