// How long IOPCServer::AddGroup and RemoveGroup take on one connection while its groups grow to
// 10,000 and shrink again, beside the bare server's calls of the same payload: the median of
// the 100 calls before the connection holds 1,000, 5,000 and 10,000 groups, and of the 100
// calls from each of those counts down. Run it in a prefix where the example host and the bare
// server are registered (bare_baseline.h); COM starts both.
//
//   add_group_bench [GROUPS]    groups to add and remove (default 10,000)
#include "bare_baseline.h"
#include "bench_main.h"
#include "example_identity.h"
#include "figures.h"
#include "session.h"

#include <array>
#include <string>
#include <vector>

namespace {

using bench::Clock;

constexpr size_t kWindow = 100;
constexpr std::array<size_t, 3> kSizes{1'000, 5'000, 10'000};

struct GroupCalls
{
    // Milliseconds of each call: adds[i] found i groups listed, removes[i] found all but i.
    std::vector<double> adds;
    std::vector<double> removes;
};

struct Listed
{
    DWORD handle = 0;
    BareRef<IUnknown> group;
};

// Groups with an empty name, as many as asked, then their removal in the order they were added; the
// client holds each group until it has removed it. Server is IOPCServer or IBareServer.
template <typename Server> GroupCalls churnGroups(Server* server, size_t groups)
{
    GroupCalls calls;
    std::vector<Listed> listed(groups);
    // Each gets the server's next default name.
    const wchar_t noName[] = L"";
    for (size_t i = 0; i < groups; ++i) {
        DWORD revisedRate = 0;
        const Clock::time_point start = Clock::now();
        const HRESULT hr =
            server->AddGroup(noName, FALSE, 1000, static_cast<DWORD>(i), nullptr, nullptr, 0,
                             &listed[i].handle, &revisedRate, IID_IUnknown, listed[i].group.put());
        calls.adds.push_back(bench::millisecondsSince(start));
        if (FAILED(hr)) throw opcprobe::ProbeFailure("AddGroup", hr);
    }
    for (Listed& entry : listed) {
        const Clock::time_point start = Clock::now();
        const HRESULT hr = server->RemoveGroup(entry.handle, FALSE);
        calls.removes.push_back(bench::millisecondsSince(start));
        if (FAILED(hr)) throw opcprobe::ProbeFailure("RemoveGroup", hr);
        entry.group.reset();
    }
    return calls;
}

double windowMedian(const std::vector<double>& calls, size_t first)
{
    return bench::median({calls.begin() + static_cast<std::ptrdiff_t>(first),
                          calls.begin() + static_cast<std::ptrdiff_t>(first + kWindow)});
}

int run(size_t groups)
{
    opcprobe::Session session(example::kExampleClass);
    const GroupCalls product = churnGroups(session.server(), groups);
    const BareRef<IBareServer> bareServer = bench::activateBareServer();
    const GroupCalls bare = churnGroups(bareServer.get(), groups);
    for (const size_t size : kSizes) {
        if (size > groups || size < kWindow) continue;
        const std::string added = "AddGroup, up to " + std::to_string(size) + " groups";
        bench::printComparison(added.c_str(), windowMedian(product.adds, size - kWindow),
                               windowMedian(bare.adds, size - kWindow), "ms");
        const std::string removed = "RemoveGroup, from " + std::to_string(size) + " groups";
        bench::printComparison(removed.c_str(), windowMedian(product.removes, groups - size),
                               windowMedian(bare.removes, groups - size), "ms");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const auto groups = static_cast<size_t>(bench::countArgument(argc, argv, 10'000));
    return bench::runBenchmark("add_group_bench", [groups] { return run(groups); });
}
