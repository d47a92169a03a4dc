// Every OPC call a Data Access client makes on groups, items and values, from a client process
// to the example host through the proxy/stub DLL. One host serves every case of this program:
// the suite holds a connection from start to end, and the host's exit at the end shows that it
// counted every connection back to 0. Listings and opcprobe's reports are held against the same
// calls in process, on the example's tags in a runtime of this program's own.
#include "child_process.h"
#include "command_run.h"
#include "example_tags.h"
#include "host_process.h"
#include "in_process_example.h"
#include "opc_client.h"
#include "tests/unit/opcprobe_options.h"
#include "typed_values.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

namespace {

using e2e::ComPtr;

constexpr DWORD kExitTimeoutMs = 30000;
constexpr size_t kManyItems = 10'000;

class Opc : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_apartment = new e2e::Apartment;
        HRESULT hr = E_FAIL;
        s_server = new ComPtr<IOPCServer>(e2e::activateHost<IOPCServer>(IID_IOPCServer, &hr));
        ASSERT_EQ(hr, S_OK);
        ASSERT_EQ(e2e::hostProcesses().size(), 1u);
    }

    static void TearDownTestSuite()
    {
        const std::vector<DWORD> hosts = e2e::hostProcesses();
        delete s_server;
        for (DWORD host : hosts)
            EXPECT_EQ(e2e::waitForExit(host, kExitTimeoutMs), 0u)
                << "the host must end cleanly once the last connection is gone";
        delete s_apartment;
    }

    IOPCServer* server() const { return s_server->get(); }

    // A fresh group of this test, removed at the end of the test.
    e2e::AddedGroup group(std::string_view name)
    {
        e2e::AddedGroup added = e2e::addGroup(server(), name, 1000, 42);
        EXPECT_EQ(added.result, S_OK) << name;
        m_groups.push_back(added.handle);
        return added;
    }

    void TearDown() override
    {
        for (OPCHANDLE handle : m_groups) server()->RemoveGroup(handle, TRUE);
    }

    static e2e::Apartment* s_apartment;
    static ComPtr<IOPCServer>* s_server;
    std::vector<OPCHANDLE> m_groups;
};

e2e::Apartment* Opc::s_apartment = nullptr;
ComPtr<IOPCServer>* Opc::s_server = nullptr;

std::vector<OPCHANDLE> handlesOf(const std::vector<e2e::AddedItem>& items)
{
    std::vector<OPCHANDLE> handles;
    for (const e2e::AddedItem& item : items) handles.push_back(item.handle);
    return handles;
}

struct ProbeOutput
{
    unsigned long exitCode = 0;
    std::vector<std::string> lines;
};

// The lines of what opcprobe printed, each timestamp masked: the tags of the host and those of
// this process were created and updated at other moments. Item values and the timestamp
// property alike carry them as UTC text.
std::vector<std::string> maskedLines(std::string output)
{
    static const std::regex timestamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    std::erase(output, '\r');
    std::vector<std::string> lines;
    std::istringstream text(output);
    for (std::string line; std::getline(text, line);)
        lines.push_back(std::regex_replace(line, timestamp, "<timestamp>"));
    return lines;
}

// opcprobe.exe in its own process, on the host.
ProbeOutput probeHost(const std::string& arguments)
{
    const e2e::ProgramRun run =
        e2e::runProgram("opcprobe.exe", "--progid Vetrel.ExampleHost " + arguments);
    return {run.exitCode, maskedLines(run.output)};
}

// The same command line run by opcprobe's code in this process, on the example's tags here.
ProbeOutput probeInProcess(const std::string& arguments)
{
    std::vector<std::string> tokens = {"--progid", "Vetrel.ExampleHost"};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) tokens.push_back(word);
    const opcprobe::Options options = opcprobe::test::parse(tokens);
    opcprobe::Session session(e2e::inProcessExample());
    std::ostringstream out, errors;
    const std::atomic<bool> interrupted{false};
    int exitCode = 0;
    try {
        exitCode = opcprobe::runCommand(options, session, out, interrupted);
    } catch (const opcprobe::ProbeFailure& failure) {
        exitCode = opcprobe::reportFailure(options, failure, out, errors);
    }
    return {static_cast<unsigned long>(exitCode), maskedLines(out.str())};
}

ComPtr<IEnumString> flatListing(IOPCServer* server)
{
    const auto browse = ComPtr<IOPCServer>(server).as<IOPCBrowseServerAddressSpace>(
        IID_IOPCBrowseServerAddressSpace);
    ComPtr<IEnumString> names;
    OLECHAR noFilter[] = {0};
    EXPECT_TRUE(browse);
    if (!browse) return names;
    EXPECT_EQ(browse->BrowseOPCItemIDs(OPC_FLAT, noFilter, VT_EMPTY, 0, names.put()), S_OK);
    return names;
}

// Every string, batch at a time: each batch but the last is full and answers S_OK; the last is
// short, perhaps empty, and answers S_FALSE.
std::vector<std::string> drain(IEnumString* enumerator, ULONG batch)
{
    std::vector<std::string> drained;
    if (!enumerator) return drained;
    for (;;) {
        std::vector<LPOLESTR> strings(batch, nullptr);
        // With nothing left, the runtime in process leaves the count as it was.
        ULONG fetched = 0;
        const HRESULT hr = enumerator->Next(batch, strings.data(), &fetched);
        EXPECT_TRUE(hr == S_OK ? fetched == batch : hr == S_FALSE && fetched < batch)
            << "Next(" << batch << ") answered " << hr << " with " << fetched;
        for (ULONG i = 0; i < std::min(fetched, batch); ++i) {
            EXPECT_NE(strings[i], nullptr) << i << " of " << fetched;
            drained.push_back(e2e::takeText(strings[i]));
            EXPECT_FALSE(drained.back().empty()) << i << " of " << fetched;
        }
        if (hr != S_OK || fetched != batch) return drained;
    }
}

// The names of the server's groups, from one Next that asks for more than there are.
std::vector<std::string> groupNames(IOPCServer* server)
{
    constexpr ULONG kMore = 10;
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(
        server->CreateGroupEnumerator(OPC_ENUM_ALL_CONNECTIONS, IID_IEnumUnknown, unknown.put()),
        S_OK);
    const auto groups = unknown.as<IEnumUnknown>(IID_IEnumUnknown);
    std::vector<std::string> names;
    if (!groups) return names;
    IUnknown* batch[kMore] = {};
    ULONG fetched = 0;
    EXPECT_EQ(groups->Next(kMore, batch, &fetched), S_FALSE);
    for (ULONG i = 0; i < std::min(fetched, kMore); ++i) {
        ComPtr<IUnknown> group;
        group.attach(batch[i]);
        const auto state = group.as<IOPCGroupStateMgt>(IID_IOPCGroupStateMgt);
        EXPECT_TRUE(state) << i << " of " << fetched;
        if (!state) continue;
        DWORD rate = 0, lcid = 0;
        BOOL active = FALSE;
        LPWSTR name = nullptr;
        LONG bias = 0;
        FLOAT deadband = 0;
        OPCHANDLE client = 0, handle = 0;
        EXPECT_EQ(state->GetState(&rate, &active, &name, &bias, &deadband, &lcid, &client, &handle),
                  S_OK);
        names.push_back(e2e::takeText(name));
    }
    return names;
}

TEST_F(Opc, StatusAndErrorTextsCrossWithTheirStrings)
{
    OPCSERVERSTATUS* status = nullptr;
    ASSERT_EQ(server()->GetStatus(&status), S_OK);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->dwServerState, OPC_STATUS_RUNNING);
    // The server's marker in the reserved word shows the whole structure crossed.
    EXPECT_EQ(status->wReserved, 42);
    const ULONGLONG started =
        (ULONGLONG(status->ftStartTime.dwHighDateTime) << 32) | status->ftStartTime.dwLowDateTime;
    const ULONGLONG now = (ULONGLONG(status->ftCurrentTime.dwHighDateTime) << 32) |
                          status->ftCurrentTime.dwLowDateTime;
    EXPECT_GT(started, 0u);
    EXPECT_LE(started, now);
    EXPECT_FALSE(e2e::takeText(status->szVendorInfo).empty());
    CoTaskMemFree(status);

    LPWSTR text = nullptr;
    ASSERT_EQ(server()->GetErrorString(E_FAIL, 0x0409, &text), S_OK);
    EXPECT_EQ(e2e::takeText(text), "Return Svr Specific Error Description Here!");
}

TEST_F(Opc, GroupsAreAddedFoundAndRemoved)
{
    const e2e::AddedGroup added = group("Line");
    ASSERT_TRUE(added.items);
    EXPECT_NE(added.handle, 0u);
    EXPECT_EQ(added.revisedRate, 1000u);

    ComPtr<IOPCGroupStateMgt> state = added.items.as<IOPCGroupStateMgt>(IID_IOPCGroupStateMgt);
    ASSERT_TRUE(state);
    DWORD rate = 0, lcid = 0;
    BOOL active = FALSE;
    LPWSTR name = nullptr;
    LONG bias = 0;
    FLOAT deadband = 0;
    OPCHANDLE client = 0, serverHandle = 0;
    ASSERT_EQ(
        state->GetState(&rate, &active, &name, &bias, &deadband, &lcid, &client, &serverHandle),
        S_OK);
    EXPECT_EQ(e2e::takeText(name), "Line");
    EXPECT_EQ(rate, 1000u);
    EXPECT_TRUE(active);
    EXPECT_EQ(bias, 60);
    EXPECT_FLOAT_EQ(deadband, 2.5f);
    EXPECT_EQ(lcid, 0x0409u);
    EXPECT_EQ(client, 42u);
    EXPECT_EQ(serverHandle, added.handle);

    // The optional inputs travel as null pointers.
    const auto unnamed = e2e::wide("Plain");
    OPCHANDLE plainHandle = 0;
    DWORD plainRate = 0;
    ComPtr<IUnknown> plain;
    ASSERT_EQ(server()->AddGroup(reinterpret_cast<LPCWSTR>(unnamed.c_str()), FALSE, 0, 1, nullptr,
                                 nullptr, 0, &plainHandle, &plainRate, IID_IUnknown, plain.put()),
              S_OK);
    m_groups.push_back(plainHandle);

    EXPECT_EQ(e2e::addGroup(server(), "Line", 1000, 1).result, OPC_E_DUPLICATENAME);
    ComPtr<IUnknown> found;
    const auto lineName = e2e::wide("Line");
    EXPECT_EQ(server()->GetGroupByName(reinterpret_cast<LPCWSTR>(lineName.c_str()), IID_IUnknown,
                                       found.put()),
              S_OK);
    EXPECT_TRUE(found);

    EXPECT_EQ(server()->RemoveGroup(plainHandle, FALSE), S_OK);
    EXPECT_EQ(server()->RemoveGroup(plainHandle, FALSE), E_FAIL);
}

TEST_F(Opc, AddsOneItemAndTenThousandInOneCall)
{
    const e2e::AddedGroup added = group("Items");
    HRESULT hr = E_FAIL;
    const std::vector<e2e::AddedItem> one =
        e2e::addItems(added.items.get(), {example::kTankLevel}, &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].error, S_OK);
    EXPECT_EQ(one[0].canonicalType, VT_R4);
    EXPECT_EQ(one[0].accessRights, static_cast<DWORD>(OPC_READABLE | OPC_WRITEABLE));

    std::vector<std::string_view> names;
    for (size_t i = 0; i < kManyItems; ++i)
        names.push_back(example::kTypedTags[i % example::kTypedTags.size()].name);
    const std::vector<e2e::AddedItem> many = e2e::addItems(added.items.get(), names, &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(many.size(), kManyItems);
    for (size_t i = 0; i < kManyItems; ++i) {
        ASSERT_EQ(many[i].error, S_OK) << i;
        ASSERT_EQ(many[i].canonicalType, example::kTypedTags[i % example::kTypedTags.size()].type);
    }

    ComPtr<IOPCSyncIO> io = added.items.as<IOPCSyncIO>(IID_IOPCSyncIO);
    ASSERT_TRUE(io);
    const std::vector<e2e::ReadValue> values = e2e::readItems(io.get(), handlesOf(many), &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(values.size(), kManyItems);
    for (size_t i = 0; i < kManyItems; ++i) {
        ASSERT_EQ(values[i].error, S_OK) << i;
        ASSERT_EQ(values[i].client, i);
        ASSERT_EQ(values[i].value.type(), many[i].canonicalType) << i;
    }

    // A batch with an unknown name adds the rest and reports that one.
    const std::vector<e2e::AddedItem> mixed =
        e2e::addItems(added.items.get(), {example::kLineCount, "No.Such.Tag"}, &hr);
    EXPECT_EQ(hr, S_FALSE);
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed[0].error, S_OK);
    EXPECT_EQ(mixed[1].error, OPC_E_UNKNOWNITEMID);
}

TEST_F(Opc, EveryValueTypeIsWrittenAndReadBack)
{
    const e2e::AddedGroup added = group("Types");
    const std::vector<e2e::TypedValue> samples = e2e::distinctiveValues();
    std::vector<std::string_view> names;
    for (const e2e::TypedValue& sample : samples) names.push_back(sample.tag);
    HRESULT hr = E_FAIL;
    const std::vector<e2e::AddedItem> items = e2e::addItems(added.items.get(), names, &hr);
    ASSERT_EQ(hr, S_OK);
    ComPtr<IOPCSyncIO> io = added.items.as<IOPCSyncIO>(IID_IOPCSyncIO);
    ASSERT_TRUE(io);

    std::vector<VARIANT> values;
    for (const e2e::TypedValue& sample : samples) values.push_back(sample.value.get());
    const std::vector<HRESULT> written = e2e::writeItems(io.get(), handlesOf(items), values, &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(written.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i) EXPECT_EQ(written[i], S_OK) << samples[i].tag;

    const std::vector<e2e::ReadValue> read = e2e::readItems(io.get(), handlesOf(items), &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(read.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(read[i].error, S_OK) << samples[i].tag;
        EXPECT_EQ(read[i].quality, OPC_QUALITY_GOOD) << samples[i].tag;
        EXPECT_TRUE(e2e::sameValue(read[i].value.get(), samples[i].value.get())) << samples[i].tag;
    }
}

TEST_F(Opc, WritesAreConvertedOrRefusedPerItem)
{
    const e2e::AddedGroup added = group("Conversions");
    HRESULT hr = E_FAIL;
    const std::vector<e2e::AddedItem> items =
        e2e::addItems(added.items.get(), {"Example.Types.R8", example::kTankProfile}, &hr);
    ASSERT_EQ(hr, S_OK);
    ComPtr<IOPCSyncIO> io = added.items.as<IOPCSyncIO>(IID_IOPCSyncIO);
    ASSERT_TRUE(io);

    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    const auto digits = e2e::wide("2.5");
    text.bstrVal = SysAllocString(digits.c_str());
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_R8;
    number.dblVal = 1.0;
    const std::vector<HRESULT> written =
        e2e::writeItems(io.get(), handlesOf(items), {text, number}, &hr);
    VariantClear(&text);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], S_OK);
    EXPECT_EQ(written[1], OPC_E_BADTYPE) << "the profile is read-only";

    std::vector<OPCHANDLE> handles = handlesOf(items);
    handles.push_back(0xDEADBEEF);
    const std::vector<e2e::ReadValue> read = e2e::readItems(io.get(), handles, &hr);
    EXPECT_EQ(hr, S_OK);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].value.type(), VT_R8);
    EXPECT_EQ(read[0].value.get().dblVal, 2.5);
    EXPECT_EQ(read[1].value.type(), VT_ARRAY | VT_R4);
    EXPECT_EQ(read[2].error, OPC_E_INVALIDHANDLE);
}

TEST_F(Opc, OpcprobeInItsOwnProcessReadsAndWritesTheHost)
{
    const e2e::ProgramRun written = e2e::runProgram(
        "opcprobe.exe", "--progid Vetrel.ExampleHost --json write Example.Types.I4=-17");
    ASSERT_EQ(written.exitCode, 0u) << written.output;

    const e2e::ProgramRun read = e2e::runProgram(
        "opcprobe.exe",
        "--progid Vetrel.ExampleHost --json read Example.Types.I4 Example.Tank.Profile No.Such");
    EXPECT_EQ(read.exitCode, 1u) << "one item failed";
    const nlohmann::json document = nlohmann::json::parse(read.output);
    ASSERT_EQ(document["items"].size(), 3u);
    EXPECT_EQ(document["items"][0]["value"], -17);
    EXPECT_EQ(document["items"][0]["type"], "VT_I4");
    EXPECT_EQ(document["items"][0]["quality"], OPC_QUALITY_GOOD);
    EXPECT_TRUE(document["items"][1]["value"].is_array());
    EXPECT_EQ(document["items"][2]["error"]["name"], "OPC_E_UNKNOWNITEMID");

    const e2e::ProgramRun status =
        e2e::runProgram("opcprobe.exe", "--progid Vetrel.ExampleHost --json status");
    ASSERT_EQ(status.exitCode, 0u) << status.output;
    EXPECT_EQ(nlohmann::json::parse(status.output)["state"], "running");
    EXPECT_EQ(e2e::hostProcesses().size(), 1u) << "every client shares the running host";
}

// Opcprobe's own code run in this process on the example's tags here: what opcprobe.exe prints
// of the host must be that, line for line, once the timestamps are masked.
TEST_F(Opc, OpcprobePrintsOfTheHostWhatItPrintsInProcess)
{
    struct Case
    {
        std::string arguments;
        unsigned long exitCode;
    };
    // The write comes first, so that what the reads show does not depend on other cases' writes.
    const std::vector<Case> cases = {
        {"write Example.Types.I4=-17 Example.Types.R8=2.5 Example.Types.BSTR=text "
         "Example.Types.BOOL=true Example.Types.ARRAY=[1.5,2,3,4] No.Such=1",
         1},
        // Refused by the probe itself, in the item's type, before anything is sent.
        {"write Example.Types.R8=abc Example.Types.R4=1,5 Example.Types.UI1=300", 1},
        {"read Example.Types.I4 Example.Types.R8 Example.Types.BSTR Example.Types.BOOL "
         "Example.Types.ARRAY Example.Tank.Inflow Example.Host.Quit No.Such",
         1},
        {"--json read Example.Types.ARRAY Example.Tank.Inflow No.Such", 1},
        {"browse", 0},
        {"browse --flat", 0},
        {"--json browse", 0},
        {"properties Example.Tank.Inflow", 0},
        {"--json properties Example.Types.ARRAY", 0},
        {"--json properties No.Such", 1},
        {"--da 3 browse --flat", 0},
        {"--da 3 --json browse", 0},
        {"--da 3 properties Example.Tank.Inflow", 0},
        {"--da 3 --json properties No.Such", 1},
    };
    for (const Case& probe : cases) {
        const ProbeOutput acrossProcesses = probeHost(probe.arguments);
        const ProbeOutput inProcess = probeInProcess(probe.arguments);
        EXPECT_EQ(acrossProcesses.exitCode, probe.exitCode) << probe.arguments;
        EXPECT_EQ(inProcess.exitCode, probe.exitCode) << probe.arguments;
        EXPECT_FALSE(inProcess.lines.empty()) << probe.arguments;
        EXPECT_EQ(acrossProcesses.lines, inProcess.lines) << probe.arguments;
    }
}

// The host's namespace, properties and values print the same through either interface set.
TEST_F(Opc, OpcprobePrintsTheSameThroughDa2AndDa3)
{
    const std::pair<std::string, unsigned long> cases[] = {
        {"browse", 0},
        {"browse --flat", 0},
        {"--json browse", 0},
        {"properties Example.Tank.Inflow", 0},
        // The values the first write of this program left, written again.
        {"write Example.Types.I4=-17 Example.Types.R8=abc No.Such=1", 1},
        {"--json read Example.Types.I4 Example.Types.BSTR Example.Tank.Inflow No.Such", 1},
        // Items that stay as they are: every line is the first report's.
        {"watch Example.Types.I4 Example.Types.BSTR No.Such --rate 100 --for 1", 1},
    };
    for (const auto& [command, exitCode] : cases) {
        const ProbeOutput da2 = probeHost("--da 2 " + command);
        EXPECT_EQ(da2.exitCode, exitCode) << command;
        EXPECT_FALSE(da2.lines.empty()) << command;
        EXPECT_EQ(probeHost("--da 3 " + command).lines, da2.lines) << command;
        EXPECT_EQ(probeHost(command).lines, da2.lines) << command;
    }
}

// "name|item ID|flags" of every element below itemID, max at a time, following the
// continuation points; calls counts the calls.
std::vector<std::string> browseElements(IOPCServer* server, const std::string& itemID, DWORD max,
                                        int& calls)
{
    const auto browse = ComPtr<IOPCServer>(server).as<IOPCBrowse>(IID_IOPCBrowse);
    std::vector<std::string> elements;
    EXPECT_TRUE(browse);
    if (!browse) return elements;
    auto id = e2e::wide(itemID), none = e2e::wide("");
    LPWSTR point = nullptr;
    // The proxy takes no null array, even an empty one.
    DWORD noProperty = 0;
    for (calls = 1; calls < 100; ++calls) {
        BOOL more = FALSE;
        DWORD count = 0;
        OPCBROWSEELEMENT* batch = nullptr;
        EXPECT_EQ(browse->Browse(id.data(), &point, max, OPC_BROWSE_FILTER_ALL, none.data(),
                                 none.data(), FALSE, FALSE, 0, &noProperty, &more, &count, &batch),
                  S_OK);
        if (max) {
            EXPECT_LE(count, max);
        }
        for (DWORD i = 0; i < count; ++i)
            elements.push_back(e2e::takeText(batch[i].szName) + "|" +
                               e2e::takeText(batch[i].szItemID) + "|" +
                               std::to_string(batch[i].dwFlagValue));
        CoTaskMemFree(batch);
        EXPECT_EQ(more != FALSE, point != nullptr);
        if (!point) break;
    }
    return elements;
}

// A client browses the host through IOPCBrowse batch by batch: the continuation point goes out
// and comes back through the proxy, and the elements are those of the same server in process.
TEST_F(Opc, Da3BrowseCarriesItsContinuationPointsAcrossProcesses)
{
    opcprobe::Session local(e2e::inProcessExample());
    for (const std::string itemID : {"", "Example", "Example.Types"}) {
        int calls = 0;
        const std::vector<std::string> whole = browseElements(local.server(), itemID, 0, calls);
        ASSERT_FALSE(whole.empty()) << itemID;
        for (const DWORD max : {0u, 1u, 2u, 3u}) {
            EXPECT_EQ(browseElements(server(), itemID, max, calls), whole) << itemID << " " << max;
            EXPECT_EQ(calls, max ? static_cast<int>((whole.size() + max - 1) / max) : 1)
                << itemID << " " << max;
        }
    }

    const auto browse = ComPtr<IOPCServer>(server()).as<IOPCBrowse>(IID_IOPCBrowse);
    ASSERT_TRUE(browse);
    auto id = e2e::wide("Example"), none = e2e::wide(""),
         forged = e2e::wide("vetrel-browse:999999");
    LPWSTR point = static_cast<LPWSTR>(CoTaskMemAlloc((forged.size() + 1) * sizeof(OLECHAR)));
    std::copy(forged.c_str(), forged.c_str() + forged.size() + 1, point);
    BOOL more = FALSE;
    DWORD count = 0, noProperty = 0;
    OPCBROWSEELEMENT* batch = nullptr;
    EXPECT_EQ(browse->Browse(id.data(), &point, 1, OPC_BROWSE_FILTER_ALL, none.data(), none.data(),
                             FALSE, FALSE, 0, &noProperty, &more, &count, &batch),
              OPC_E_INVALIDCONTINUATIONPOINT);
    EXPECT_EQ(count, 0u);
    CoTaskMemFree(point);

    // Properties of many items in one call cross whole, each item with its own answer.
    std::vector<std::basic_string<OLECHAR>> items = {
        e2e::wide("Example.Tank.Level"), e2e::wide("No.Such"), e2e::wide("Example.Types.BSTR")};
    std::vector<LPWSTR> itemIDs;
    for (auto& item : items) itemIDs.push_back(item.data());
    const auto describe = [&](IOPCServer* on) {
        const auto properties = ComPtr<IOPCServer>(on).as<IOPCBrowse>(IID_IOPCBrowse);
        OPCITEMPROPERTIES* answers = nullptr;
        DWORD allProperties = 0;
        EXPECT_EQ(properties->GetProperties(static_cast<DWORD>(itemIDs.size()), itemIDs.data(),
                                            TRUE, 0, &allProperties, &answers),
                  S_FALSE);
        std::vector<std::string> lines;
        for (size_t i = 0; i < itemIDs.size() && answers; ++i) {
            lines.push_back("item " + std::to_string(answers[i].hrErrorID));
            for (DWORD p = 0; p < answers[i].dwNumProperties; ++p) {
                OPCITEMPROPERTY& entry = answers[i].pItemProperties[p];
                lines.push_back(
                    std::to_string(entry.dwPropertyID) + " " + e2e::takeText(entry.szDescription) +
                    " " + std::to_string(entry.vtDataType) + " " + std::to_string(entry.vValue.vt) +
                    " " + std::to_string(entry.hrErrorID));
                VariantClear(&entry.vValue);
            }
            CoTaskMemFree(answers[i].pItemProperties);
        }
        CoTaskMemFree(answers);
        return lines;
    };
    const std::vector<std::string> acrossProcesses = describe(server());
    EXPECT_EQ(acrossProcesses.size(), 1u + 8u + 1u + 1u + 8u);
    EXPECT_EQ(acrossProcesses, describe(local.server()));
}

// Every enumerator a client drains across processes ends with a short batch that answers
// S_FALSE, and hands out what the same server in process does.
TEST_F(Opc, EnumeratorsEndWithAShortBatchAcrossProcesses)
{
    opcprobe::Session local(e2e::inProcessExample());
    for (ULONG batch : {1u, 7u, 64u}) {
        const std::vector<std::string> itemIDs = drain(flatListing(server()).get(), batch);
        EXPECT_EQ(itemIDs, drain(flatListing(local.server()).get(), batch)) << batch;
        EXPECT_EQ(itemIDs.size(), example::kProcessTags.size() + example::kTypedTags.size());
    }

    const std::vector<std::string> names = {"Enum.A", "Enum.B"};
    for (const std::string& name : names) {
        group(name);
        EXPECT_EQ(e2e::addGroup(local.server(), name, 1000, 42).result, S_OK);
    }
    EXPECT_EQ(groupNames(server()), names);
    EXPECT_EQ(groupNames(local.server()), names);
}

} // namespace
