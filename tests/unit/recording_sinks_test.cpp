// The recording client sinks that callback tests rely on: what they keep of a call must
// outlive the server's arrays, and their waits must end.
#include "fixtures/recording_sinks.h"
#include "support/variants.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using vetrel::test::ComPtr;
using vetrel::test::RecordingDataCallback;
using vetrel::test::RecordingShutdown;

TEST(RecordingSinks, DataCallbackKeepsCopiesOfEveryArgument)
{
    auto sink = RecordingDataCallback::create();
    ComPtr<IOPCDataCallback> callback = sink.as<IOPCDataCallback>(IID_IOPCDataCallback);
    ASSERT_TRUE(callback);
    void* refused = nullptr;
    EXPECT_EQ(sink->QueryInterface(IID_IOPCShutdown, &refused), E_NOINTERFACE);

    OPCHANDLE handles[] = {7, 8};
    VARIANT values[] = {vetrel::test::bstr("first"), vetrel::test::r4(2.0f)};
    WORD qualities[] = {0xC0, 0};
    FILETIME times[] = {{1, 2}, {3, 4}};
    HRESULT errors[] = {S_OK, E_FAIL};
    EXPECT_EQ(
        callback->OnDataChange(0, 99, S_FALSE, S_OK, 2, handles, values, qualities, times, errors),
        S_OK);
    // The server frees its arrays once the call returns.
    VariantClear(&values[0]);
    EXPECT_EQ(callback->OnReadComplete(5, 99, S_OK, S_OK, 1, handles, values + 1, qualities, times,
                                       errors),
              S_OK);
    EXPECT_EQ(callback->OnWriteComplete(6, 99, E_FAIL, 2, handles, errors), S_OK);
    EXPECT_EQ(callback->OnCancelComplete(9, 99), S_OK);

    const auto calls = sink->calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, RecordingDataCallback::Kind::DataChange);
    EXPECT_EQ(calls[0].groupHandle, 99u);
    EXPECT_EQ(calls[0].masterQuality, S_FALSE);
    ASSERT_EQ(calls[0].entries.size(), 2u);
    EXPECT_EQ(vetrel::test::narrow(calls[0].entries[0].value.get().bstrVal), "first");
    EXPECT_EQ(calls[0].entries[1].clientHandle, 8u);
    EXPECT_EQ(calls[0].entries[1].quality, 0);
    EXPECT_EQ(calls[0].entries[1].timestamp.dwHighDateTime, 4u);
    EXPECT_EQ(calls[0].entries[1].error, E_FAIL);
    EXPECT_EQ(calls[1].kind, RecordingDataCallback::Kind::ReadComplete);
    EXPECT_EQ(calls[1].transactionID, 5u);
    EXPECT_EQ(calls[1].entries[0].value.get().fltVal, 2.0f);
    EXPECT_EQ(calls[2].masterError, E_FAIL);
    EXPECT_EQ(calls[2].entries[1].error, E_FAIL);
    EXPECT_EQ(calls[3].kind, RecordingDataCallback::Kind::CancelComplete);
    EXPECT_EQ(calls[3].transactionID, 9u);
}

TEST(RecordingSinks, WaitsEndWhenTheCallsComeOrTheBoundPasses)
{
    auto sink = RecordingShutdown::create();
    EXPECT_FALSE(sink->waitForRequests(1, std::chrono::milliseconds(1)));
    std::thread server([shutdown = ComPtr<IOPCShutdown>(sink.get())] {
        const WCHAR reason[] = {'b', 'y', 'e', 0};
        shutdown->ShutdownRequest(reason);
        shutdown->ShutdownRequest(nullptr);
    });
    EXPECT_TRUE(sink->waitForRequests(2, std::chrono::seconds(30)));
    server.join();
    EXPECT_EQ(sink->reasons(), (std::vector<std::string>{"bye", ""}));
    EXPECT_EQ(sink->references(), 1);
}

} // namespace
