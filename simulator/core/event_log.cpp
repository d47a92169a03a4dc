#include "simulator/core/event_log.h"

#include <cstdio>

namespace moxlan {

namespace {

// Month abbreviations do not follow the user's locale, so logs read the same everywhere.
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

std::string eventTimePrefix(const SYSTEMTIME& localTime)
{
    const WORD month = localTime.wMonth >= 1 && localTime.wMonth <= 12 ? localTime.wMonth : 1;
    // Room for the widest text any WORD fields give, so even a nonsense time is never cut short.
    char prefix[sizeof "65535-Jan-65535 65535:65535:65535 "];
    std::snprintf(prefix, sizeof prefix, "%02u-%s-%04u %02u:%02u:%02u ",
                  static_cast<unsigned>(localTime.wDay), kMonths[month - 1],
                  static_cast<unsigned>(localTime.wYear), static_cast<unsigned>(localTime.wHour),
                  static_cast<unsigned>(localTime.wMinute),
                  static_cast<unsigned>(localTime.wSecond));
    return prefix;
}

const std::string& CEventLog::addLine(std::string_view text, const SYSTEMTIME& localTime)
{
    m_Lines.push_back(eventTimePrefix(localTime).append(text));
    while (m_Lines.size() > kMaxLines) m_Lines.pop_front();
    return m_Lines.back();
}

const std::string& CEventLog::addLine(std::string_view text)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return addLine(text, now);
}

std::string CEventLog::copyText() const
{
    std::string text;
    for (const std::string& line : m_Lines) text.append(line).append("\r\n");
    return text;
}

} // namespace moxlan
