// Records what the server calls on the client's sinks, on whichever thread it calls, for the
// test's main thread to wait for and look at.
#pragma once

#include "data_sink.h"
#include "shutdown_sink.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace e2e {

class CallbackRecorder
{
public:
    using Match = std::function<bool(const opcprobe::DataCallback&)>;

    CallbackRecorder();

    // Sinks that record here; they may outlive the recorder.
    vetrel::ComPtr<opcprobe::DataSink> dataSink() const;
    vetrel::ComPtr<opcprobe::ShutdownSink> shutdownSink() const;

    // Waits until a recorded data callback matches; false after the timeout.
    bool waitFor(const Match& match, DWORD timeoutMs) const;
    bool waitForShutdowns(size_t requests, DWORD timeoutMs) const;

    std::vector<opcprobe::DataCallback> callbacks() const;
    std::vector<std::string> shutdownReasons() const;

private:
    struct Record
    {
        std::mutex lock;
        std::condition_variable grown;
        std::vector<opcprobe::DataCallback> callbacks;
        std::vector<std::string> shutdownReasons;
    };
    std::shared_ptr<Record> m_record;
};

// A data change without a transaction id, the kind a group's scan sends.
bool isScanReport(const opcprobe::DataCallback& call);

// The 32-bit integer values a callback carries for an item, in order.
std::vector<LONG> integersOf(const opcprobe::DataCallback& call, OPCHANDLE clientHandle);

} // namespace e2e
