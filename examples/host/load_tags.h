// Tags for load tests (--load N): "Example.Load.0" to "Example.Load.<N-1>", and
// "Example.Load.Active", the number of them the host updates every server period. A client
// writes that number; it is 0 at start. Each update carries the host's steady clock in
// milliseconds, so a client on the same machine can tell how old a value is when it arrives.
#pragma once

#include "vetrel/com.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace example {

inline constexpr std::string_view kLoadActive = "Example.Load.Active";

inline std::string loadTagName(int index)
{
    return "Example.Load." + std::to_string(index);
}

// Milliseconds of the steady clock, which processes of one machine share.
inline double clockMilliseconds()
{
    using Milliseconds = std::chrono::duration<double, std::milli>;
    return std::chrono::duration_cast<Milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class LoadTags
{
public:
    // Creates count load tags and the Active tag; none when count is 0.
    explicit LoadTags(int count);
    bool empty() const noexcept { return m_tags.empty(); }
    // Updates the first Active load tags with the clock.
    void step();

private:
    std::vector<DWORD> m_tags;
    DWORD m_active = 0;
};

} // namespace example
