// What a watch through the 3.0 interfaces adds: a keep-alive agreed with the group, so that
// the server's callbacks show it is alive without asking for its status, and every item's value
// at once through IOPCAsyncIO3::RefreshMaxAge instead of at the group's first update.
#pragma once

#include "data_sink.h"
#include "vetrel/opc.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace opcprobe {

// The transaction of the watch's one refresh; every other completion is someone else's.
inline constexpr DWORD kWatchRefreshTransaction = 1;

// Asks the group for a callback at least every period; gives the period the server granted.
// A group that refuses is reported on standard error and gives nothing: the watch then asks
// the server for its status as a 2.0 watch does.
std::optional<std::chrono::milliseconds> agreeKeepAlive(IUnknown* group,
                                                        std::chrono::milliseconds period);

// Asks the group for its active items' values, from its cache at any age. A refusal is reported
// on standard error: the values still come with the group's first update.
void refreshAtOnce(IUnknown* group);

// The refresh and the group's first update may report the same value: what was already printed
// for an item, to the character, is not printed again.
class RepeatFilter
{
public:
    explicit RepeatFilter(size_t itemCount) : m_printed(itemCount) {}

    // The lines of the call's entries (one per entry) without those that repeat their item's
    // last line. Safe to call from any thread.
    std::vector<std::string> novel(const DataCallback& call, std::vector<std::string> lines);

private:
    std::mutex m_lock;
    std::vector<std::string> m_printed;
};

} // namespace opcprobe
