// Data changes, asynchronous completions and shutdown requests from the example host to sinks
// in this client process, through real COM across processes. This program starts the host
// itself at the fastest server rate, 10 ms, so that a report follows every change quickly; one
// host serves every case, and opcprobe runs beside it as another client process.
#include "advice.h"
#include "callback_recorder.h"
#include "child_process.h"
#include "example_tags.h"
#include "host_process.h"
#include "opc_client.h"
#include "platform/task_mem.h"
#include "probe_group.h"
#include "session.h"
#include "started_host.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using e2e::ComPtr;
using opcprobe::DataCallback;

constexpr DWORD kServerRate = 10;
// Bounds of waits for what must come; reached only when something is broken.
constexpr DWORD kCallbackTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 30000;
// A wait that may time out while a client process is still starting.
constexpr DWORD kShortWaitMs = 1000;
constexpr LONG kAdviseAttempts = 30;
// Every case writes through a group of its own and watches with another: a write reaches other
// groups only as the host publishes it again.
constexpr OPCHANDLE kFirstItem = 0, kSecondItem = 1;

opcprobe::GroupSettings watching(DWORD updateRate)
{
    opcprobe::GroupSettings settings;
    settings.active = true;
    settings.updateRate = updateRate;
    settings.deadband = 0.0f;
    return settings;
}

VARIANT integer(VARTYPE type, LONG number)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = number;
    VariantChangeType(&value, &value, 0, type);
    return value;
}

// The server handles of the items, which must all have been added.
std::vector<OPCHANDLE> added(opcprobe::ProbeGroup& group, const std::vector<std::string>& names)
{
    std::vector<OPCHANDLE> handles;
    for (const opcprobe::AddedItem& item : group.addItems(names)) {
        EXPECT_EQ(item.error, S_OK);
        handles.push_back(item.server);
    }
    return handles;
}

class Callbacks : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        e2e::StartedHost::start("--rate " + std::to_string(kServerRate) + " 0");
        ASSERT_EQ(e2e::hostProcesses().size(), 1u);
    }
    static void TearDownTestSuite() { e2e::StartedHost::stop(); }

    void SetUp() override
    {
        ASSERT_TRUE(e2e::StartedHost::connected()) << "no connection to the host";
    }

    static IOPCServer* server() { return e2e::StartedHost::server(); }
    static void write(std::string_view tag, const VARIANT& value)
    {
        e2e::StartedHost::write(tag, value);
    }
};

TEST_F(Callbacks, AGroupWithoutDeadbandReportsEveryUpdateOfATag)
{
    e2e::CallbackRecorder recorder;
    opcprobe::ProbeGroup group(server(), watching(kServerRate));
    added(group, {"Example.Types.I4"});
    const opcprobe::Advice advice(group.object(), IID_IOPCDataCallback, recorder.dataSink().get(),
                                  "the data callback");
    // The first report carries the item's value as it was added.
    ASSERT_TRUE(recorder.waitFor(e2e::isScanReport, kCallbackTimeoutMs));
    const size_t before = recorder.callbacks().size();

    // Each update waits for its report, so none can be folded into the next.
    constexpr LONG kFirst = 1001, kUpdates = 100;
    for (LONG value = kFirst; value < kFirst + kUpdates; ++value) {
        write("Example.Types.I4", integer(VT_I4, value));
        ASSERT_TRUE(recorder.waitFor(
            [value](const DataCallback& call) {
                return e2e::isScanReport(call) &&
                       e2e::integersOf(call, kFirstItem) == std::vector<LONG>{value};
            },
            kCallbackTimeoutMs))
            << value;
    }

    std::vector<LONG> reported;
    const std::vector<DataCallback> calls = recorder.callbacks();
    for (size_t i = before; i < calls.size(); ++i) {
        EXPECT_TRUE(e2e::isScanReport(calls[i]));
        EXPECT_EQ(calls[i].group, 1u) << "the client's group handle";
        EXPECT_EQ(calls[i].masterQuality, S_OK);
        for (LONG value : e2e::integersOf(calls[i], kFirstItem)) reported.push_back(value);
    }
    std::vector<LONG> expected;
    for (LONG value = kFirst; value < kFirst + kUpdates; ++value) expected.push_back(value);
    EXPECT_EQ(reported, expected) << "every update once, in order";
}

TEST_F(Callbacks, ASlowGroupFoldsUpdatesBetweenReportsIntoOneWithTheNewestValue)
{
    // A hundred server periods between reports.
    constexpr DWORD kSlowRate = 100 * kServerRate;
    e2e::CallbackRecorder recorder;
    opcprobe::ProbeGroup group(server(), watching(kSlowRate));
    added(group, {"Example.Types.R8"});
    EXPECT_EQ(group.revisedRate(), kSlowRate);
    const opcprobe::Advice advice(group.object(), IID_IOPCDataCallback, recorder.dataSink().get(),
                                  "the data callback");
    ASSERT_TRUE(recorder.waitFor(e2e::isScanReport, kCallbackTimeoutMs));
    const size_t before = recorder.callbacks().size();

    constexpr LONG kUpdates = 5, kNewest = 500 + kUpdates;
    for (LONG value = 501; value <= kNewest; ++value)
        write("Example.Types.R8", integer(VT_R8, value));
    ASSERT_TRUE(recorder.waitFor(
        [](const DataCallback& call) {
            return e2e::isScanReport(call) &&
                   e2e::integersOf(call, kFirstItem) == std::vector<LONG>{kNewest};
        },
        kCallbackTimeoutMs));

    const std::vector<DataCallback> calls = recorder.callbacks();
    ASSERT_GT(calls.size(), before);
    EXPECT_LT(calls.size() - before, size_t{kUpdates}) << "updates between reports are folded";
    LONG previous = 500;
    for (size_t i = before; i < calls.size(); ++i) {
        const std::vector<LONG> values = e2e::integersOf(calls[i], kFirstItem);
        ASSERT_EQ(values.size(), 1u) << "one entry per item and report";
        EXPECT_GT(values[0], previous) << "reports carry the newest value at their time";
        previous = values[0];
    }
    EXPECT_EQ(previous, kNewest);
}

TEST_F(Callbacks, AsyncReadWriteAndRefreshCompleteThroughTheDataCallback)
{
    e2e::CallbackRecorder recorder;
    // Slow enough that the scan's own reports do not crowd the completions.
    opcprobe::ProbeGroup group(server(), watching(100 * kServerRate));
    std::vector<OPCHANDLE> handles =
        added(group, {"Example.Types.I2", std::string(example::kTankProfile)});
    const opcprobe::Advice advice(group.object(), IID_IOPCDataCallback, recorder.dataSink().get(),
                                  "the data callback");
    ComPtr<IOPCAsyncIO2> async =
        ComPtr<IUnknown>(group.object()).as<IOPCAsyncIO2>(IID_IOPCAsyncIO2);
    ASSERT_TRUE(async);
    const auto completion = [](DataCallback::Kind kind, DWORD transaction) {
        return [kind, transaction](const DataCallback& call) {
            return call.kind == kind && call.transaction == transaction;
        };
    };
    const auto find = [&recorder](const auto& match) {
        for (const DataCallback& call : recorder.callbacks())
            if (match(call)) return call;
        return DataCallback{};
    };

    // The profile is read-only: the call succeeds, its completion tells.
    VARIANT values[] = {integer(VT_I2, -321), integer(VT_R8, 1)};
    DWORD cancelId = 0;
    HRESULT* rawErrors = nullptr;
    ASSERT_EQ(async->Write(2, handles.data(), values, 11, &cancelId, &rawErrors), S_OK);
    const auto writeErrors = vetrel::TaskMem<HRESULT>::adopt(rawErrors, 2);
    EXPECT_NE(cancelId, 0u);
    ASSERT_TRUE(writeErrors);
    EXPECT_EQ(writeErrors[0], S_OK);
    EXPECT_EQ(writeErrors[1], S_OK);
    const auto written = completion(DataCallback::Kind::WriteComplete, 11);
    ASSERT_TRUE(recorder.waitFor(written, kCallbackTimeoutMs));
    const DataCallback writeDone = find(written);
    EXPECT_EQ(writeDone.group, 1u);
    EXPECT_EQ(writeDone.masterError, S_FALSE);
    ASSERT_EQ(writeDone.entries.size(), 2u);
    EXPECT_EQ(writeDone.entries[0].clientHandle, kFirstItem);
    EXPECT_EQ(writeDone.entries[0].error, S_OK);
    EXPECT_EQ(writeDone.entries[1].clientHandle, kSecondItem);
    EXPECT_EQ(writeDone.entries[1].error, OPC_E_BADRIGHTS);

    rawErrors = nullptr;
    ASSERT_EQ(async->Read(1, handles.data(), 12, &cancelId, &rawErrors), S_OK);
    const auto readErrors = vetrel::TaskMem<HRESULT>::adopt(rawErrors, 1);
    ASSERT_TRUE(readErrors);
    EXPECT_EQ(readErrors[0], S_OK);
    const auto read = completion(DataCallback::Kind::ReadComplete, 12);
    ASSERT_TRUE(recorder.waitFor(read, kCallbackTimeoutMs));
    const DataCallback readDone = find(read);
    ASSERT_EQ(readDone.entries.size(), 1u);
    EXPECT_EQ(readDone.entries[0].clientHandle, kFirstItem);
    EXPECT_EQ(readDone.entries[0].value.type(), VT_I2);
    EXPECT_EQ(readDone.entries[0].value.get().iVal, -321);
    EXPECT_EQ(readDone.entries[0].quality, OPC_QUALITY_GOOD);

    ASSERT_EQ(async->Refresh2(OPC_DS_CACHE, 13, &cancelId), S_OK);
    const auto refreshed = completion(DataCallback::Kind::DataChange, 13);
    ASSERT_TRUE(recorder.waitFor(refreshed, kCallbackTimeoutMs));
    const DataCallback refreshDone = find(refreshed);
    ASSERT_EQ(refreshDone.entries.size(), 2u) << "every active item, changed or not";
    EXPECT_EQ(e2e::integersOf(refreshDone, kFirstItem), std::vector<LONG>{-321});
    EXPECT_EQ(refreshDone.entries[1].clientHandle, kSecondItem);
    EXPECT_EQ(refreshDone.entries[1].value.type(), VT_ARRAY | VT_R4);
}

// The DA 3.0 interfaces of a group and of the server, through the proxy/stub DLL.
TEST_F(Callbacks, Da3InterfacesReadWriteAndKeepTheClientInformed)
{
    e2e::CallbackRecorder recorder;
    opcprobe::ProbeGroup group(server(), watching(100 * kServerRate));
    std::vector<OPCHANDLE> handles =
        added(group, {"Example.Types.R8", std::string(example::kTankProfile)});
    const opcprobe::Advice advice(group.object(), IID_IOPCDataCallback, recorder.dataSink().get(),
                                  "the data callback");
    const ComPtr<IUnknown> object(group.object());
    const auto taken = [](HRESULT* errors, size_t count) {
        std::vector<HRESULT> result(errors, errors + count);
        CoTaskMemFree(errors);
        return result;
    };
    const auto vqt = [](VARIANT value, BOOL quality, BOOL timestamp) {
        OPCITEMVQT item{};
        item.vDataValue = value;
        item.bQualitySpecified = quality;
        item.wQuality = OPC_QUALITY_GOOD;
        item.bTimeStampSpecified = timestamp;
        return item;
    };

    // Values alone are written; a quality or a timestamp is refused.
    ComPtr<IOPCSyncIO2> sync = object.as<IOPCSyncIO2>(IID_IOPCSyncIO2);
    ASSERT_TRUE(sync);
    OPCHANDLE written[] = {handles[0], handles[1], handles[0], handles[0]};
    OPCITEMVQT items[] = {
        vqt(integer(VT_R8, 42), FALSE, FALSE), vqt(integer(VT_R8, 1), FALSE, FALSE),
        vqt(integer(VT_R8, 43), TRUE, FALSE), vqt(integer(VT_R8, 44), FALSE, TRUE)};
    HRESULT* errors = nullptr;
    ASSERT_EQ(sync->WriteVQT(4, written, items, &errors), S_FALSE);
    EXPECT_EQ(taken(errors, 4), (std::vector<HRESULT>{S_OK, OPC_E_BADRIGHTS, OPC_E_NOTSUPPORTED,
                                                      OPC_E_NOTSUPPORTED}));
    DWORD maxAges[] = {0, 0xFFFFFFFF};
    VARIANT* values = nullptr;
    WORD* qualities = nullptr;
    FILETIME* timestamps = nullptr;
    ASSERT_EQ(
        sync->ReadMaxAge(2, handles.data(), maxAges, &values, &qualities, &timestamps, &errors),
        S_OK);
    EXPECT_EQ(taken(errors, 2), (std::vector<HRESULT>{S_OK, S_OK}));
    EXPECT_EQ(values[0].vt, VT_R8);
    EXPECT_EQ(values[0].dblVal, 42.0);
    EXPECT_EQ(values[1].vt, VT_ARRAY | VT_R4);
    EXPECT_EQ(qualities[0], OPC_QUALITY_GOOD);
    for (size_t i = 0; i < 2; ++i) VariantClear(&values[i]);
    CoTaskMemFree(values);
    CoTaskMemFree(qualities);
    CoTaskMemFree(timestamps);

    ComPtr<IOPCAsyncIO3> async = object.as<IOPCAsyncIO3>(IID_IOPCAsyncIO3);
    ASSERT_TRUE(async);
    DWORD cancelId = 0;
    ASSERT_EQ(async->ReadMaxAge(1, handles.data(), maxAges, 31, &cancelId, &errors), S_OK);
    EXPECT_EQ(taken(errors, 1), std::vector<HRESULT>{S_OK});
    const auto readDone = [](const DataCallback& call) {
        return call.kind == DataCallback::Kind::ReadComplete && call.transaction == 31;
    };
    ASSERT_TRUE(recorder.waitFor(readDone, kCallbackTimeoutMs));

    // Far more often than the group's rate: the empty reports come between its own.
    ComPtr<IOPCGroupStateMgt2> state = object.as<IOPCGroupStateMgt2>(IID_IOPCGroupStateMgt2);
    ASSERT_TRUE(state);
    DWORD keepAlive = 0;
    EXPECT_EQ(state->SetKeepAlive(5 * kServerRate + 5, &keepAlive), OPC_S_UNSUPPORTEDRATE);
    EXPECT_EQ(keepAlive, 6 * kServerRate);
    const auto empty = [](const DataCallback& call) {
        return e2e::isScanReport(call) && call.entries.empty();
    };
    EXPECT_TRUE(recorder.waitFor(empty, kCallbackTimeoutMs));
    EXPECT_EQ(state->SetKeepAlive(0, &keepAlive), S_OK);

    ComPtr<IOPCItemDeadbandMgt> deadbands = object.as<IOPCItemDeadbandMgt>(IID_IOPCItemDeadbandMgt);
    ASSERT_TRUE(deadbands);
    FLOAT percent[] = {5.0f, 5.0f};
    ASSERT_EQ(deadbands->SetItemDeadband(2, handles.data(), percent, &errors), S_FALSE);
    EXPECT_EQ(taken(errors, 2), (std::vector<HRESULT>{S_OK, OPC_E_DEADBANDNOTSUPPORTED}));
    FLOAT* current = nullptr;
    ASSERT_EQ(deadbands->GetItemDeadband(1, handles.data(), &current, &errors), S_OK);
    EXPECT_EQ(taken(errors, 1), std::vector<HRESULT>{S_OK});
    EXPECT_EQ(current[0], 5.0f);
    CoTaskMemFree(current);
    ASSERT_EQ(deadbands->ClearItemDeadband(1, handles.data(), &errors), S_OK);
    EXPECT_EQ(taken(errors, 1), std::vector<HRESULT>{S_OK});

    // The server's reads and writes by item ID.
    ComPtr<IOPCItemIO> itemIO = ComPtr<IUnknown>(server()).as<IOPCItemIO>(IID_IOPCItemIO);
    ASSERT_TRUE(itemIO);
    const auto i4 = e2e::wide("Example.Types.I4");
    const auto missing = e2e::wide("Example.Types.Missing");
    LPCWSTR ids[] = {i4.c_str(), missing.c_str()};
    OPCITEMVQT byName[] = {vqt(integer(VT_I4, 4321), FALSE, FALSE),
                           vqt(integer(VT_I4, 1), FALSE, FALSE)};
    ASSERT_EQ(itemIO->WriteVQT(2, ids, byName, &errors), S_FALSE);
    EXPECT_EQ(taken(errors, 2), (std::vector<HRESULT>{S_OK, OPC_E_UNKNOWNITEMID}));
    ASSERT_EQ(itemIO->Read(2, ids, maxAges, &values, &qualities, &timestamps, &errors), S_FALSE);
    EXPECT_EQ(taken(errors, 2), (std::vector<HRESULT>{S_OK, OPC_E_UNKNOWNITEMID}));
    EXPECT_EQ(values[0].vt, VT_I4);
    EXPECT_EQ(values[0].lVal, 4321);
    EXPECT_EQ(values[1].vt, VT_EMPTY);
    EXPECT_EQ(qualities[0], OPC_QUALITY_GOOD);
    VariantClear(&values[0]);
    CoTaskMemFree(values);
    CoTaskMemFree(qualities);
    CoTaskMemFree(timestamps);
}

TEST_F(Callbacks, AShutdownRequestReachesEveryAdvisedClientAndEndsAWatchingProbe)
{
    e2e::CallbackRecorder recorder;
    const opcprobe::Advice advice(server(), IID_IOPCShutdown, recorder.shutdownSink().get(),
                                  "the shutdown sink");
    e2e::RunningProgram probe("opcprobe.exe",
                              "--progid Vetrel.ExampleHost --json watch Example.Types.UI4 --rate " +
                                  std::to_string(kServerRate));
    ASSERT_TRUE(probe.waitForLine(R"("item":"Example.Types.UI4")", kCallbackTimeoutMs))
        << probe.output();
    write("Example.Types.UI4", integer(VT_UI4, 4242));
    ASSERT_TRUE(probe.waitForLine(R"("value":4242)", kCallbackTimeoutMs)) << probe.output();

    write(example::kDisconnect, integer(VT_BOOL, -1));
    ASSERT_TRUE(recorder.waitForShutdowns(1, kCallbackTimeoutMs));
    EXPECT_EQ(recorder.shutdownReasons(), std::vector<std::string>{""})
        << "no reason crosses as an empty text";
    EXPECT_EQ(probe.waitForExit(kExitTimeoutMs), 0u) << "the probe leaves when asked";
    const std::vector<std::string> lines = probe.lines();
    ASSERT_GE(lines.size(), 3u) << probe.output();
    for (const std::string& line : lines)
        EXPECT_TRUE(nlohmann::json::accept(line)) << "one JSON object per line: " << line;
    EXPECT_EQ(nlohmann::json::parse(lines.back()), (nlohmann::json{{"shutdown", ""}}));

    // A request is only a request: the host and this client's connection go on.
    EXPECT_EQ(e2e::hostProcesses().size(), 1u);
    OPCSERVERSTATUS* status = nullptr;
    EXPECT_EQ(server()->GetStatus(&status), S_OK);
    if (status) CoTaskMemFree(status->szVendorInfo);
    CoTaskMemFree(status);
}

TEST_F(Callbacks, OpcprobeWatchPrintsChangesUntilItsTimeIsUp)
{
    const e2e::ProgramRun run =
        e2e::runProgram("opcprobe.exe", "--progid Vetrel.ExampleHost watch No.Such.Item "
                                        "Example.Line.Count --rate 10 --for 1");
    EXPECT_EQ(run.exitCode, 1u) << "one item was refused\n" << run.output;
    EXPECT_EQ(run.output.find("No.Such.Item: the server has no item of this ID \u2014 "
                              "OPC_E_UNKNOWNITEMID 0xC0040007"),
              0u)
        << run.output;
    EXPECT_NE(run.output.find("\nExample.Line.Count = "), std::string::npos)
        << "the first report carries the item's value\n"
        << run.output;
}

// An OPC 1.0 client in another process: its advise sink gets the group's data blocks with
// timestamps in global memory that COM copies across, texts included.
TEST_F(Callbacks, OpcprobeWatchV1ReadsTheDataBlocksOfItsGroup)
{
    e2e::RunningProgram probe("opcprobe.exe", "--progid Vetrel.ExampleHost --json watch --v1 "
                                              "Example.Types.I8 Example.Types.BSTR --rate " +
                                                  std::to_string(kServerRate) + " --for 5");
    const auto printed = [&probe](std::string_view item, std::string_view value) {
        return probe.waitForLines(
            [item, value](const std::vector<std::string>& lines) {
                for (const std::string& line : lines)
                    if (line.find(item) != std::string::npos &&
                        line.find(value) != std::string::npos)
                        return true;
                return false;
            },
            kShortWaitMs);
    };
    // Changes before the probe has advised its sink reach no one: change until one arrives.
    bool advised = false;
    for (LONG value = 1; value <= kAdviseAttempts && !advised; ++value) {
        write("Example.Types.I8", integer(VT_I8, 7000 + value));
        advised = printed(R"("item":"Example.Types.I8")", R"("value":70)");
    }
    ASSERT_TRUE(advised) << probe.output();

    const OLECHAR characters[] = {'B', 'l', 'o', 'c', 'k', ' ', 0xE9};
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocStringLen(characters, 7);
    write("Example.Types.BSTR", text);
    VariantClear(&text);
    EXPECT_TRUE(printed(R"("item":"Example.Types.BSTR")", "Block \xC3\xA9")) << probe.output();
    write("Example.Types.I8", integer(VT_I8, -123456));
    EXPECT_TRUE(printed(R"("item":"Example.Types.I8")", R"("value":-123456)")) << probe.output();

    // A probe that leaves by itself has unadvised and released everything it held.
    EXPECT_EQ(probe.waitForExit(kExitTimeoutMs), 0u) << probe.output();
    for (const std::string& line : probe.lines()) {
        ASSERT_TRUE(nlohmann::json::accept(line)) << line;
        const nlohmann::json item = nlohmann::json::parse(line);
        EXPECT_FALSE(item.contains("error")) << "every value travels in the block: " << line;
    }
}

} // namespace
