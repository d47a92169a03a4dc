#include "callback_recorder.h"

#include "platform/variant.h"

#include <algorithm>
#include <chrono>

namespace e2e {

using opcprobe::DataCallback;
using vetrel::ComPtr;

CallbackRecorder::CallbackRecorder() : m_record(std::make_shared<Record>()) {}

ComPtr<opcprobe::DataSink> CallbackRecorder::dataSink() const
{
    return opcprobe::DataSink::create([record = m_record](DataCallback call) {
        {
            std::lock_guard held(record->lock);
            record->callbacks.push_back(std::move(call));
        }
        record->grown.notify_all();
    });
}

ComPtr<opcprobe::ShutdownSink> CallbackRecorder::shutdownSink() const
{
    return opcprobe::ShutdownSink::create([record = m_record](std::string reason) {
        {
            std::lock_guard held(record->lock);
            record->shutdownReasons.push_back(std::move(reason));
        }
        record->grown.notify_all();
    });
}

bool CallbackRecorder::waitFor(const Match& match, DWORD timeoutMs) const
{
    std::unique_lock held(m_record->lock);
    return m_record->grown.wait_for(held, std::chrono::milliseconds(timeoutMs), [&] {
        return std::any_of(m_record->callbacks.begin(), m_record->callbacks.end(), match);
    });
}

bool CallbackRecorder::waitForShutdowns(size_t requests, DWORD timeoutMs) const
{
    std::unique_lock held(m_record->lock);
    return m_record->grown.wait_for(held, std::chrono::milliseconds(timeoutMs),
                                    [&] { return m_record->shutdownReasons.size() >= requests; });
}

std::vector<DataCallback> CallbackRecorder::callbacks() const
{
    std::lock_guard held(m_record->lock);
    return m_record->callbacks;
}

std::vector<std::string> CallbackRecorder::shutdownReasons() const
{
    std::lock_guard held(m_record->lock);
    return m_record->shutdownReasons;
}

bool isScanReport(const DataCallback& call)
{
    return call.kind == DataCallback::Kind::DataChange && call.transaction == 0;
}

std::vector<LONG> integersOf(const DataCallback& call, OPCHANDLE clientHandle)
{
    std::vector<LONG> integers;
    for (const opcprobe::CallbackEntry& entry : call.entries) {
        if (entry.clientHandle != clientHandle) continue;
        vetrel::Variant integer;
        if (SUCCEEDED(VariantChangeType(integer.out(), const_cast<VARIANT*>(&entry.value.get()), 0,
                                        VT_I4)))
            integers.push_back(integer.get().lVal);
    }
    return integers;
}

} // namespace e2e
