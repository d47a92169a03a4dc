// What opcprobe's commands take from the command line and how it answers a wrong one; what the
// watch command's sinks make of a server's calls, and the lines it prints for them.
#include "command_line.h"
#include "data_sink.h"
#include "shutdown_sink.h"
#include "support/times.h"
#include "support/variants.h"
#include "unit/opcprobe_options.h"
#include "watch_lines.h"
#include "watch_queue.h"
#include "wide_text.h"

#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

namespace {

using namespace opcprobe;
using vetrel::ComPtr;
using vetrel::Variant;

using opcprobe::test::parse;
using vetrel::test::r4;

DataCallback change(std::vector<CallbackEntry> entries)
{
    DataCallback call;
    call.entries = std::move(entries);
    return call;
}

TEST(OpcProbeCommandLine, WatchTakesItemsRateDeadbandAndDuration)
{
    const Options full = parse({"--progid", "Vetrel.ExampleHost", "--json", "watch", "A.B", "C",
                                "--rate", "250", "--deadband", "2.5", "--for", "3.5"});
    EXPECT_EQ(full.command, Command::Watch);
    EXPECT_EQ(full.items, (std::vector<std::string>{"A.B", "C"}));
    EXPECT_EQ(full.watch.updateRate, 250u);
    EXPECT_FLOAT_EQ(full.watch.deadband, 2.5f);
    ASSERT_TRUE(full.watch.seconds);
    EXPECT_DOUBLE_EQ(*full.watch.seconds, 3.5);
    EXPECT_TRUE(full.json);

    const Options plain =
        parse({"--clsid", "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}", "watch", "X"});
    EXPECT_EQ(plain.command, Command::Watch);
    EXPECT_EQ(plain.watch.updateRate, 1000u);
    EXPECT_EQ(plain.watch.deadband, 0.0f);
    EXPECT_FALSE(plain.watch.seconds) << "without --for the watch runs until it is stopped";
    EXPECT_FALSE(plain.json);

    EXPECT_EQ(parse({"--progid", "P", "watch", "X", "--rate", "010"}).watch.updateRate, 10u)
        << "decimal, not octal";
}

TEST(OpcProbeCommandLine, EachCommandIsRecognisedWithItsArguments)
{
    EXPECT_EQ(parse({"--progid", "P", "status"}).command, Command::Status);
    const Options read = parse({"--progid", "P", "read", "A", "B", "--cache"});
    EXPECT_EQ(read.command, Command::Read);
    EXPECT_EQ(read.items, (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(read.cache);
    const Options write = parse({"--progid", "P", "write", "A=1", "B=x y=z"});
    EXPECT_EQ(write.command, Command::Write);
    EXPECT_EQ(write.assignments, (std::vector<Assignment>{{"A", "1"}, {"B", "x y=z"}}));
    EXPECT_FALSE(parse({"--progid", "P", "browse"}).da);
    EXPECT_EQ(parse({"--progid", "P", "browse", "--da", "2"}).da, DaVersion::V2);
    EXPECT_EQ(parse({"--da", "3", "--progid", "P", "properties", "X"}).da, DaVersion::V3);
}

// A wrong command line exits with 2 before any server is contacted, its first line naming the
// option and what it takes. A right one is summed up as the server it names and "--json".
TEST(OpcProbeCommandLine, AnswersEachCommandLineWithItsExitCodeAndMessage)
{
    struct Case
    {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const char* const kClsid = "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}";
    const std::vector<Case> cases = {
        {{"--progid", "P", "watch", "X", "--rate", "-5"},
         2,
         "--rate: expected a whole number of milliseconds from 0 to 4294967295, got -5"},
        {{"--progid", "P", "watch", "X", "--rate", "fast"},
         2,
         "--rate: expected a whole number of milliseconds from 0 to 4294967295, got fast"},
        {{"--progid", "P", "watch", "X", "--rate", "4294967296"},
         2,
         "--rate: expected a whole number of milliseconds from 0 to 4294967295, got 4294967296"},
        {{"--progid", "P", "watch", "X", "--rate", "2.5"},
         2,
         "--rate: expected a whole number of milliseconds from 0 to 4294967295, got 2.5"},
        {{"--progid", "P", "watch", "X", "--deadband", "100.5"},
         2,
         "--deadband: expected a percentage from 0 to 100, got 100.5"},
        {{"--progid", "P", "watch", "X", "--deadband", "-1"},
         2,
         "--deadband: expected a percentage from 0 to 100, got -1"},
        {{"--progid", "P", "watch", "X", "--for", "-1"},
         2,
         "--for: expected seconds from 0 to 10000000, got -1"},
        {{"--progid", "P", "events", "--for", "abc"},
         2,
         "--for: expected seconds from 0 to 10000000, got abc"},
        {{"--progid", "P", "events", "--for", "1,5"},
         2,
         "--for: expected seconds from 0 to 10000000, got 1,5"},
        {{"--clsid", "garbage", "read", "X"},
         2,
         "--clsid: expected a class identifier such as {5C2E9A61-3B7D-4F08-A51E-6D902B44C713}, "
         "got garbage"},
        {{"read", "X", "--clsid", "garbage"},
         2,
         "--clsid: expected a class identifier such as {5C2E9A61-3B7D-4F08-A51E-6D902B44C713}, "
         "got garbage"},
        {{"--progid", "P", "write", "A=1", "=2"}, 2, "write: expected ITEM=VALUE, got =2"},
        {{"--progid", "P", "write", "A"}, 2, "write: expected ITEM=VALUE, got A"},
        {{"--progid", "P", "events", "Tank.Level"},
         2,
         "The following argument was not expected: Tank.Level"},
        {{"--progid", "P", "watch"}, 2, "ITEM is required"},
        {{"--progid", "P", "read"}, 2, "ITEM is required"},
        {{"--progid", "P"}, 2, "A subcommand is required"},
        {{"watch", "X"}, 2, "Exactly 1 option from [--progid,--clsid] is required"},
        {{"--progid", "P", "--clsid", kClsid, "watch", "X"},
         2,
         "Exactly 1 option from [--progid,--clsid] is required and 2 were given"},
        {{"--help"}, 0, ""},
        {{"read", "X", "--json", "--progid", "P"}, 0, "P --json"},
        {{"write", "A=1", "--progid", "P", "--json"}, 0, "P --json"},
        {{"--json", "properties", "X", "--progid", "P"}, 0, "P --json"},
        {{"watch", "X", "--clsid", kClsid, "--for", "1"}, 0, kClsid},
        {{"events", "--json", "--progid", "P"}, 0, "P --json"},
        {{"--json", "list", "--route", "registry"}, 0, " --json"},
        {{"list", "--progid", "P"}, 2, "list: lists every server: it takes no --progid or --clsid"},
        {{"--progid", "P", "browse", "--da", "4"},
         2,
         "--da: expected a DA version from 2 to 3, got 4"},
        {{"--progid", "P", "watch", "X", "--v1", "--da", "3"},
         2,
         "watch: --v1 listens as an OPC 1.0 client: it takes no --da 3"},
        {{"--progid", "P", "watch", "X", "--v1", "--da", "2"}, 0, "P"},
        {{"list", "--route", "elsewhere"},
         2,
         "--route: expected auto, server-list or registry, got elsewhere"},
    };
    for (const Case& probe : cases) {
        CLI::App app;
        Options options;
        defineCommandLine(app, options);
        std::vector<const char*> argv{"opcprobe"};
        for (const std::string& argument : probe.arguments) argv.push_back(argument.c_str());
        std::ostringstream out, errors;
        const auto exitCode =
            parseCommandLine(app, static_cast<int>(argv.size()), argv.data(), out, errors);
        const std::string summary =
            options.progId + options.clsid + (options.json ? " --json" : "");
        const std::string firstError = errors.str().substr(0, errors.str().find('\n'));
        std::string arguments;
        for (const std::string& argument : probe.arguments) arguments += argument + " ";
        EXPECT_EQ(exitCode.value_or(0), probe.exitCode) << arguments;
        EXPECT_EQ(exitCode ? firstError : summary, probe.message) << arguments;
    }
}

TEST(OpcProbeWatchLines, ShowEachChangedItemAsTheReadCommandDoes)
{
    const FILETIME stamp = vetrel::test::fileTime(2026, 12, 7, 13, 1, 2, 250);
    VARIANT level = r4(2.5f);
    VARIANT count;
    VariantInit(&count);
    count.vt = VT_I4;
    count.lVal = -3;
    const DataCallback call = change({{1, Variant(level), 0xC0, stamp, S_OK},
                                      {0, Variant(count), 0x08, stamp, S_OK},
                                      {7, Variant(level), 0xC0, stamp, S_OK},
                                      {2, Variant(), 0, FILETIME{}, E_FAIL}});
    const std::vector<std::string> items{"Line.Count", "Tank.Level", "Line.Status"};

    EXPECT_EQ(dataChangeLines(call, items, false),
              (std::vector<std::string>{
                  "Tank.Level = 2.5 (VT_R4, good, 2026-12-07T13:01:02.250Z)",
                  "Line.Count = -3 (VT_I4, bad: not connected, 2026-12-07T13:01:02.250Z)",
                  "#7 = 2.5 (VT_R4, good, 2026-12-07T13:01:02.250Z)",
                  "Line.Status: the server failed \u2014 E_FAIL 0x80004005",
              }));

    const std::vector<std::string> json = dataChangeLines(call, items, true);
    ASSERT_EQ(json.size(), 4u);
    for (const std::string& line : json)
        EXPECT_EQ(line.find('\n'), std::string::npos) << "one object per line: " << line;
    const nlohmann::json first = nlohmann::json::parse(json[0]);
    EXPECT_EQ(first["item"], "Tank.Level");
    EXPECT_EQ(first["value"], 2.5);
    EXPECT_EQ(first["type"], "VT_R4");
    EXPECT_EQ(first["quality"], 0xC0);
    EXPECT_EQ(first["timestamp"], "2026-12-07T13:01:02.250Z");
    EXPECT_EQ(nlohmann::json::parse(json[1])["qualityText"], "bad: not connected");
    EXPECT_EQ(nlohmann::json::parse(json[3])["error"]["name"], "E_FAIL");
    EXPECT_TRUE(dataChangeLines(change({}), items, false).empty());
}

TEST(OpcProbeWatchLines, NameTheShutdownRequestAndItsReason)
{
    EXPECT_EQ(shutdownLine("maintenance", false), "shutdown requested: maintenance");
    EXPECT_EQ(shutdownLine("", false), "shutdown requested");
    EXPECT_EQ(nlohmann::json::parse(shutdownLine("maintenance", true))["shutdown"], "maintenance");
    EXPECT_EQ(nlohmann::json::parse(shutdownLine("", true))["shutdown"], "");
}

TEST(OpcProbeSinks, DataSinkCopiesEveryKindOfCallbackOutOfTheServersArrays)
{
    std::vector<DataCallback> received;
    const ComPtr<DataSink> sink =
        DataSink::create([&received](DataCallback call) { received.push_back(std::move(call)); });

    OPCHANDLE handles[] = {4, 9};
    VARIANT values[2] = {r4(1.5f), {}};
    VariantInit(&values[1]);
    values[1].vt = VT_BSTR;
    const auto text = widen("warm");
    values[1].bstrVal = SysAllocString(reinterpret_cast<const OLECHAR*>(text.c_str()));
    WORD qualities[] = {0xC0, 0x40};
    FILETIME stamps[] = {vetrel::test::fileTime(2026, 1, 2, 3, 4, 5), FILETIME{}};
    HRESULT errors[] = {S_OK, OPC_E_BADTYPE};
    EXPECT_EQ(
        sink->OnDataChange(0, 77, S_FALSE, S_OK, 2, handles, values, qualities, stamps, errors),
        S_OK);
    // The server frees its arrays once the call returns.
    VariantClear(&values[1]);
    EXPECT_EQ(
        sink->OnReadComplete(12, 77, S_OK, S_OK, 1, handles, values, qualities, stamps, errors),
        S_OK);
    EXPECT_EQ(sink->OnWriteComplete(13, 77, S_FALSE, 2, handles, errors), S_OK);
    EXPECT_EQ(sink->OnCancelComplete(14, 77), S_OK);

    ASSERT_EQ(received.size(), 4u);
    const DataCallback& data = received[0];
    EXPECT_EQ(data.kind, DataCallback::Kind::DataChange);
    EXPECT_EQ(data.transaction, 0u);
    EXPECT_EQ(data.group, 77u);
    EXPECT_EQ(data.masterQuality, S_FALSE);
    ASSERT_EQ(data.entries.size(), 2u);
    EXPECT_EQ(data.entries[0].clientHandle, 4u);
    EXPECT_EQ(data.entries[0].value.get().fltVal, 1.5f);
    EXPECT_EQ(data.entries[0].timestamp.dwLowDateTime, stamps[0].dwLowDateTime);
    EXPECT_EQ(data.entries[1].clientHandle, 9u);
    ASSERT_EQ(data.entries[1].value.type(), VT_BSTR);
    EXPECT_EQ(narrow(reinterpret_cast<const OLECHAR*>(data.entries[1].value.get().bstrVal)),
              "warm");
    EXPECT_EQ(data.entries[1].quality, 0x40);
    EXPECT_EQ(data.entries[1].error, OPC_E_BADTYPE);

    EXPECT_EQ(received[1].kind, DataCallback::Kind::ReadComplete);
    EXPECT_EQ(received[1].transaction, 12u);
    ASSERT_EQ(received[1].entries.size(), 1u);
    EXPECT_EQ(received[2].kind, DataCallback::Kind::WriteComplete);
    EXPECT_EQ(received[2].masterError, S_FALSE);
    ASSERT_EQ(received[2].entries.size(), 2u);
    EXPECT_EQ(received[2].entries[1].clientHandle, 9u);
    EXPECT_EQ(received[2].entries[1].error, OPC_E_BADTYPE);
    EXPECT_EQ(received[3].kind, DataCallback::Kind::CancelComplete);
    EXPECT_EQ(received[3].transaction, 14u);
}

TEST(OpcProbeSinks, BadCallsAndFailingHandlersGiveErrorsNotCrashes)
{
    size_t calls = 0;
    bool exhausted = false;
    const ComPtr<DataSink> sink = DataSink::create([&](DataCallback) {
        ++calls;
        if (exhausted) throw std::bad_alloc();
    });
    OPCHANDLE handle = 1;
    HRESULT error = S_OK;
    EXPECT_EQ(sink->OnDataChange(0, 1, S_OK, S_OK, 1, &handle, nullptr, nullptr, nullptr, &error),
              E_INVALIDARG);
    EXPECT_EQ(
        sink->OnReadComplete(5, 1, S_OK, S_OK, 2, nullptr, nullptr, nullptr, nullptr, nullptr),
        E_INVALIDARG);
    EXPECT_EQ(sink->OnWriteComplete(5, 1, S_OK, 1, &handle, nullptr), E_INVALIDARG);
    EXPECT_EQ(calls, 0u);
    EXPECT_EQ(sink->OnDataChange(0, 1, S_OK, S_OK, 0, nullptr, nullptr, nullptr, nullptr, nullptr),
              S_OK)
        << "an empty report needs no arrays";
    exhausted = true;
    EXPECT_EQ(sink->OnCancelComplete(1, 1), E_OUTOFMEMORY);
    EXPECT_EQ(calls, 2u);

    std::vector<std::string> reasons;
    const ComPtr<ShutdownSink> shutdown =
        ShutdownSink::create([&reasons](std::string reason) { reasons.push_back(reason); });
    const auto why = widen("new configuration");
    EXPECT_EQ(shutdown->ShutdownRequest(reinterpret_cast<LPCWSTR>(why.c_str())), S_OK);
    EXPECT_EQ(shutdown->ShutdownRequest(nullptr), S_OK);
    EXPECT_EQ(reasons, (std::vector<std::string>{"new configuration", ""}));
}

TEST(OpcProbeSinks, AnswerTheirOneInterfaceAndCountReferencesFromAnyThread)
{
    const auto alive = std::make_shared<int>(0);
    IOPCDataCallback* raw = nullptr;
    {
        const ComPtr<DataSink> sink = DataSink::create([alive](DataCallback) {});
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(sink->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
        EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(sink.get()));
        EXPECT_EQ(sink->QueryInterface(IID_IOPCDataCallback, reinterpret_cast<void**>(&raw)), S_OK);
        void* other = &raw;
        EXPECT_EQ(sink->QueryInterface(IID_IOPCShutdown, &other), E_NOINTERFACE);
        EXPECT_EQ(other, nullptr);
        EXPECT_EQ(sink->QueryInterface(IID_IOPCDataCallback, nullptr), E_POINTER);

        // Servers take and drop references on threads of their own.
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([raw] {
                for (int i = 0; i < 20000; ++i) {
                    raw->AddRef();
                    raw->Release();
                }
            });
        for (std::thread& thread : threads) thread.join();
        EXPECT_EQ(raw->AddRef(), 4u) << "sink, unknown, raw and this one";
        EXPECT_EQ(raw->Release(), 3u);
    }
    EXPECT_EQ(alive.use_count(), 2) << "the reference from the query keeps the sink";
    EXPECT_EQ(raw->Release(), 0u);
    EXPECT_EQ(alive.use_count(), 1) << "the last Release frees the sink and its handler";

    const ComPtr<ShutdownSink> shutdown = ShutdownSink::create([](std::string) {});
    ComPtr<IOPCShutdown> asked =
        ComPtr<IUnknown>(shutdown.get()).as<IOPCShutdown>(IID_IOPCShutdown);
    EXPECT_EQ(asked.get(), static_cast<IOPCShutdown*>(shutdown.get()));
    EXPECT_FALSE(ComPtr<IUnknown>(shutdown.get()).as<IOPCDataCallback>(IID_IOPCDataCallback));
}

TEST(OpcProbeWatchQueue, HandsLinesOverInOrderAndKeepsTheFirstShutdownRequest)
{
    WatchQueue queue;
    const auto past = WatchQueue::Clock::now();
    const WatchQueue::Taken nothing = queue.take(past);
    EXPECT_TRUE(nothing.lines.empty());
    EXPECT_FALSE(nothing.shutdown);

    constexpr int kThreads = 3, kLines = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&queue, t] {
            for (int i = 0; i < kLines; ++i)
                queue.push({std::to_string(t) + ":" + std::to_string(i)});
        });
    std::vector<std::string> lines;
    const auto deadline = WatchQueue::Clock::now() + std::chrono::seconds(10);
    while (lines.size() < size_t{kThreads * kLines} && WatchQueue::Clock::now() < deadline)
        for (std::string& line : queue.take(deadline).lines) lines.push_back(std::move(line));
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(lines.size(), size_t{kThreads * kLines});
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : lines) {
        const int thread = std::stoi(line.substr(0, line.find(':')));
        EXPECT_EQ(std::stoi(line.substr(line.find(':') + 1)), next[thread]++) << line;
    }

    queue.push({"last words"});
    queue.requestShutdown("first");
    queue.requestShutdown("second");
    const WatchQueue::Taken ending = queue.take(WatchQueue::Clock::now());
    EXPECT_EQ(ending.lines, std::vector<std::string>{"last words"});
    EXPECT_EQ(ending.shutdown, "first");
}

} // namespace
