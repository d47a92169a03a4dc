// CEventLog: the lines of the event log, each prefixed with the local date and time it arrived,
// oldest first and at most 1000 of them.
#pragma once

#include "vetrel/com.h"

#include <deque>
#include <string>
#include <string_view>

namespace moxlan {

// "07-Dec-2024 12:30:05 ": the prefix of an event line, blank included.
std::string eventTimePrefix(const SYSTEMTIME& localTime);

class CEventLog
{
public:
    static constexpr size_t kMaxLines = 1000;

    // Appends the text with the time prefix, dropping the oldest lines beyond the cap, and
    // returns the new line.
    const std::string& addLine(std::string_view text, const SYSTEMTIME& localTime);
    // The same, at the current local time.
    const std::string& addLine(std::string_view text);
    void clear() noexcept { m_Lines.clear(); }

    // Every line followed by "\r\n", as the clipboard receives the log; empty when there are no
    // lines.
    std::string copyText() const;

    const std::deque<std::string>& lines() const noexcept { return m_Lines; }

private:
    std::deque<std::string> m_Lines;
};

} // namespace moxlan
