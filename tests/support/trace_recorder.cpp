#include "support/trace_recorder.h"

#include "vetrel/vetrel.h"

#include <algorithm>
#include <mutex>

namespace vetrel::test {
namespace {

std::mutex recordLock;
std::vector<std::string> recorded;

} // namespace

TraceRecorder& TraceRecorder::start()
{
    static TraceRecorder recorder;
    static const bool installed = EnableEventMsgs(&TraceRecorder::record);
    (void)installed;
    recorder.clear();
    return recorder;
}

void TraceRecorder::record(char* text)
{
    std::lock_guard held(recordLock);
    recorded.emplace_back(text);
}

std::vector<std::string> TraceRecorder::lines() const
{
    std::lock_guard held(recordLock);
    return recorded;
}

bool TraceRecorder::contains(const std::string& line) const
{
    std::lock_guard held(recordLock);
    return std::find(recorded.begin(), recorded.end(), line) != recorded.end();
}

void TraceRecorder::clear()
{
    std::lock_guard held(recordLock);
    recorded.clear();
}

} // namespace vetrel::test
