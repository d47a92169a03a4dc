// Cold starts of the example host: COM starts it for a client and hands the client over as soon
// as the class is registered, and that client's first call finds every tag.
#include "example_tags.h"
#include "host_process.h"
#include "opc_client.h"

#include <gtest/gtest.h>

namespace {

// Tags that raced the first client lost about two starts in ten: twenty all but surely show it.
constexpr int kColdStarts = 20;
// The host lingers 2 s after its last client before it ends.
constexpr DWORD kExitTimeoutMs = 10000;

std::vector<std::string_view> everyExampleTag()
{
    std::vector<std::string_view> names(example::kProcessTags.begin(), example::kProcessTags.end());
    for (const example::TypedTag& typed : example::kTypedTags) names.push_back(typed.name);
    return names;
}

// The items that the first AddItems of a fresh connection did not find.
std::vector<std::string_view> unknownOnFirstCall(const std::vector<std::string_view>& names)
{
    HRESULT hr = E_FAIL;
    const e2e::ComPtr<IOPCServer> server = e2e::activateHost<IOPCServer>(IID_IOPCServer, &hr);
    EXPECT_EQ(hr, S_OK);
    if (!server) return names;
    const e2e::AddedGroup group = e2e::addGroup(server.get(), "Cold", 1000, 1);
    EXPECT_EQ(group.result, S_OK);
    if (!group.items) return names;
    const std::vector<e2e::AddedItem> added = e2e::addItems(group.items.get(), names, &hr);
    if (added.size() != names.size()) return names;
    std::vector<std::string_view> unknown;
    for (size_t i = 0; i < names.size(); ++i)
        if (added[i].error != S_OK) unknown.push_back(names[i]);
    return unknown;
}

TEST(ColdStart, TheFirstClientFindsEveryTagOnItsFirstCall)
{
    const e2e::Apartment apartment;
    const std::vector<std::string_view> names = everyExampleTag();
    for (int round = 1; round <= kColdStarts; ++round) {
        ASSERT_TRUE(e2e::hostProcesses().empty()) << "round " << round << " starts warm";
        EXPECT_EQ(unknownOnFirstCall(names), std::vector<std::string_view>()) << "round " << round;
        // The connection is released; the host lingers a little before it ends.
        const std::vector<DWORD> hosts = e2e::hostProcesses();
        EXPECT_EQ(hosts.size(), 1u) << "round " << round;
        // The next round must start the host again: this one is gone before it.
        for (DWORD host : hosts)
            ASSERT_EQ(e2e::waitForExit(host, kExitTimeoutMs), 0u) << "round " << round;
    }
}

} // namespace
